#include "view/reducedcopies.h"

#include "image/pixmill3.h"

namespace trellimap {

bool HalvePicture(const dib& from, dib& to) {
  to = dib{};
  const int32_t w = DibWidth(&from), h = DibHeight(&from);
  const int32_t halfW = (w + 1) / 2, halfH = (h + 1) / 2;
  newdib(&to, halfW, halfH, 24, nullptr, 0);
  if (to.poi == nullptr) return false;
  for (int32_t y = 0; y < halfH; ++y) {
    // Rows from the bottom, as stored: row y covers rows 2y and 2y + 1 (where there is one).
    const uint8_t* lower = from.poi + static_cast<int64_t>(2 * y) * from.bytew;
    const uint8_t* upper = 2 * y + 1 < h ? lower + from.bytew : lower;
    uint8_t* out = to.poi + static_cast<int64_t>(y) * to.bytew;
    const int32_t pairs = w / 2;
    for (int32_t x = 0; x < pairs; ++x)
      for (int c = 0; c < 3; ++c) {
        const int at = 6 * x + c;
        out[3 * x + c] = static_cast<uint8_t>((lower[at] + lower[at + 3] + upper[at] + upper[at + 3] + 2) / 4);
      }
    if (w % 2 != 0)
      for (int c = 0; c < 3; ++c) {
        const int at = 3 * (w - 1) + c;
        out[3 * pairs + c] = static_cast<uint8_t>((lower[at] + upper[at] + 1) / 2);
      }
  }
  return true;
}

ReducedCopies::~ReducedCopies() { Forget(); }

void ReducedCopies::Forget() {
  for (dib& copy : copies_) ReleaseDib(&copy);
  copies_.clear();
  handle_ = 0;
  pixels_ = nullptr;
}

const dib& ReducedCopies::AtLeast(const dib& picture, int32_t width, int32_t height) {
  if (picture.poi == nullptr || picture.pmi == nullptr || picture.pmi->bmiHeader.biBitCount != 24) return picture;
  if (picture.poih != handle_ || picture.poi != pixels_) {
    Forget();
    handle_ = picture.poih;
    pixels_ = picture.poi;
  }
  const dib* best = &picture;
  for (size_t level = 0;; ++level) {
    const int32_t w = DibWidth(best), h = DibHeight(best);
    if ((w + 1) / 2 < width || (h + 1) / 2 < height || (w == 1 && h == 1)) return *best;
    if (level == copies_.size()) {
      dib halved{};
      if (!HalvePicture(*best, halved)) return *best;
      copies_.push_back(halved);
    }
    best = &copies_[level];
  }
}

}  // namespace trellimap
