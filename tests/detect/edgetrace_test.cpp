// Reading a page's edge off the working copy: how far a side's edge runs on
// past a point, and an edge further inside than the side.

#include "detect/edgetrace.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace trellimap {
namespace {

constexpr int kSize = 240;

// A dark backdrop with a light page on the right of x = 100, its side
// running upwards so that the side's normal points into the page.
cv::Mat Backdrop() { return cv::Mat(kSize, kSize, CV_8U, cv::Scalar(60)); }
const SideCurve kSide = BaseLine({100, 200}, {100, 40});

struct InnerCase {
  const char* name;
  int shapeTo;           // a light shape on the page's edge up to this x (100: none)
  int bandFrom, bandTo;  // a dark band across the page (equal: none)
  bool found;
};

// Only a light shape between backdrop and page shows an edge inside the side;
// a plain side or a dark band across the page shows none.
TEST(InnerEdge, FindsThePageBeyondALightShapeOnly) {
  const InnerCase cases[] = {
      {"plain side", 100, 0, 0, false},
      {"light shape", 118, 0, 0, true},
      {"dark band inside", 100, 112, 122, false},
  };
  for (const InnerCase& c : cases) {
    cv::Mat lightness = Backdrop();
    lightness(cv::Rect(100, 0, kSize - 100, kSize)).setTo(235);
    lightness(cv::Rect(100, 0, c.shapeTo - 100, kSize)).setTo(200);
    lightness(cv::Rect(c.bandFrom, 0, c.bandTo - c.bandFrom, kSize)).setTo(70);
    const WorkingCopy copy = MakeWorkingCopy(lightness, 0.015);
    const std::vector<std::optional<Vec>> inner = InnerEdge(copy, kSide, 20, 140, 16, 40, 1, 0.008f);
    for (const std::optional<Vec>& p : inner) {
      EXPECT_EQ(p.has_value(), c.found) << c.name;
      if (p && c.found) {
        EXPECT_NEAR(p->x, c.shapeTo, 1.5) << c.name;
      }
    }
  }
}

// A side's edge runs on to the page's corner and no further, over gaps
// narrower than allowed; the way back along the side runs to the other corner.
TEST(RunsOn, EndsAtThePageCorner) {
  cv::Mat lightness = Backdrop();
  lightness(cv::Rect(100, 60, 100, 120)).setTo(235);  // the page: y from 60 to 180
  lightness(cv::Rect(90, 100, 30, 14)).setTo(60);     // a notch in its edge, y from 100 to 114
  const WorkingCopy copy = MakeWorkingCopy(lightness, 0.015);
  struct Case {
    double y;  // where to start on the side
    int way, gap;
    double ends;  // the y where the edge is expected to end
  };
  const Case cases[] = {{150, 1, 10, 60}, {150, -1, 10, 180}, {150, 1, 3, 114}, {50, 1, 10, 50}};
  for (const Case& c : cases) {
    const double run = RunsOn(copy, kSide, kSide.Along({100, c.y}), c.way, 1, 0.008f, c.gap, 200);
    EXPECT_NEAR(c.y - c.way * run, c.ends, 3) << "from " << c.y << " way " << c.way << " gap " << c.gap;
  }
}

// Readings kept from trace to trace give the trace a fresh reading gives,
// whichever bands and polarities came before, on a wavy edge in noise and
// on sides slanting every way (read along rows or along the side).
TEST(TraceEdge, KeptReadingsTraceAsFreshOnes) {
  cv::RNG random(3);
  cv::Mat lightness(kSize, kSize, CV_8U);
  random.fill(lightness, cv::RNG::UNIFORM, 50, 90);
  for (int y = 0; y < kSize; ++y)
    lightness.row(y).colRange(100 + static_cast<int>(6 * std::sin(y / 9.0)), kSize).setTo(220);
  const WorkingCopy copy = MakeWorkingCopy(lightness, 0.015);
  for (int trial = 0; trial < 12; ++trial) {
    const double tilt = random.uniform(-1.2, 1.2);
    const Vec from{120 - 80 * std::sin(tilt), 120 + 80 * std::cos(tilt)};
    const SideCurve side = BaseLine(from, {240 - from.x, 240 - from.y});
    const double length = 160;
    BandReadings kept(copy, side, 10, length - 10);
    for (int round = 0; round < 4; ++round) {
      const double band = random.uniform(1.0, 30.0);
      const int polarity = random.uniform(0, 2) == 0 ? -1 : 1;
      float keptStrength = 0, freshStrength = 0;
      const std::vector<Vec> fromKept = TraceEdge(kept, side, band, polarity, &keptStrength);
      const std::vector<Vec> fresh = TraceEdge(copy, side, 10, length - 10, band, polarity, &freshStrength);
      ASSERT_EQ(fromKept.size(), fresh.size()) << trial << " " << round;
      for (size_t i = 0; i < fresh.size(); ++i) {
        EXPECT_EQ(fromKept[i].x, fresh[i].x) << trial << " " << round;
        EXPECT_EQ(fromKept[i].y, fresh[i].y) << trial << " " << round;
      }
      EXPECT_EQ(keptStrength, freshStrength);
    }
  }
}

}  // namespace
}  // namespace trellimap
