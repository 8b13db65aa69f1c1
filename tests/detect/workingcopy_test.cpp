// The working copy's level: the logarithm of the lightness, and its inverse
// for one value and for a whole matrix.

#include "detect/workingcopy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <string>
#include <utility>
#include <vector>

#include "detect/stages.h"
#include "image/pixmill3.h"

// OpenCV works in the calling thread alone, as finding a page has it, also
// for the stages tested on their own: its own pool would be threads no test
// of ours accounts for.
namespace {
class OpenCvInTheCallingThread : public ::testing::Environment {
 public:
  void SetUp() override { cv::setNumThreads(0); }
};
const ::testing::Environment* const kOpenCvInTheCallingThread =
    ::testing::AddGlobalTestEnvironment(new OpenCvInTheCallingThread);
}  // namespace

namespace trellimap {
namespace {

// Every lightness comes back from its level; levels grow with the lightness
// and a step of lightness counts less on light than on dark ground.
TEST(Level, LightnessComesBackFromItsLevel) {
  for (int lightness = 0; lightness < 256; ++lightness) {
    const float level = LevelOf(static_cast<float>(lightness));
    EXPECT_TRUE(std::isfinite(level));
    EXPECT_NEAR(LightnessOf(level), lightness, 1e-3 * (1 + lightness)) << lightness;
    if (lightness > 0) {
      const float below = LevelOf(lightness - 1.0f), further = LevelOf(lightness - 2.0f);
      EXPECT_GT(level, below) << lightness;
      if (lightness > 1) {
        EXPECT_LT(level - below, below - further) << lightness;
      }
    }
  }
}

// The matrix inverse agrees with the inverse of each value.
TEST(Level, MatrixInverseAgreesWithTheValues) {
  cv::Mat level(16, 16, CV_32F);
  for (int i = 0; i < 256; ++i) level.at<float>(i / 16, i % 16) = LevelOf(static_cast<float>(i));
  const cv::Mat lightness = LightnessOf(level);
  ASSERT_EQ(lightness.type(), CV_32F);
  for (int i = 0; i < 256; ++i) EXPECT_NEAR(lightness.at<float>(i / 16, i % 16), i, 1e-3 * (1 + i)) << i;
}

// The working copy's level is the level of its closed lightness: an even
// picture's level is the level of its lightness everywhere.
TEST(MakeWorkingCopy, LevelsAnEvenPicture) {
  for (const int lightness : {0, 90, 255}) {
    const WorkingCopy copy = MakeWorkingCopy(cv::Mat(40, 60, CV_8U, cv::Scalar(lightness)), 0.015);
    EXPECT_NEAR(Sample(copy.level, 30, 20), LevelOf(static_cast<float>(lightness)), 1e-5) << lightness;
    EXPECT_NEAR(Sample(copy.gradient, 30, 20), 0, 1e-6) << lightness;
  }
}

// Any picture larger than the working copy becomes one of the same longer
// side, whatever its size; a dark square shows where the scale says it is;
// and the picture itself is left as it was, also where nothing is resized.
TEST(ReducedLightness, LargePicturesGiveOneSizeAndTheirScale) {
  constexpr int kLong = 660;
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{
           {200, 150}, {660, 400}, {700, 500}, {1321, 990}, {2448, 3264}, {4000, 3000}, {5000, 300}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    dib picture{};
    newdib(&picture, w, h, 24, nullptr, 0);
    ASSERT_NE(picture.poi, nullptr);
    // White, with a black square from a fifth to two fifths of each side.
    const int x0 = w / 5, x1 = 2 * w / 5, y0 = h / 5, y1 = 2 * h / 5;
    for (int y = 0; y < h; ++y) {
      uint8_t* row = picture.poi + static_cast<size_t>(h - 1 - y) * picture.bytew;  // rows bottom-up
      for (int x = 0; x < w; ++x) std::fill_n(row + 3 * x, 3, x >= x0 && x < x1 && y >= y0 && y < y1 ? 0 : 255);
    }
    const std::vector<uint8_t> before(picture.poi, picture.poi + static_cast<size_t>(picture.bytew) * h);
    double scale = 0;
    const cv::Mat lightness = ReducedLightness(FullPicture(picture), kLong, &scale);
    EXPECT_EQ(std::max(lightness.cols, lightness.rows), std::min(kLong, std::max(w, h)));
    const cv::Mat dark = lightness < 128;
    const cv::Moments m = cv::moments(dark, true);
    EXPECT_NEAR(m.m10 / m.m00 + 0.5, (x0 + x1) / 2.0 * scale, 1.0);
    EXPECT_NEAR(m.m01 / m.m00 + 0.5, (y0 + y1) / 2.0 * scale, 1.0);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), picture.poi));
    ReleaseDib(&picture);
  }
}

// The copy turned a quarter reads at each turned point what the copy reads at
// the point, its slopes turned too; a page turned and turned back is the
// page, and a bent side of the turned page runs through the turned points.
TEST(TurnedQuarter, ReadsAtTheTurnedPoints) {
  cv::RNG random(5);
  cv::Mat lightness(90, 140, CV_8U);
  random.fill(lightness, cv::RNG::UNIFORM, 40, 230);
  cv::GaussianBlur(lightness, lightness, {0, 0}, 3);
  const WorkingCopy copy = MakeWorkingCopy(lightness, 0.015), turned = TurnedQuarter(copy);
  const int rows = lightness.rows;
  const auto turn = [rows](const Vec& p) { return Vec{rows - p.y, p.x}; };
  for (int i = 0; i < 200; ++i) {
    const Vec p{random.uniform(1.0, 139.0), random.uniform(1.0, 89.0)};
    EXPECT_NEAR(Sample(turned.level, turn(p)), Sample(copy.level, p), 1e-5);
    EXPECT_NEAR(Sample(turned.sharpness, turn(p)), Sample(copy.sharpness, p), 1e-5);
    const Vec slope = SamplePair(copy.slope, p), turnedSlope = SamplePair(turned.slope, turn(p));
    EXPECT_NEAR(turnedSlope.x, -slope.y, 1e-5);
    EXPECT_NEAR(turnedSlope.y, slope.x, 1e-5);
  }
  Page page;
  const Quad quad = {Vec{20, 10}, Vec{120, 18}, Vec{110, 80}, Vec{15, 70}};
  for (int i = 0; i < 4; ++i) {
    page.sides[i] = BaseLine(quad[i], quad[(i + 1) % 4]);
    page.sides[i].coefficients = {0, 6, -6};  // bowing into the page
    page.corners[i] = quad[i];
  }
  const Page there = TurnedQuarter(page, rows), back = TurnedBack(there, rows);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(Distance(back.corners[i], page.corners[i]), 0, 1e-9);
    EXPECT_NEAR(Distance(there.corners[i], turn(page.corners[i])), 0, 1e-9);
    for (const double t : {0.0, 20.0, 55.0})
      EXPECT_NEAR(Distance(there.sides[i].At(t), turn(page.sides[i].At(t))), 0, 1e-9);
  }
}

}  // namespace
}  // namespace trellimap
