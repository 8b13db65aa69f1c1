#pragma once
// The pictures detection works on: a reduced grey copy, its edges made plain
// (text and rules closed away, brightness taken as a logarithm so a shadow
// changes nothing but an offset), and the full picture read in place for the
// last, sub-pixel step.

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
// slightly blurred, with its gradient.
struct WorkingCopy {
  cv::Mat lightness, level, gradientX, gradientY, gradient;
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

// The working level of a lightness (0 to 255): its logarithm, offset so that
// black stays finite; and the lightness a level stands for, of one value or
// of every element of a float matrix (OpenCV's own exponential).
float LevelOf(float lightness);
float LightnessOf(float level);
cv::Mat LightnessOf(const cv::Mat& level);

// The value of a one-channel float matrix at (x, y), bilinear, clamped at the border.
float Sample(const cv::Mat& m, double x, double y);
inline float Sample(const cv::Mat& m, const Vec& p) { return Sample(m, p.x, p.y); }

}  // namespace trellimap
