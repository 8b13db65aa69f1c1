#pragma once
// Binary files read and written in one pass, as the program's own files are:
// a reader that never reads past the end it measured, and a writer that
// replaces its target only when everything was written.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/outcome.h"

namespace trellimap {

// Reads a file front to back. Every read of more bytes than are left throws
// InOutError::ReadBeyondEnd() before anything is read, so callers can check
// counts and lengths against Remaining() before they allocate.
class BinaryReader {
 public:
  BinaryReader() = default;
  ~BinaryReader();
  BinaryReader(const BinaryReader&) = delete;
  BinaryReader& operator=(const BinaryReader&) = delete;

  // Opens `path` for reading; false (and nothing open) when it cannot be.
  bool Open(const std::string& path);

  uint64_t Remaining() const { return size_ - position_; }

  // Reads exactly `bytes` bytes into `data`; throws InOutError.
  void Read(void* data, size_t bytes);
  int32_t ReadInt32();
  uint8_t ReadByte();

 private:
  void Fill();

  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
  std::vector<uint8_t> buffer_;
  size_t bufferStart_ = 0, bufferEnd_ = 0;
};

// Writes a new file next to `path` and renames it over `path` on Commit, so
// that a failed or abandoned write leaves the previous file as it was.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();  // an uncommitted file is removed
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file; false when the folder does not allow it.
  bool Open(const std::string& path);

  // Write errors throw InOutError ("Disk full", "I/O error %d").
  void Write(const void* data, size_t bytes);
  void WriteInt32(int32_t value);
  void WriteByte(uint8_t value);

  // Flushes and renames the file over the target; throws InOutError. A file
  // that replaces one is first synced to the disk, so that a crash of the
  // system cannot leave an empty file where the old one was; a new file is
  // not, as there is nothing such a crash could take.
  void Commit();

 private:
  void Flush();
  void WriteOut(const uint8_t* data, size_t bytes);
  void Discard();

  int fd_ = -1;
  bool replacing_ = false;  // a file of that name was there when the write began
  uint64_t written_ = 0;    // bytes in the file so far
  std::string path_, temporary_;
  std::vector<uint8_t> buffer_;
};

// Writes the file `path` whole through an AtomicFileWriter: `write` gives it
// its bytes and says how that went; the file appears only when it did. A
// failure of the file itself (no such folder, no permission, a folder, a
// full disk) names its FileProblem, with a detail in short English.
Outcome WriteFileWhole(const std::string& path, const std::function<Outcome(AtomicFileWriter& out)>& write);

}  // namespace trellimap
