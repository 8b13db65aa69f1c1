#include "scan/looks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

// The paper's colour is read in cells this share of the page's longer side
// wide, and no narrower than the least: wider than a letter, so that each
// cell holds paper between its strokes, and narrow enough to follow a
// shadow's border.
constexpr double kCellShare = 1.0 / 48;
constexpr int kLeastCell = 8;
// The brightest pixels of a cell, as a share of them, are its paper.
constexpr double kBrightest = 0.2;
// A cell is no paper where its brightest pixels are darker than this share of
// the page's typical paper (a photo, a black box; no shadow is that deep), or
// more coloured than this share of their lightness (a stamp, a coloured print;
// a lamp's cast is far weaker).
constexpr double kLeastPaperLight = 0.35;
constexpr double kMostPaperColour = 0.5;
// The page's typical paper: this quantile of the cells' lightness.
constexpr double kTypicalPaper = 0.9;
// The share of white above which a whitened level is white: the paper's grain.
constexpr double kWhiteFrom = 0.92;
// Black and white: the window of the local mean and spread, as a share of the
// page's longer side, and no narrower than the least; how far below the
// local mean the threshold lies where the spread is small.
constexpr double kWindowShare = 1.0 / 40;
constexpr int kLeastWindow = 15;
constexpr double kThresholdDepth = 0.2;
constexpr double kSpreadRange = 128;
// The grey levels are smoothed before the threshold, by this share of the
// page pixels one photo pixel became and no less than the least: the
// camera's noise, enlarged with the page, would leave ragged letters (and
// larger files) that the eye does not see on the page, and the photo holds
// no detail finer than its own pixel.
constexpr double kSmoothPerPhotoPixel = 0.8, kLeastSmooth = 0.7;

struct Cell {
  cv::Vec3f colour;
  float light = 0;
  bool paper = false;
};

// A BGR pixel's lightness, 0 to 255, in integers.
int Lightness(const cv::Vec3b& p) { return (p[0] * 29 + p[1] * 150 + p[2] * 77) >> 8; }

// The mean colour of the brightest pixels of a block of the page, and their lightness.
Cell CellOf(const cv::Mat& block) {
  std::array<int, 256> counts{};
  for (int y = 0; y < block.rows; ++y) {
    const cv::Vec3b* row = block.ptr<cv::Vec3b>(y);
    for (int x = 0; x < block.cols; ++x) ++counts[Lightness(row[x])];
  }
  const int wanted = std::max(1, static_cast<int>(kBrightest * block.total()));
  int least = 255;
  for (int seen = 0; least > 0 && (seen += counts[least]) < wanted;) --least;
  cv::Vec3d sum(0, 0, 0);
  int n = 0;
  for (int y = 0; y < block.rows; ++y) {
    const cv::Vec3b* row = block.ptr<cv::Vec3b>(y);
    for (int x = 0; x < block.cols; ++x)
      if (Lightness(row[x]) >= least) sum += cv::Vec3d(row[x]), ++n;
  }
  Cell cell;
  cell.colour = cv::Vec3f(sum / std::max(1, n));
  cell.light = 0.114f * cell.colour[0] + 0.587f * cell.colour[1] + 0.299f * cell.colour[2];
  return cell;
}

// Which rings of a pixel's eight neighbours of its own colour (bit i set for
// the i-th, read round it clockwise from above) make it a lone bump on an
// edge: exactly one of its four sides and two or three of the eight are of
// its colour, in one run round it, so that flipping it neither cuts nor
// joins anything.
std::array<bool, 256> LoneBumps() {
  std::array<bool, 256> bump{};
  for (int ring = 0; ring < 256; ++ring) {
    const auto at = [ring](int i) { return (ring >> (i & 7) & 1) != 0; };
    int sides = 0, all = 0, runs = 0;
    for (int i = 0; i < 8; ++i) {
      sides += (i % 2 == 0) && at(i);
      all += at(i);
      runs += at(i) && !at(i + 1);
    }
    bump[ring] = sides == 1 && (all == 2 || all == 3) && runs == 1;
  }
  return bump;
}

}  // namespace

