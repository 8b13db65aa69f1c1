#pragma once
// Enhanced metafiles written byte by byte, for tests and fuzzing seeds.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace trellimap::testing {

// Writes a metafile record by record, little-endian; each record's size is
// filled in when it ends, and the header's byte and record counts by Finish.
class EmfWriter {
 public:
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Byte(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
  }
  void Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    I32(left);
    I32(top);
    I32(right);
    I32(bottom);
  }
  void Begin(uint32_t type) {
    start_ = bytes_.size();
    U32(type);
    U32(0);
    ++records_;
  }
  void End() {
    while ((bytes_.size() - start_) % 4 != 0) bytes_.push_back(0);
    Put(start_ + 4, static_cast<uint32_t>(bytes_.size() - start_));
  }
  void Put(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  // A record of `type` with the 32-bit fields `fields`.
  void Record(uint32_t type, std::initializer_list<uint32_t> fields) {
    Begin(type);
    for (uint32_t v : fields) U32(v);
    End();
  }
  std::vector<uint8_t> Finish() {
    Put(48, static_cast<uint32_t>(bytes_.size()));
    Put(52, records_);
    return bytes_;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t start_ = 0;
  uint32_t records_ = 0;
};

}  // namespace trellimap::testing
