#include "view/panecomposition.h"

#include <algorithm>
#include <vector>

#include "display/paintdib.h"
#include "display/surfacedevice.h"
#include "foundation/workers.h"
#include "image/pixmill3.h"
#include "view/outlinedrawing.h"
#include "view/panegeometry.h"

namespace trellimap {
namespace {

// The fixed point of the reciprocals averaged pixels are divided by.
constexpr int kShift = 16;
constexpr uint32_t kHalf = 1u << (kShift - 1);

}  // namespace

PaneArea ZoomedPicture(const dib& picture, int32_t zoom) {
  if (picture.poi == nullptr) return {0, 0, 0, 0};
  return {0, 0, Zoomed(DibWidth(&picture), zoom), Zoomed(DibHeight(&picture), zoom)};
}

void ComposeStretched(const dib& picture, const PaneArea& whole, const PaneArea& area, PixelSurface& surface) {
  surface.SetSize(area.width, area.height);
  SurfaceDevice device(surface, area.left, area.top);
  PaintDib(device, 0, 0, whole.width, whole.height, &picture, 0, 0, DibWidth(&picture), DibHeight(&picture), false,
           SRCCOPY);
}

void ComposeAveraged(const dib& picture, const PaneArea& whole, const PaneArea& area, PixelSurface& surface) {
  surface.SetSize(area.width, area.height);
  const int32_t pictureW = DibWidth(&picture), pictureH = DibHeight(&picture);
  const int32_t left = std::max(area.left, 0), right = std::min(area.left + area.width, whole.width);
  const int32_t top = std::max(area.top, 0), bottom = std::min(area.top + area.height, whole.height);
  if (left >= right || top >= bottom || picture.poi == nullptr) return;
  // The first picture column (row) that falls to pane column (row) i.
  const auto firstColumn = [&](int64_t i) { return static_cast<int32_t>(i * pictureW / whole.width); };
  const auto firstRow = [&](int64_t i) { return static_cast<int32_t>(i * pictureH / whole.height); };
  const int32_t from = firstColumn(left), to = firstColumn(right);
  std::vector<int32_t> columnStart(static_cast<size_t>(right - left) + 1);
  int32_t mostColumns = 1;
  for (int32_t i = left; i <= right; ++i) {
    columnStart[static_cast<size_t>(i - left)] = firstColumn(i) - from;
    if (i > left) mostColumns = std::max(mostColumns, firstColumn(i) - firstColumn(i - 1));
  }
  // A mean as a product with a reciprocal and a shift, in 32 bits: exact for
  // the few pixels a halved copy gives each pane pixel, within one step for
  // the hundreds the picture itself may give.
  const int32_t rows = bottom - top;
  const int threads = ThreadsFor(0, int64_t{right - left} * rows);
  RunWorkers(threads, [&](int worker) {
    // Sums of up to 257 rows of bytes fit 16 bits; a pane at 1 % of the picture itself sums under 150.
    std::vector<uint16_t> sums(static_cast<size_t>(to - from) * 3);
    std::vector<uint32_t> reciprocal(static_cast<size_t>(mostColumns) + 1);
    // Each worker a band of rows.
    for (int32_t y = top + rows * worker / threads; y < top + rows * (worker + 1) / threads; ++y) {
      const int32_t rowFrom = firstRow(y), rowTo = firstRow(y + 1);
      const uint8_t* first = picture.poi + static_cast<int64_t>(pictureH - 1 - rowFrom) * picture.bytew + 3 * from;
      for (size_t k = 0; k < sums.size(); ++k) sums[k] = first[k];
      for (int32_t row = rowFrom + 1; row < rowTo; ++row) {
        const uint8_t* line = picture.poi + static_cast<int64_t>(pictureH - 1 - row) * picture.bytew + 3 * from;
        for (size_t k = 0; k < sums.size(); ++k) sums[k] = static_cast<uint16_t>(sums[k] + line[k]);
      }
      for (int32_t columns = 1; columns <= mostColumns; ++columns) {
        const uint32_t count = static_cast<uint32_t>(columns * (rowTo - rowFrom));
        reciprocal[static_cast<size_t>(columns)] = ((1u << kShift) + count / 2) / count;
      }
      uint8_t* out = surface.Row(y - area.top) + 3 * static_cast<int64_t>(left - area.left);
      const int32_t* start = columnStart.data();
      for (int32_t i = 0; i < right - left; ++i) {
        const int32_t c0 = start[i], c1 = start[i + 1];
        const uint32_t times = reciprocal[static_cast<size_t>(c1 - c0)];
        const uint16_t* s = &sums[3 * static_cast<size_t>(c0)];
        uint32_t blue = s[0], green = s[1], red = s[2];
        for (int32_t c = c0 + 1; c < c1; ++c) s += 3, blue += s[0], green += s[1], red += s[2];
        out[3 * i] = static_cast<uint8_t>(std::min((blue * times + kHalf) >> kShift, 255u));
        out[3 * i + 1] = static_cast<uint8_t>(std::min((green * times + kHalf) >> kShift, 255u));
        out[3 * i + 2] = static_cast<uint8_t>(std::min((red * times + kHalf) >> kShift, 255u));
      }
    }
  });
}

void ComposePane(const dib& picture, int32_t zoom, const TDynaArray* outline, const PaneArea& area,
                 PixelSurface& surface, int32_t scale, ReducedCopies* copies) {
  const PaneArea whole = ZoomedPicture(picture, zoom * scale);
  const bool shrunk = zoom * scale < 100 && whole.width <= DibWidth(&picture) && whole.height <= DibHeight(&picture);
  const dib& source = copies != nullptr && shrunk ? copies->AtLeast(picture, whole.width, whole.height) : picture;
  if (shrunk && source.pmi != nullptr && source.pmi->bmiHeader.biBitCount == 24)
    ComposeAveraged(source, whole, area, surface);
  else
    ComposeStretched(picture, whole, area, surface);
  if (outline != nullptr) DrawOutline(surface, area.left, area.top, *outline, zoom, scale);
}

}  // namespace trellimap