cv::Mat PaperColour(const cv::Mat& page) {
  const int size = std::max(kLeastCell, static_cast<int>(kCellShare * std::max(page.cols, page.rows)));
  const int across = (page.cols + size - 1) / size, down = (page.rows + size - 1) / size;
  std::vector<Cell> cells(static_cast<size_t>(across) * down);
  std::vector<float> lights;
  for (int j = 0; j < down; ++j)
    for (int i = 0; i < across; ++i) {
      const cv::Rect box(i * size, j * size, std::min(size, page.cols - i * size),
                         std::min(size, page.rows - j * size));
      cells[static_cast<size_t>(j) * across + i] = CellOf(page(box));
      lights.push_back(cells[static_cast<size_t>(j) * across + i].light);
    }
  std::sort(lights.begin(), lights.end());
  const float typical = lights[static_cast<size_t>(kTypicalPaper * (lights.size() - 1))];
  bool any = false;
  for (Cell& c : cells) {
    const float colour =
        *std::max_element(&c.colour[0], &c.colour[0] + 3) - *std::min_element(&c.colour[0], &c.colour[0] + 3);
    c.paper = c.light >= kLeastPaperLight * typical && colour <= kMostPaperColour * c.light;
    any = any || c.paper;
  }
  if (!any) return cv::Mat(page.size(), CV_32FC3, cv::Scalar::all(255));
  // Cells without paper take the mean of their neighbours with it, round by round.
  for (bool filling = true; filling;) {
    filling = false;
    std::vector<Cell> next = cells;
    for (int j = 0; j < down; ++j)
      for (int i = 0; i < across; ++i) {
        Cell& c = next[static_cast<size_t>(j) * across + i];
        if (c.paper) continue;
        cv::Vec3f sum(0, 0, 0);
        int n = 0;
        for (int v = std::max(0, j - 1); v <= std::min(down - 1, j + 1); ++v)
          for (int u = std::max(0, i - 1); u <= std::min(across - 1, i + 1); ++u)
            if (const Cell& d = cells[static_cast<size_t>(v) * across + u]; d.paper) sum += d.colour, ++n;
        if (n > 0) c.colour = sum / n, c.paper = filling = true;
      }
    cells = std::move(next);
  }
  cv::Mat grid(down, across, CV_32FC3);
  for (int j = 0; j < down; ++j)
    for (int i = 0; i < across; ++i) grid.at<cv::Vec3f>(j, i) = cells[static_cast<size_t>(j) * across + i].colour;
  // A cell whose brightest pixels were a light mark's stands out alone; the
  // cells' steps are smoothed, and spread from the cells' middles.
  cv::medianBlur(grid, grid, 3);
  cv::GaussianBlur(grid, grid, {0, 0}, 1);
  cv::Mat paper;
  cv::resize(grid, paper, {across * size, down * size}, 0, 0, cv::INTER_LINEAR);
  return paper(cv::Rect(0, 0, page.cols, page.rows)).clone();
}

cv::Mat Whitened(const cv::Mat& page, const cv::Mat& paper) {
  cv::Mat level, white;
  page.convertTo(level, CV_32FC3);
  cv::max(paper, 1, white);
  cv::divide(level, white, level, 255 / kWhiteFrom);
  cv::Mat out;
  level.convertTo(out, CV_8UC3);  // saturates above white
  return out;
}

