#include "codecs/pcxencoder.h"

#include <vector>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

constexpr int kHeaderBytes = 128;
constexpr uint8_t kRunMark = 0xC0;  // a byte with both top bits set counts a run
constexpr int kLongestRun = 63;

void PutLe16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

// Appends one plane line run-length coded: runs end at the line's end.
void PutRuns(const uint8_t* line, size_t length, std::vector<uint8_t>& out) {
  for (size_t i = 0; i < length;) {
    size_t run = 1;
    while (i + run < length && run < kLongestRun && line[i + run] == line[i]) ++run;
    if (run > 1 || line[i] >= kRunMark) out.push_back(static_cast<uint8_t>(kRunMark | run));
    out.push_back(line[i]);
    i += run;
  }
}

}  // namespace

void EncodePcx24(const dib& picture, const ByteSink& sink) {
  const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
  // Plane lines hold an even number of bytes.
  const auto lineBytes = static_cast<size_t>(w + (w & 1));
  uint8_t header[kHeaderBytes] = {};
  header[0] = 0x0A;  // PCX
  header[1] = 5;     // version 3.0 and later
  header[2] = 1;     // run-length coded
  header[3] = 8;     // bits a plane
  PutLe16(header + 8, static_cast<uint32_t>(w - 1));
  PutLe16(header + 10, static_cast<uint32_t>(h - 1));
  header[65] = 3;  // planes: red, green, blue
  PutLe16(header + 66, static_cast<uint32_t>(lineBytes));
  PutLe16(header + 68, 1);  // colour
  sink(header, kHeaderBytes);

  std::vector<uint8_t> plane(lineBytes, 0), coded;
  coded.reserve(6 * lineBytes);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = picture.poi + static_cast<int64_t>(h - 1 - y) * picture.bytew;
    coded.clear();
    for (int channel = 2; channel >= 0; --channel) {  // red, green, blue from blue, green, red
      for (int32_t x = 0; x < w; ++x) plane[static_cast<size_t>(x)] = row[3 * x + channel];
      PutRuns(plane.data(), lineBytes, coded);
    }
    sink(coded.data(), coded.size());
  }
}

}  // namespace trellimap
