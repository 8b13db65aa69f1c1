// The working copy's level: the logarithm of the lightness, and its inverse
// for one value and for a whole matrix.

#include "detect/workingcopy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/core.hpp>

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

}  // namespace
}  // namespace trellimap
