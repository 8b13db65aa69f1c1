#pragma once
// The pictures detection works on: a reduced grey copy, its edges made plain
// (text and rules closed away, brightness taken as a logarithm so a shadow
// changes nothing but an offset), and the full picture read in place for the
// last, sub-pixel step.

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>

#include "image/dib.h"
#include "warp/vec.h"

namespace trellimap {

// The picture at full resolution, top row first, as grey values read with
// bilinear interpolation; 24-bit pictures are read in place.
class FullPicture {
 public:
  explicit FullPicture(const dib& picture);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Lightness at (x, y), pixel centres at whole numbers plus one half; clamped at the border.
  float Grey(double x, double y) const;
  // The picture as a BGR matrix without copying where possible (rows top-down
  // only in `flipped` = false; a 24-bit picture is wrapped bottom-up).
  const cv::Mat& Colour(bool* flipped) const {
    *flipped = bottomUp_;
    return colour_;
  }

 private:
  float Luma(int x, int y) const;
  cv::Mat colour_;  // wraps the picture's rows, or a copy when it is not 24 bits
  bool bottomUp_ = false;
  int width_ = 0, height_ = 0;
};

// The reduced copy: grey `lightness` (8 bits), and `level`, the logarithm of
// the lightness with dark details narrower than a text line closed away and
// slightly blurred, with its gradient: `slope` its two components side by
// side (x then y, read together where an edge is traced) and `gradient` its size.
struct WorkingCopy {
  cv::Mat lightness, level, slope, gradient;
  // The strength of sharp edges alone: the gradient of the level less its
  // broad trends, so that a shadow's soft border does not count.
  cv::Mat sharpness;
};

// The picture's lightness reduced to a longer side of about `longSide`
// pixels, and the working pixels per picture pixel.
cv::Mat ReducedLightness(const FullPicture& picture, int longSide, double* scale);

// Makes the working copy of a reduced lightness, closing away dark strokes
// narrower than `closing` of its longer side.
WorkingCopy MakeWorkingCopy(const cv::Mat& lightness, double closing);

// The working copy turned a quarter clockwise, its slopes turned with it:
// text that runs down the picture runs across the turned copy. A point
// (x, y) of the copy is (rows - y, x) on the turned one.
WorkingCopy TurnedQuarter(const WorkingCopy& copy);

// The working level of a lightness (0 to 255): its logarithm, offset so that
// black stays finite; and the lightness a level stands for, of one value or
// of every element of a float matrix (OpenCV's own exponential).
float LevelOf(float lightness);
float LightnessOf(float level);
cv::Mat LightnessOf(const cv::Mat& level);

namespace bilinear {

// The four elements of a float matrix around (x, y) and the weights of the
// right and lower ones, clamped at the border; and channel `c` of `channels`
// there, bilinear. Inline: edges are traced by many thousands of them.
struct Around {
  int ix, jx, iy, jy;
  float tx, ty;
};
inline Around AroundOf(const cv::Mat& m, double x, double y) {
  x -= 0.5;
  y -= 0.5;
  const double fx = std::floor(x), fy = std::floor(y);
  const int ix = std::clamp(static_cast<int>(fx), 0, m.cols - 1), iy = std::clamp(static_cast<int>(fy), 0, m.rows - 1);
  return {ix,
          std::min(ix + 1, m.cols - 1),
          iy,
          std::min(iy + 1, m.rows - 1),
          static_cast<float>(std::clamp(x - fx, 0.0, 1.0)),
          static_cast<float>(std::clamp(y - fy, 0.0, 1.0))};
}
inline float Between(const cv::Mat& m, const Around& a, int channels, int c) {
  const float* r0 = m.ptr<float>(a.iy);
  const float* r1 = m.ptr<float>(a.jy);
  const int i = a.ix * channels + c, j = a.jx * channels + c;
  return (r0[i] * (1 - a.tx) + r0[j] * a.tx) * (1 - a.ty) + (r1[i] * (1 - a.tx) + r1[j] * a.tx) * a.ty;
}

}  // namespace bilinear

// The value of a one-channel float matrix at (x, y), bilinear, clamped at the border.
inline float Sample(const cv::Mat& m, double x, double y) {
  return bilinear::Between(m, bilinear::AroundOf(m, x, y), 1, 0);
}
inline float Sample(const cv::Mat& m, const Vec& p) { return Sample(m, p.x, p.y); }
// The same of a two-channel float matrix, both channels at once.
inline Vec SamplePair(const cv::Mat& m, const Vec& p) {
  const bilinear::Around a = bilinear::AroundOf(m, p.x, p.y);
  return {bilinear::Between(m, a, 2, 0), bilinear::Between(m, a, 2, 1)};
}

}  // namespace trellimap
