#pragma once
// Tiny pictures for testing the stages of finding a page one at a time:
// quads of one lightness on a ground of another, as a working copy (working
// pixels, pixel centres at whole numbers plus one half) or as a 24-bit
// picture, the quads' edges antialiased so that they lie where the corners
// say to a fraction of a pixel.

#include <opencv2/imgproc.hpp>
#include <vector>

#include "detect/stages.h"
#include "image/pixmill3.h"

namespace trellimap::testing {

struct Patch {
  Quad quad;  // clockwise, in pixels
  uint8_t lightness;
};

// Whether p lies inside the clockwise quad (or on its sides).
inline bool Inside(const Quad& quad, const Vec& p) {
  for (int i = 0; i < 4; ++i)
    if (Cross(quad[(i + 1) % 4] - quad[i], p - quad[i]) < 0) return false;
  return true;
}

// A w × h lightness of `ground` with the patches laid on it in turn, each
// pixel the mean over 8 × 8 points in it.
inline cv::Mat Lightness(int w, int h, uint8_t ground, const std::vector<Patch>& patches) {
  cv::Mat lightness(h, w, CV_8U);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double sum = 0;
      for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) {
          const Vec p{x + (i + 0.5) / 8, y + (j + 0.5) / 8};
          double level = ground;
          for (const Patch& patch : patches)
            if (Inside(patch.quad, p)) level = patch.lightness;
          sum += level;
        }
      lightness.at<uint8_t>(y, x) = static_cast<uint8_t>(std::lround(sum / 64));
    }
  return lightness;
}

// The working copy of such a lightness, with text closed away as the narrower closing does.
inline WorkingCopy CopyOf(int w, int h, uint8_t ground, const std::vector<Patch>& patches) {
  return MakeWorkingCopy(Lightness(w, h, ground, patches), 0.015);
}

// The axis-aligned quad from (x0, y0) to (x1, y1), clockwise on the screen.
inline Quad Box(double x0, double y0, double x1, double y1) { return {{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}}; }

// The quad with each corner moved by the matching offset.
inline Quad Moved(const Quad& quad, const Quad& by) {
  Quad moved;
  for (int i = 0; i < 4; ++i) moved[i] = quad[i] + by[i];
  return moved;
}

// The same as a grey 24-bit picture.
inline dib Picture(int w, int h, uint8_t ground, const std::vector<Patch>& patches) {
  const cv::Mat lightness = Lightness(w, h, ground, patches);
  dib picture{};
  newdib(&picture, w, h, 24, nullptr, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* pixel = picture.poi + static_cast<int64_t>(h - 1 - y) * picture.bytew + 3 * x;  // rows bottom-up
      pixel[0] = pixel[1] = pixel[2] = lightness.at<uint8_t>(y, x);
    }
  return picture;
}

// The page a quad stands for, sides straight along its sides.
inline Page PageOf(const Quad& quad, int polarity = 1) {
  Page page;
  page.polarity = polarity;
  page.rising.fill(polarity);
  for (int i = 0; i < 4; ++i) {
    page.corners[i] = quad[i];
    page.sides[i] = BaseLine(quad[i], quad[(i + 1) % 4]);
  }
  return page;
}

// A side from `a` to `b` bowing by `bow` at its middle as a parabola does,
// plus by `plateau` as 1 - (2u - 1)⁴ does: steeply at the ends, flat between;
// into the page for positive bows, back on its chord at the ends.
inline SideCurve Bowed(const Vec& a, const Vec& b, double bow, double plateau = 0) {
  SideCurve side = BaseLine(a, b);
  side.coefficients = {0, 4 * bow + 8 * plateau, -4 * bow - 24 * plateau, 32 * plateau, -16 * plateau};
  return side;
}

// The farthest any corner of `a` lies from the matching corner of `b`.
inline double CornerError(const Quad& a, const Quad& b) {
  double most = 0;
  for (int i = 0; i < 4; ++i) most = std::max(most, Distance(a[i], b[i]));
  return most;
}

}  // namespace trellimap::testing
