// The regions below each of several thresholds, found in one pass, are those
// that labelling the picture afresh for each threshold finds: the same
// regions in the same order, with the same boxes, areas and pixels.

#include "detect/nestedregions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <opencv2/imgproc.hpp>
#include <random>

namespace trellimap {
namespace {

// A random picture of a few levels, in patches so that regions join and
// split as the threshold rises; now and then a pixel that is no number.
cv::Mat RandomPicture(std::mt19937& random) {
  const int width = std::uniform_int_distribution(1, 40)(random), height = std::uniform_int_distribution(1, 30)(random);
  const int patch = std::uniform_int_distribution(1, 4)(random);
  cv::Mat coarse(height / patch + 1, width / patch + 1, CV_32F);
  std::uniform_int_distribution level(0, 5);
  for (int y = 0; y < coarse.rows; ++y)
    for (int x = 0; x < coarse.cols; ++x) coarse.at<float>(y, x) = static_cast<float>(level(random));
  cv::Mat values(height, width, CV_32F);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      values.at<float>(y, x) =
          random() % 7 == 0 ? static_cast<float>(level(random)) : coarse.at<float>(y / patch, x / patch);
  if (random() % 3 == 0) values.at<float>(0, 0) = std::numeric_limits<float>::quiet_NaN();
  return values;
}

TEST(RegionsBelow, AreThoseOfLabellingEachThresholdAfresh) {
  std::mt19937 random(7);
  const std::vector<float> thresholds = {0, 1.5f, 2, 3.5f, 5};
  const RegionChoice all = [](const std::vector<RegionStats>& regions) {
    std::vector<size_t> every(regions.size());
    std::iota(every.begin(), every.end(), size_t{0});
    return every;
  };
  for (int picture = 0; picture < 300; ++picture) {
    const cv::Mat values = RandomPicture(random);
    const auto found = RegionsBelow(values, thresholds, all);
    ASSERT_EQ(found.size(), thresholds.size());
    for (size_t i = 0; i < thresholds.size(); ++i) {
      cv::Mat below, labels, stats, centroids;
      cv::compare(values, thresholds[i], below, cv::CMP_LE);
      const int count = cv::connectedComponentsWithStats(below, labels, stats, centroids, 4, CV_32S);
      ASSERT_EQ(found[i].size(), static_cast<size_t>(count - 1)) << picture << " below " << thresholds[i];
      for (int label = 1; label < count; ++label) {
        const ChosenRegion& region = found[i][label - 1];
        const cv::Rect box(stats.at<int>(label, cv::CC_STAT_LEFT), stats.at<int>(label, cv::CC_STAT_TOP),
                           stats.at<int>(label, cv::CC_STAT_WIDTH), stats.at<int>(label, cv::CC_STAT_HEIGHT));
        ASSERT_EQ(region.stats.box, box) << picture << " region " << label;
        EXPECT_EQ(region.stats.area, stats.at<int>(label, cv::CC_STAT_AREA));
        EXPECT_EQ(cv::countNonZero(region.mask != (labels(box) == label)), 0) << picture << " region " << label;
      }
    }
  }
}

// Only the regions chosen come back, in the order chosen.
TEST(RegionsBelow, GivesTheChosenRegionsInTheirOrder) {
  cv::Mat values(3, 7, CV_32F, cv::Scalar(9));
  values.colRange(0, 1).setTo(0);  // a column
  values.colRange(2, 5).setTo(0);  // a wider block
  values.at<float>(1, 6) = 0;      // one pixel
  const float threshold = 0;
  const auto found = RegionsBelow(values, {&threshold, 1}, [](const std::vector<RegionStats>& regions) {
    EXPECT_EQ(regions.size(), 3u);
    return std::vector<size_t>{1, 2};
  });
  ASSERT_EQ(found[0].size(), 2u);
  EXPECT_EQ(found[0][0].stats.box, cv::Rect(2, 0, 3, 3));
  EXPECT_EQ(found[0][1].stats.area, 1);
}

}  // namespace
}  // namespace trellimap
