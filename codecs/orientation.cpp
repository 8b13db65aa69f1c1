#include "codecs/orientation.h"

#include <cstring>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

// Where the pixel (x, y) of the upright picture lies in the stored one of
// w × h: for each orientation, the stored column and row as a + b·x + c·y.
struct Source {
  int64_t column[3], row[3];
};

Source SourceOf(int orientation, int64_t w, int64_t h) {
  switch (orientation) {
    case 2:  // mirrored left to right
      return {{w - 1, -1, 0}, {0, 0, 1}};
    case 3:  // turned half round
      return {{w - 1, -1, 0}, {h - 1, 0, -1}};
    case 4:  // mirrored top to bottom
      return {{0, 1, 0}, {h - 1, 0, -1}};
    case 5:  // mirrored along the diagonal
      return {{0, 0, 1}, {0, 1, 0}};
    case 6:  // stored a quarter turn anticlockwise: the stored top row is the right column
      return {{0, 0, 1}, {h - 1, -1, 0}};
    case 7:  // mirrored along the other diagonal
      return {{w - 1, 0, -1}, {h - 1, -1, 0}};
    default:  // 8: stored a quarter turn clockwise
      return {{w - 1, 0, -1}, {0, 1, 0}};
  }
}

}  // namespace

bool ApplyOrientation(dib& picture, int orientation) {
  if (orientation < 2 || orientation > 8 || picture.poi == nullptr) return true;
  const int32_t w = DibWidth(&picture), h = DibHeight(&picture), bits = DibBitCount(&picture);
  const bool across = orientation >= 5;
  const int32_t W = across ? h : w, H = across ? w : h;
  dib turned;
  const int32_t colours = bits <= 8 && picture.pmi != nullptr ? 1 << bits : 0;
  newdib(&turned, W, H, bits, colours > 0 ? picture.pmi : nullptr, colours);
  if (turned.poi == nullptr) return false;
  const Source s = SourceOf(orientation, w, h);
  for (int32_t y = 0; y < H; ++y) {
    if (bits == 24) {
      uint8_t* to = turned.poi + static_cast<int64_t>(H - 1 - y) * turned.bytew;
      for (int32_t x = 0; x < W; ++x) {
        const int64_t column = s.column[0] + s.column[1] * x + s.column[2] * y;
        const int64_t row = s.row[0] + s.row[1] * x + s.row[2] * y;
        std::memcpy(to + 3 * int64_t{x}, picture.poi + (h - 1 - row) * picture.bytew + 3 * column, 3);
      }
      continue;
    }
    for (int32_t x = 0; x < W; ++x) {
      const auto column = static_cast<int32_t>(s.column[0] + s.column[1] * x + s.column[2] * y);
      const auto row = static_cast<int32_t>(s.row[0] + s.row[1] * x + s.row[2] * y);
      setpixel(turned, x, y, getpixel(picture, column, row));
    }
  }
  ReleaseDib(&picture);
  picture = turned;
  return true;
}

}  // namespace trellimap
