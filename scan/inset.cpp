#include "scan/inset.h"

#include <cmath>
#include <cstring>

#include "image/pixmill3.h"

namespace trellimap {

Kept KeptAfter(int width, int height, const PageInset& inset) {
  const auto margin = [&](int side) {
    const double pixels = inset.percent ? inset.amount / 100 * side : inset.amount;
    return std::isfinite(pixels) && pixels > 0 ? static_cast<int64_t>(std::lround(std::min(pixels, 1e9))) : 0;
  };
  const int64_t across = margin(width), down = margin(height);
  if (2 * across >= width || 2 * down >= height) return {};
  return {static_cast<int>(across), static_cast<int>(down), static_cast<int>(width - 2 * across),
          static_cast<int>(height - 2 * down)};
}

bool TrimInset(dib& page, const PageInset& inset) {
  if (page.poi == nullptr || DibBitCount(&page) != 24) return false;
  const int width = DibWidth(&page), height = DibHeight(&page);
  const Kept kept = KeptAfter(width, height, inset);
  if (kept.width <= 0) return false;
  if (kept.width == width && kept.height == height) return true;
  dib trimmed{};
  newdib(&trimmed, kept.width, kept.height, 24, nullptr, 0);
  if (trimmed.poi == nullptr) return false;
  // Rows are stored bottom-up: the kept rectangle's top row is the stored row
  // `height - 1 - kept.top`.
  for (int y = 0; y < kept.height; ++y) {
    const uint8_t* from = page.poi + static_cast<int64_t>(height - 1 - (kept.top + y)) * page.bytew + 3 * kept.left;
    uint8_t* to = trimmed.poi + static_cast<int64_t>(kept.height - 1 - y) * trimmed.bytew;
    std::memcpy(to, from, static_cast<size_t>(kept.width) * 3);
  }
  ReplacePicture(&page, trimmed);
  return true;
}

}  // namespace trellimap
