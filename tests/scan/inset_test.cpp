// Trimming a margin off a flat page.

#include "scan/inset.h"

#include <gtest/gtest.h>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

// Pixels come off each side, or percent of the width across and of the
// height down; an inset that would leave nothing leaves an empty rectangle.
TEST(KeptAfter, TrimsEachSide) {
  const struct {
    PageInset inset;
    Kept kept;
  } cases[] = {
      {{0, false}, {0, 0, 400, 600}},
      {{10, false}, {10, 10, 380, 580}},
      {{5, true}, {20, 30, 360, 540}},
      {{2.4, false}, {2, 2, 396, 596}},
      {{199, false}, {199, 199, 2, 202}},
      {{200, false}, {}},
      {{49.9, true}, {}},
      {{-3, false}, {0, 0, 400, 600}},
  };
  for (const auto& c : cases) {
    const Kept k = KeptAfter(400, 600, c.inset);
    EXPECT_EQ(k.left, c.kept.left) << c.inset.amount;
    EXPECT_EQ(k.top, c.kept.top) << c.inset.amount;
    EXPECT_EQ(k.width, c.kept.width) << c.inset.amount;
    EXPECT_EQ(k.height, c.kept.height) << c.inset.amount;
  }
}

// The trimmed page holds the page's own pixels from the kept rectangle, each
// where it was less the margin; a page the inset would leave nothing of stays.
TEST(TrimInset, KeepsThePixelsInside) {
  dib page{};
  newdib(&page, 30, 20, 24, nullptr, 0);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) setpixel(page, x, y, static_cast<uint32_t>(x | y << 8 | (x + y) << 16));
  EXPECT_FALSE(TrimInset(page, {10, false}));
  EXPECT_EQ(DibHeight(&page), 20);
  ASSERT_TRUE(TrimInset(page, {3, false}));
  ASSERT_EQ(DibWidth(&page), 24);
  ASSERT_EQ(DibHeight(&page), 14);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 24; ++x)
      EXPECT_EQ(getpixel(page, x, y), static_cast<uint32_t>((x + 3) | (y + 3) << 8 | (x + y + 6) << 16));
  ReleaseDib(&page);
}

}  // namespace
}  // namespace trellimap
