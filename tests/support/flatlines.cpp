#include "tests/support/flatlines.h"

#include <algorithm>
#include <cmath>

#include "image/pixmill3.h"

namespace trellimap::testing {
namespace {

constexpr int kDark = 110;           // grey levels below which a pixel is ink
constexpr int kPaper = 200;          // and below which it holds some
constexpr double kInkedRow = 0.02;   // a row of text has at least this share of its pixels dark
constexpr double kInkedBand = 0.05;  // a band is measured where this share of its pixels is dark

bool Dark(const dib& page, int32_t x, int32_t y) {
  const uint32_t c = DibPixelColour(page, x, y);
  return ((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) < 3 * kDark;
}

// How much darker than the paper the pixel is, 0 for none.
double Ink(const dib& page, int32_t x, int32_t y) {
  const uint32_t c = DibPixelColour(page, x, y);
  const int grey = ((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3;
  return std::max(0, kPaper - grey);
}

}  // namespace

FlatLines MeasureFlatLines(const dib& page, int bands) {
  const int32_t w = DibWidth(&page), h = DibHeight(&page);
  std::vector<int> inked(static_cast<size_t>(h), 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) inked[static_cast<size_t>(y)] += Dark(page, x, y);
  // Runs of inked rows, a gap of a row or two within a line closed.
  std::vector<std::pair<int32_t, int32_t>> runs;
  for (int32_t y = 0; y < h; ++y) {
    if (inked[static_cast<size_t>(y)] < kInkedRow * w) continue;
    if (!runs.empty() && y - runs.back().second <= 2)
      runs.back().second = y;
    else
      runs.push_back({y, y});
  }
  FlatLines result;
  std::vector<double> gaps;
  std::vector<double> before;  // the last line's middle in each band, NaN where it has no ink there
  for (const auto& [top, bottom] : runs) {
    if (top == 0 || bottom == h - 1) continue;
    std::vector<double> middles(static_cast<size_t>(bands), std::nan(""));
    double least = 1e300, most = -1e300, sum = 0;
    int count = 0;
    for (int b = 0; b < bands; ++b) {
      const int32_t x0 = w * b / bands, x1 = w * (b + 1) / bands;
      // The middle weighs each pixel by its ink, to a fraction of a pixel.
      double ys = 0, ink = 0;
      int dark = 0;
      for (int32_t y = top - 1; y <= bottom + 1; ++y)
        for (int32_t x = x0; x < x1; ++x) {
          dark += y >= top && y <= bottom && Dark(page, x, y);
          const double weight = Ink(page, x, y);
          ys += weight * y, ink += weight;
        }
      if (dark < kInkedBand * (x1 - x0) * (bottom - top + 1) || !(ink > 0)) continue;
      middles[static_cast<size_t>(b)] = ys / ink;
      least = std::min(least, ys / ink), most = std::max(most, ys / ink);
      sum += ys / ink, ++count;
    }
    if (count == 0) continue;
    result.worstBend = std::max(result.worstBend, (most - least) / h);
    // The gap to the line before, where both have ink: a short line's
    // middle alone would take its part of the page for the whole.
    double gap = 0;
    int shared = 0;
    for (size_t b = 0; b < before.size(); ++b)
      if (!std::isnan(before[b]) && !std::isnan(middles[b])) gap += middles[b] - before[b], ++shared;
    if (shared > 0) gaps.push_back(gap / shared);
    before = middles;
    result.middles.push_back(sum / count);
  }
  result.lines = static_cast<int>(result.middles.size());
  if (!gaps.empty()) {
    std::vector<double> sorted = gaps;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    for (const double gap : gaps) result.worstSpacing = std::max(result.worstSpacing, std::abs(gap - median) / median);
  }
  return result;
}

}  // namespace trellimap::testing
