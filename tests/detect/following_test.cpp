// Following a guess to a page on its own: the page's polarity, and sides
// traced from guesses that lie off the page's edges.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "tests/detect/stagepictures.h"

namespace trellimap {
namespace {

using testing::Box;
using testing::CopyOf;
using testing::CornerError;
using testing::Moved;

constexpr int kWidth = 240, kHeight = 180;
// A page seen at an angle: no side runs along the pixel grid.
const Quad kPage{{{52, 31}, {191, 44}, {183, 152}, {41, 139}}};

struct PolarityCase {
  const char* name;
  uint8_t ground, page;
  int polarity;
};

// The polarity says whether the quad is lighter inside than around it,
// whatever the two lightnesses, and also from a guess a few pixels off.
TEST(PolarityOf, TellsLighterInsideFromDarker) {
  const PolarityCase cases[] = {
      {"white page on dark", 50, 235, 1},
      {"grey page on darker", 90, 140, 1},
      {"dark block on white", 235, 60, -1},
      {"grey block on light grey", 200, 150, -1},
  };
  const Quad off[] = {{}, {{{4, -3}, {-2, 4}, {3, 3}, {-4, -2}}}};
  for (const PolarityCase& c : cases) {
    const WorkingCopy copy = CopyOf(kWidth, kHeight, c.ground, {{kPage, c.page}});
    for (const Quad& by : off) EXPECT_EQ(PolarityOf(copy, Moved(kPage, by)), c.polarity) << c.name;
  }
}

// A sheet held up between a bright window above and a dark table below:
// darker than what lies beyond its top, lighter than what lies beyond its
// bottom. A side takes the other polarity only where the level clearly says so.
TEST(RisingOf, TellsEachSideItsOwnPolarity) {
  struct Case {
    const char* name;
    uint8_t above, below, page;
    std::array<int, 4> rising;
  } const cases[] = {
      {"on one ground", 50, 50, 235, {1, 1, 1, 1}},
      {"window above, table below", 250, 40, 190, {-1, 1, 1, 1}},
      {"barely brighter above", 196, 40, 190, {1, 1, 1, 1}},
      {"dark page, light above", 240, 40, 90, {-1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    const WorkingCopy copy = CopyOf(kWidth, kHeight, c.below, {{Box(0, 0, kWidth, 60), c.above}, {kPage, c.page}});
    const int polarity = PolarityOf(copy, kPage);
    const std::array<int, 4> rising = RisingOf(copy, kPage, polarity);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(rising[i], c.rising[i]) << c.name << " side " << i + 1;
  }
}

// Followed from a guess off its corners, such a sheet is found all round.
TEST(Follow, FindsASheetDarkerThanWhatLiesBeyondOneSide) {
  const WorkingCopy copy = CopyOf(kWidth, kHeight, 40, {{Box(0, 0, kWidth, 60), 250}, {kPage, 190}});
  const std::optional<Page> page = Follow(copy, Moved(kPage, {{{-3, 2}, {2, 3}, {3, -2}, {-2, -3}}}));
  ASSERT_TRUE(page);
  EXPECT_LT(CornerError(Corners(*page), kPage), 1.5);
  // Its sides down show its edge but where they pass the window's sill.
  EXPECT_GE(page->score, 0.9);
}

// A bottom in a soft shadow on a ground lighter than the page: the level
// beyond the side tells the other polarity, but the page's own edge, sharp
// where the shadow ends at the paper, shows more strongly, and is kept.
TEST(Follow, KeepsThePagesPolarityWhereItsEdgeShowsMore) {
  const Vec outward = (kPage[3] - kPage[0]) / Distance(kPage[3], kPage[0]);
  const auto band = [&](double from, double to) {
    return Quad{
        {kPage[3] + from * outward, kPage[2] + from * outward, kPage[2] + to * outward, kPage[3] + to * outward}};
  };
  std::vector<testing::Patch> patches{{band(0, 30), 255}, {band(0, 4), 60}};
  for (int k = 0; k < 3; ++k) patches.push_back({band(4 + k, 5 + k), static_cast<uint8_t>(110 + 45 * k)});
  patches.push_back({kPage, 220});
  const WorkingCopy copy = CopyOf(kWidth, kHeight, 60, patches);
  ASSERT_EQ(RisingOf(copy, kPage, 1)[2], -1);
  const std::optional<Page> page = Follow(copy, kPage);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->rising[2], 1);
  EXPECT_LT(CornerError(Corners(*page), kPage), 1.5);
}

struct FollowCase {
  const char* name;
  Quad offsets;  // the guess's corners off the page's
  uint8_t ground, page;
};

// From guesses off the page's corners by up to a tenth of its size, in any
// direction, the page's corners are found to within a working pixel
// or two (refining at full resolution does the rest), its sides bowing by
// little more than that, and its edges showing all along.
TEST(Follow, FindsThePageFromAGuessNearIt) {
  const FollowCase cases[] = {
      {"on the page", {}, 50, 235},
      {"shifted right", {{{5, 0}, {5, 0}, {5, 0}, {5, 0}}}, 50, 235},
      {"too small", {{{6, 5}, {-6, 5}, {-6, -5}, {6, -5}}}, 50, 235},
      {"too large", {{{-7, -6}, {7, -6}, {7, 6}, {-7, 6}}}, 50, 235},
      // Further off than the first band reaches: found by looking wider.
      {"well inside", {{{14, 12}, {-14, 12}, {-14, -12}, {14, -12}}}, 50, 235},
      {"twisted", {{{3, -4}, {4, 3}, {-3, 4}, {-4, -3}}}, 50, 235},
      {"low contrast", {{{-3, 2}, {2, 3}, {3, -2}, {-2, -3}}}, 170, 215},
      {"dark on light", {{{-3, 2}, {2, 3}, {3, -2}, {-2, -3}}}, 230, 70},
  };
  for (const FollowCase& c : cases) {
    const WorkingCopy copy = CopyOf(kWidth, kHeight, c.ground, {{kPage, c.page}});
    const std::optional<Page> page = Follow(copy, Moved(kPage, c.offsets));
    ASSERT_TRUE(page) << c.name;
    EXPECT_LT(CornerError(Corners(*page), kPage), 1.5) << c.name;
    EXPECT_EQ(page->polarity, c.page > c.ground ? 1 : -1) << c.name;
    for (int i = 0; i < 4; ++i)
      EXPECT_LT(std::abs(SignedBow(*page, i)), 0.015 * Diagonal(*page)) << c.name << " side " << i + 1;
    EXPECT_GE(page->score, 0.95) << c.name;
  }
}

// A guess on a picture without edges keeps its place and scores nothing; a
// guess that no page could be (turning the wrong way, or a sliver) leads to none.
TEST(Follow, FindsNothingWhereNoPageIs) {
  const WorkingCopy blank = CopyOf(kWidth, kHeight, 128, {});
  const std::optional<Page> kept = Follow(blank, kPage);
  ASSERT_TRUE(kept);
  EXPECT_LT(CornerError(Corners(*kept), kPage), 1e-6);
  EXPECT_EQ(kept->score, 0);
  const WorkingCopy copy = CopyOf(kWidth, kHeight, 50, {{kPage, 235}});
  const Quad backwards{{kPage[3], kPage[2], kPage[1], kPage[0]}};
  EXPECT_FALSE(Follow(copy, backwards));
  EXPECT_FALSE(Follow(copy, Box(100, 90, 104, 93)));
}

}  // namespace
}  // namespace trellimap
