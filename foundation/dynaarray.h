#pragma once
// TDynaArray: a growable array of fixed-size, untyped records in one contiguous
// block, with a cursor (the current record) whose address is mirrored into a
// pointer variable owned by the caller.
//
// Blocks are always zero-filled and sized for the next multiple of `buffersize`
// (100) records; there is no block while the array is empty. Record addresses
// (including `aobj` and the caller's variable) are valid only until the next
// Add, Insert, Delete or Clear. The array never interprets record contents and
// does not own anything the records point to.

#include <cstddef>
#include <cstdint>

namespace trellimap {

// The allocator pair behind every array block. `obtain` returns `bytes` zero-filled
// bytes or null; `release` frees what `obtain` returned (and accepts null).
struct DynaArrayAllocator {
  void* (*obtain)(size_t bytes);
  void (*release)(void* block);
};

// Installs `allocator` for all arrays and returns the previous one; a pair with a
// null member restores the default (calloc/free). The new `release` must be able to
// free blocks obtained before the switch (a wrapper around calloc/free is).
DynaArrayAllocator SetDynaArrayAllocator(DynaArrayAllocator allocator);

class TDynaArray {
 public:
  // Create: an empty array (no block, no current record) of records of `thesize`
  // bytes. `typpoi` is the caller's pointer variable that will always hold the
  // current record's address; it may be null, and several arrays may share it.
  template <class T>
  TDynaArray(uint32_t thesize, T** typpoi)
      : outeraobj(typpoi), size(thesize), writeouter_(typpoi ? &WriteOuter<T> : nullptr) {}
  explicit TDynaArray(uint32_t thesize, std::nullptr_t = nullptr) : size(thesize) {}

  // Destroy: releases the block. The caller's variable is left as it is.
  ~TDynaArray();

  TDynaArray(const TDynaArray&) = delete;
  TDynaArray& operator=(const TDynaArray&) = delete;

  // Positions the cursor on record `Index` and returns its address. Needs
  // `Index` < `count`; the index is not checked.
  void* GetObject(uint32_t Index);

  // The address of record `Index` for reading. The cursor and the caller's
  // variable stay as they are, so that reading changes nothing and any thread
  // may read while no other changes the array. Needs `Index` < `count`.
  const void* At(uint32_t Index) const { return Record(Index); }

  // Appends a zero-filled record, positions the cursor on it and returns its
  // address. If no block can be obtained: shows the error, changes nothing and
  // returns null.
  void* Add();

  // Inserts a zero-filled record at `nr` (0 <= nr <= count; nr == count appends),
  // moving the following records up, positions the cursor on it and returns its
  // address. Returns null and changes nothing for any other `nr` or when no block
  // can be obtained (after showing the error).
  void* Insert(int32_t nr);

  // Removes record `nr` (0 <= nr < count), moving the following records down, and
  // resets the cursor and the caller's variable to null. Any other `nr` does nothing.
  void Delete(int32_t nr);

  // Removes all records, releases the block and resets the cursor and the caller's
  // variable to null.
  void Clear();

  // Swaps records `nr1` and `nr2` and positions the cursor on `nr2`. Does nothing
  // unless both lie in 0 .. count - 1.
  void Change(int32_t nr1, int32_t nr2);

  // Positions the cursor on record 0; does nothing on an empty array.
  void First();

  // Moves the cursor to the following record (from "none", -1, to record 0) and
  // returns true; returns false and changes nothing when there is none.
  bool Next();

  // Loop step after First(): makes record `aobjnr` current, then advances `aobjnr`
  // past it and returns true. Returns false and changes nothing once `aobjnr` is
  // outside 0 .. count - 1. Inside the loop `aobjnr` is the current index plus one.
  bool WhileNext();

  void* outeraobj = nullptr;  // the caller's pointer variable (a T**), or null
  void* aobj = nullptr;       // current record, null when there is none
  void* poi = nullptr;        // the block holding all records, null when there is none
  uint32_t count = 0;         // number of records
  int32_t aobjnr = -1;        // cursor index, -1 when there is none
  uint32_t amemsize = 0;      // block size in bytes
  uint32_t buffersize = 100;  // growth step in records
  uint32_t size;              // record size in bytes

 private:
  using OuterWriter = void (*)(void* outer, void* record);

  // Stores `record` into the caller's T* variable with its own type.
  template <class T>
  static void WriteOuter(void* outer, void* record) {
    *static_cast<T**>(outer) = static_cast<T*>(record);
  }

  enum class Adapt { Kept, Replaced, Failed };

  // Adapts the block after `count` was raised by one. On failure shows the
  // error, lowers `count` again and keeps the old block.
  Adapt AllocMoreMem();
  // Adapts the block after `count` was lowered by one.
  void AllocLessMem();

  // Bytes of the block for `n` records: room for the next multiple of
  // `buffersize` records, 0 for no records. Computed wide, so it cannot wrap.
  uint64_t Needed(uint64_t n) const;
  unsigned char* Record(uint32_t index) const;
  void SetCurrent(uint32_t index);
  void ResetCursor();
  void MirrorToOuter();

  OuterWriter writeouter_ = nullptr;
};

}  // namespace trellimap
