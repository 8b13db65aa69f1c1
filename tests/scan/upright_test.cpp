// Turning a flat page's text upright, on pages of real text drawn in the
// machine's fonts at several sizes, turned every way.

#include "scan/upright.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "image/pixmill3.h"
#include "tests/support/textpages.h"

namespace trellimap {
namespace {

cv::Mat GreyOf(const dib& page) {
  cv::Mat stored(DibHeight(&page), DibWidth(&page), CV_8UC3, page.poi, static_cast<size_t>(page.bytew)), grey;
  cv::cvtColor(stored, grey, cv::COLOR_BGR2GRAY);
  cv::flip(grey, grey, 0);
  return grey;
}

// A quarter turn clockwise takes the top left to the top right; four bring
// the page back as it was.
TEST(TurnPage, TurnsClockwiseByQuarters) {
  dib page{};
  newdib(&page, 5, 3, 24, nullptr, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) setpixel(page, x, y, static_cast<uint32_t>(10 * y + x));
  ASSERT_TRUE(TurnPage(page, 1));
  ASSERT_EQ(DibWidth(&page), 3);
  ASSERT_EQ(DibHeight(&page), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(getpixel(page, x, y), static_cast<uint32_t>(10 * (2 - x) + y));
  ASSERT_TRUE(TurnPage(page, 3));
  ASSERT_TRUE(TurnPage(page, -2));
  ASSERT_TRUE(TurnPage(page, 2));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(getpixel(page, x, y), static_cast<uint32_t>(10 * y + x));
  ReleaseDib(&page);
}

// Each stage on its own: a page's lines run across it and not once it is
// turned a quarter; its ascenders stand out over its lines, and hang below
// them once it is upside down.
TEST(UprightEvidence, TellsTheLinesAndTheirWayUp) {
  dib page = testing::TextPagePicture({"serif", 18, 500, 700});
  const cv::Mat grey = GreyOf(page);
  const Letters letters = LettersOf(grey);
  EXPECT_EQ(LinesRunAcross(letters), true);
  EXPECT_EQ(LinesRunAcross(TurnedQuarter(letters)), false);
  EXPECT_GT(UprightEvidence(letters), 0);
  cv::Mat upsideDown;
  cv::rotate(grey, upsideDown, cv::ROTATE_180);
  EXPECT_LT(UprightEvidence(LettersOf(upsideDown)), 0);
  ReleaseDib(&page);
}

// Pages in three families at three sizes, turned every way, come back
// upright; a page without text stays as it is.
TEST(UprightTurns, TurnsTextUprightWhateverItsFontAndSize) {
  int right = 0, all = 0;
  for (const char* family : {"serif", "sans-serif", "monospace"})
    for (const double size : {13.0, 19.0, 28.0})
      for (int turn = 0; turn < 4; ++turn) {
        dib page = testing::TextPagePicture({family, size, 620, 860, size > 20});
        ASSERT_TRUE(TurnPage(page, turn));
        const int found = UprightTurns(page);
        ++all, right += found == (4 - turn) % 4;
        EXPECT_EQ(found, (4 - turn) % 4) << family << " " << size << " turned " << turn;
        ReleaseDib(&page);
      }
  EXPECT_GE(right, 0.95 * all);
  EXPECT_EQ(UprightTurns(cv::Mat(400, 300, CV_8U, cv::Scalar(240))), 0);
}

}  // namespace
}  // namespace trellimap