cv::Mat BlackAndWhite(const cv::Mat& grey, double enlargement) {
  const int window = std::max(kLeastWindow, static_cast<int>(kWindowShare * std::max(grey.cols, grey.rows)) | 1);
  cv::Mat level, mean, square;
  grey.convertTo(level, CV_32F);
  const double smooth = std::max(kLeastSmooth, kSmoothPerPhotoPixel * enlargement);
  cv::GaussianBlur(level, level, {0, 0}, smooth);
  cv::boxFilter(level, mean, CV_32F, {window, window}, {-1, -1}, true, cv::BORDER_REFLECT);
  cv::boxFilter(level.mul(level), square, CV_32F, {window, window}, {-1, -1}, true, cv::BORDER_REFLECT);
  cv::Mat out(grey.size(), CV_8U);
  for (int y = 0; y < grey.rows; ++y) {
    const float *m = mean.ptr<float>(y), *q = square.ptr<float>(y), *v = level.ptr<float>(y);
    uint8_t* o = out.ptr<uint8_t>(y);
    for (int x = 0; x < grey.cols; ++x) {
      const double spread = std::sqrt(std::max(0.0, static_cast<double>(q[x]) - static_cast<double>(m[x]) * m[x]));
      const double threshold = m[x] * (1 + kThresholdDepth * (spread / kSpreadRange - 1));
      o[x] = v[x] < threshold ? 0 : 255;
    }
  }
  return out;
}

cv::Mat SmoothedEdges(const cv::Mat& bw) {
  static const std::array<bool, 256> kBump = LoneBumps();
  cv::Mat framed;
  cv::copyMakeBorder(bw, framed, 1, 1, 1, 1, cv::BORDER_REPLICATE);
  cv::Mat out = bw.clone();
  for (int y = 0; y < bw.rows; ++y) {
    const uint8_t *above = framed.ptr<uint8_t>(y) + 1, *row = framed.ptr<uint8_t>(y + 1) + 1,
                  *below = framed.ptr<uint8_t>(y + 2) + 1;
    uint8_t* o = out.ptr<uint8_t>(y);
    for (int x = 0; x < bw.cols; ++x) {
      const uint8_t self = row[x];
      // Clockwise from above: above, above right, right, below right, below, below left, left, above left.
      const uint8_t ring[8] = {above[x], above[x + 1], row[x + 1], below[x + 1],
                               below[x], below[x - 1], row[x - 1], above[x - 1]};
      int same = 0;
      for (int i = 0; i < 8; ++i) same |= (ring[i] == self) << i;
      if (kBump[same]) o[x] = static_cast<uint8_t>(255 - self);
    }
  }
  return out;
}

cv::Mat PagePixels(const dib& page) {
  return cv::Mat(DibHeight(&page), DibWidth(&page), CV_8UC3, page.poi, static_cast<size_t>(page.bytew));
}

// A 1-bit picture of a black-and-white page, its colour table black then
// white; `bw`'s rows are the page's rows as stored (the bottom first). An
// empty picture when no memory can be had.
dib BitsOf(const cv::Mat& bw) {
  BitmapInfo colours{};
  colours.bmiColors[1] = {255, 255, 255, 0};
  dib bits{};
  newdib(&bits, bw.cols, bw.rows, 1, &colours, 2);
  if (bits.poi == nullptr) return bits;
  for (int y = 0; y < bw.rows; ++y) {
    const uint8_t* level = bw.ptr<uint8_t>(y);
    uint8_t* row = bits.poi + static_cast<size_t>(y) * static_cast<size_t>(bits.bytew);
    for (int x = 0; x < bw.cols; ++x)
      if (level[x] != 0) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  return bits;
}

void ApplyLook(dib& page, Look look, double enlargement) {
  if (look == Look::Photo || page.poi == nullptr || DibBitCount(&page) != 24) return;
  // OpenCV works in the calling thread alone: the program's own workers are
  // the only threads that touch pictures, and pages are finished one per worker.
  cv::setNumThreads(0);
  cv::Mat pixels = PagePixels(page);
  cv::Mat clean = Whitened(pixels, PaperColour(pixels));
  if (look != Look::Clean) {
    cv::Mat grey;
    cv::cvtColor(clean, grey, cv::COLOR_BGR2GRAY);
    if (look == Look::BlackWhite) {
      // Stored at a bit a pixel; kept at 24 bits where that memory is not to be had.
      grey = SmoothedEdges(BlackAndWhite(grey, enlargement));
      if (const dib bits = BitsOf(grey); bits.poi != nullptr) return ReplacePicture(&page, bits);
    }
    cv::cvtColor(grey, clean, cv::COLOR_GRAY2BGR);
  }
  clean.copyTo(pixels);
}

}  // namespace trellimap
