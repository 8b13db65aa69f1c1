#include "foundation/dynaarray.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "foundation/messagebox.h"

namespace trellimap {
namespace {

void* ObtainZeroed(size_t bytes) { return std::calloc(1, bytes); }
void ReleaseBlock(void* block) { std::free(block); }

constexpr DynaArrayAllocator kDefaultAllocator = {&ObtainZeroed, &ReleaseBlock};
DynaArrayAllocator allocator = kDefaultAllocator;

// The mem* functions need valid pointers even for zero bytes, and records of size
// 0 live at the null block.
void MoveBytes(void* to, const void* from, size_t bytes) {
  if (bytes != 0) std::memmove(to, from, bytes);
}
void ZeroBytes(void* to, size_t bytes) {
  if (bytes != 0) std::memset(to, 0, bytes);
}

// `step`: 1 for a first block, 2 for growing, 3 for shrinking.
void ReportNoMemory(int step, uint64_t bytes) {
  ShowMessage("Error " + std::to_string(step) + " while trying to allocate " + std::to_string(bytes) +
                  " bytes of RAM. Not enough memory.",
              "", MsgIcon::Error, MsgButtons::Ok);
}

}  // namespace

DynaArrayAllocator SetDynaArrayAllocator(DynaArrayAllocator replacement) {
  DynaArrayAllocator previous = allocator;
  allocator = replacement.obtain && replacement.release ? replacement : kDefaultAllocator;
  return previous;
}

TDynaArray::~TDynaArray() { allocator.release(poi); }

void* TDynaArray::GetObject(uint32_t Index) {
  SetCurrent(Index);
  return aobj;
}

void* TDynaArray::Add() {
  ++count;
  if (AllocMoreMem() == Adapt::Failed) return nullptr;
  // A kept block may still hold a deleted record's bytes in this slot.
  ZeroBytes(Record(count - 1), size);
  SetCurrent(count - 1);
  return aobj;
}

void* TDynaArray::Insert(int32_t nr) {
  if (nr < 0 || static_cast<uint32_t>(nr) > count) return nullptr;
  ++count;
  if (AllocMoreMem() == Adapt::Failed) return nullptr;
  const auto index = static_cast<uint32_t>(nr);
  unsigned char* at = Record(index);
  MoveBytes(at + size, at, size_t{count - 1 - index} * size);
  ZeroBytes(at, size);
  SetCurrent(index);
  return aobj;
}

void TDynaArray::Delete(int32_t nr) {
  if (nr < 0 || static_cast<uint32_t>(nr) >= count) return;
  const auto index = static_cast<uint32_t>(nr);
  unsigned char* at = Record(index);
  MoveBytes(at, at + size, size_t{count - 1 - index} * size);
  --count;
  AllocLessMem();
  ResetCursor();
}

void TDynaArray::Clear() {
  allocator.release(poi);
  poi = nullptr;
  count = 0;
  amemsize = 0;
  ResetCursor();
}

void TDynaArray::Change(int32_t nr1, int32_t nr2) {
  if (nr1 < 0 || nr2 < 0 || static_cast<uint32_t>(nr1) >= count || static_cast<uint32_t>(nr2) >= count) return;
  const auto i1 = static_cast<uint32_t>(nr1);
  const auto i2 = static_cast<uint32_t>(nr2);
  // Swapping byte by byte needs no temporary record, so it cannot fail.
  if (i1 != i2) std::swap_ranges(Record(i1), Record(i1) + size, Record(i2));
  SetCurrent(i2);
}

void TDynaArray::First() {
  if (count > 0) SetCurrent(0);
}

bool TDynaArray::Next() {
  if (aobjnr < -1 || int64_t{aobjnr} + 1 >= int64_t{count}) return false;
  SetCurrent(static_cast<uint32_t>(aobjnr + 1));
  return true;
}

bool TDynaArray::WhileNext() {
  if (aobjnr < 0 || static_cast<uint32_t>(aobjnr) >= count) return false;
  aobj = Record(static_cast<uint32_t>(aobjnr));
  MirrorToOuter();
  ++aobjnr;  // cannot overflow: count never exceeds INT32_MAX
  return true;
}

TDynaArray::Adapt TDynaArray::AllocMoreMem() {
  const uint64_t needed = Needed(count);
  const bool first = poi == nullptr;
  void* block = nullptr;
  // The cursor is a signed 32-bit index and amemsize is 32-bit: a request beyond
  // either fails like an allocation.
  if (count <= static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) &&
      needed <= std::numeric_limits<uint32_t>::max()) {
    // After a failed shrink the block can be bigger than needed; it is simply kept.
    if (needed <= amemsize) return Adapt::Kept;
    block = allocator.obtain(static_cast<size_t>(needed));
  }
  if (block == nullptr) {
    --count;
    ReportNoMemory(first ? 1 : 2, needed);
    return Adapt::Failed;
  }
  // The new block is zero beyond the copied bytes.
  if (!first) {
    std::memcpy(block, poi, amemsize);
    allocator.release(poi);
  }
  poi = block;
  amemsize = static_cast<uint32_t>(needed);
  return Adapt::Replaced;
}

void TDynaArray::AllocLessMem() {
  const uint64_t needed = Needed(count);
  if (needed == amemsize) return;
  if (count == 0) {
    allocator.release(poi);
    poi = nullptr;
    amemsize = 0;
    return;
  }
  // Here needed < amemsize, so it fits 32 bits.
  void* block = allocator.obtain(static_cast<size_t>(needed));
  if (block == nullptr) {
    // The records are already moved down, so the lowered count stands; the bigger
    // block stays in use and the next Delete tries to shrink again.
    ReportNoMemory(3, needed);
    return;
  }
  std::memcpy(block, poi, static_cast<size_t>(needed));
  allocator.release(poi);
  poi = block;
  amemsize = static_cast<uint32_t>(needed);
}

uint64_t TDynaArray::Needed(uint64_t n) const {
  if (n == 0) return 0;
  const uint64_t records = buffersize * ((n - 1) / buffersize + 1);
  // Saturates instead of wrapping; anything beyond 32 bits is refused anyway.
  if (size != 0 && records > std::numeric_limits<uint64_t>::max() / size) return std::numeric_limits<uint64_t>::max();
  return records * size;
}

unsigned char* TDynaArray::Record(uint32_t index) const {
  return static_cast<unsigned char*>(poi) + size_t{index} * size;
}

void TDynaArray::SetCurrent(uint32_t index) {
  aobjnr = static_cast<int32_t>(index);
  aobj = Record(index);
  MirrorToOuter();
}

void TDynaArray::ResetCursor() {
  aobjnr = -1;
  aobj = nullptr;
  MirrorToOuter();
}

void TDynaArray::MirrorToOuter() {
  if (outeraobj != nullptr && writeouter_ != nullptr) writeouter_(outeraobj, aobj);
}

}  // namespace trellimap
