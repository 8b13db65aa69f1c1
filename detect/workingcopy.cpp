#include "detect/workingcopy.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "detect/tuning.h"
#include "foundation/workers.h"
#include "image/pixmill3.h"

namespace trellimap {

using namespace tuning;

FullPicture::FullPicture(const dib& picture) : width_(DibWidth(&picture)), height_(DibHeight(&picture)) {
  if (DibBitCount(&picture) == 24) {
    colour_ = cv::Mat(height_, width_, CV_8UC3, picture.poi, static_cast<size_t>(picture.bytew));
    bottomUp_ = true;
    return;
  }
  colour_.create(height_, width_, CV_8UC3);
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = colour_.ptr<uint8_t>(y);
    for (int x = 0; x < width_; ++x) {
      const uint32_t c = DibPixelColour(picture, x, y);  // red in the low byte
      row[3 * x] = static_cast<uint8_t>(c >> 16);
      row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(c);
    }
  }
}

float FullPicture::Luma(int x, int y) const {
  x = std::clamp(x, 0, width_ - 1);
  y = std::clamp(y, 0, height_ - 1);
  const uint8_t* p = colour_.ptr<uint8_t>(bottomUp_ ? height_ - 1 - y : y) + 3 * x;
  return 0.114f * p[0] + 0.587f * p[1] + 0.299f * p[2];
}

float FullPicture::Grey(double x, double y) const {
  x -= 0.5;
  y -= 0.5;
  const double fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const float tx = static_cast<float>(x - fx), ty = static_cast<float>(y - fy);
  const float top = Luma(ix, iy) * (1 - tx) + Luma(ix + 1, iy) * tx;
  const float bottom = Luma(ix, iy + 1) * (1 - tx) + Luma(ix + 1, iy + 1) * tx;
  return top * (1 - ty) + bottom * ty;
}

float LevelOf(float lightness) { return std::log(lightness + kLevelOffset); }

float LightnessOf(float level) { return std::exp(level) - kLevelOffset; }

cv::Mat LightnessOf(const cv::Mat& level) {
  cv::Mat lightness;
  cv::exp(level, lightness);
  cv::subtract(lightness, kLevelOffset, lightness);
  return lightness;
}

cv::Mat ReducedLightness(const FullPicture& picture, int longSide, double* scale) {
  const int longer = std::max(picture.Width(), picture.Height());
  bool flipped = false;
  const cv::Mat& colour = picture.Colour(&flipped);
  // A large picture is first reduced by a whole factor, each pixel the mean
  // of a square of picture pixels (the fast way to average), to no less than
  // `longSide`; the last few rows and columns that make no whole square are
  // left out. Then to `longSide` itself, so that the working copy has the
  // same size however large the picture was read.
  cv::Mat reduced = colour;
  double kept = 1;  // the share of the picture's width the first step keeps
  if (const int factor = longer / longSide; factor >= 2) {
    const cv::Size size(picture.Width() / factor, picture.Height() / factor);
    const int rows = size.height * factor;
    const cv::Mat whole = colour(cv::Rect(0, flipped ? colour.rows - rows : 0, size.width * factor, rows));
    // In two halves at once, each of whole squares: the same means as in one go.
    reduced.create(size, colour.type());
    const int half = size.height / 2;
    RunWorkers(2, [&](int part) {
      const int from = part == 0 ? 0 : half, to = part == 0 ? half : size.height;
      cv::Mat into = reduced.rowRange(from, to);
      cv::resize(whole.rowRange(from * factor, to * factor), into, into.size(), 0, 0, cv::INTER_AREA);
    });
    kept = static_cast<double>(size.width * factor) / picture.Width();
  }
  const double share = std::min(1.0, static_cast<double>(longSide) / std::max(reduced.cols, reduced.rows));
  const cv::Size size(std::max(1, static_cast<int>(std::lround(reduced.cols * share))),
                      std::max(1, static_cast<int>(std::lround(reduced.rows * share))));
  if (size != reduced.size()) cv::resize(reduced, reduced, size, 0, 0, cv::INTER_AREA);
  *scale = static_cast<double>(size.width) / (picture.Width() * kept);
  cv::Mat lightness;  // always a copy: `reduced` may still be the picture itself
  cv::cvtColor(reduced, lightness, cv::COLOR_BGR2GRAY);
  if (flipped) cv::flip(lightness, lightness, 0);
  return lightness;
}

WorkingCopy MakeWorkingCopy(const cv::Mat& lightness, double closing) {
  WorkingCopy copy;
  copy.lightness = lightness;
  // Close dark strokes (text, rules) narrower than `closing` of the picture:
  // the page becomes one even region whose outline closing leaves in place.
  const int k =
      std::max(kLeastClosing, static_cast<int>(std::lround(closing * std::max(lightness.cols, lightness.rows))) | 1);
  cv::Mat closed;
  cv::morphologyEx(copy.lightness, closed, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_ELLIPSE, {k, k}));
  cv::Mat table(1, 256, CV_32F);
  for (int i = 0; i < 256; ++i) table.at<float>(i) = LevelOf(static_cast<float>(i));
  cv::LUT(closed, table, copy.level);
  cv::GaussianBlur(copy.level, copy.level, {0, 0}, kLevelBlur);
  cv::Mat slopeX, slopeY;
  cv::Sobel(copy.level, slopeX, CV_32F, 1, 0, 3, kSobelScale);
  cv::Sobel(copy.level, slopeY, CV_32F, 0, 1, 3, kSobelScale);
  cv::magnitude(slopeX, slopeY, copy.gradient);
  cv::merge(std::vector<cv::Mat>{slopeX, slopeY}, copy.slope);
  cv::Mat trend, detail, detailX, detailY;
  cv::GaussianBlur(copy.level, trend, {0, 0}, kTrendBlur * std::max(lightness.cols, lightness.rows));
  cv::subtract(copy.level, trend, detail);
  cv::Sobel(detail, detailX, CV_32F, 1, 0, 3, kSobelScale);
  cv::Sobel(detail, detailY, CV_32F, 0, 1, 3, kSobelScale);
  cv::magnitude(detailX, detailY, copy.sharpness);
  return copy;
}

WorkingCopy TurnedQuarter(const WorkingCopy& copy) {
  WorkingCopy turned;
  const auto turn = [](const cv::Mat& m, cv::Mat& into) { cv::rotate(m, into, cv::ROTATE_90_CLOCKWISE); };
  turn(copy.lightness, turned.lightness);
  turn(copy.level, turned.level);
  turn(copy.gradient, turned.gradient);
  turn(copy.sharpness, turned.sharpness);
  // A slope (sx, sy) is (-sy, sx) on the turned copy.
  cv::Mat slope, parts[2];
  turn(copy.slope, slope);
  cv::split(slope, parts);
  cv::merge(std::vector<cv::Mat>{-parts[1], parts[0]}, turned.slope);
  return turned;
}

}  // namespace trellimap
