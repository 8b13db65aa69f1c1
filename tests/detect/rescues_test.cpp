// The rescue passes on their own: a page cut short by a dark band across it
// grown back, and a page run round a light shape beside it trimmed.

#include <gtest/gtest.h>

#include "tests/detect/stagepictures.h"

namespace trellimap {
namespace {

using testing::Box;
using testing::CopyOf;
using testing::CornerError;

constexpr int kWidth = 240, kHeight = 180;
const Quad kPage = Box(50, 20, 190, 160);

// The lower part of a page below a dark band is grown to the whole page
// where the page's sides run on past the band; where the band parts the
// sides too, wider than the gaps an edge may have, the part stays as it is.
TEST(Extended, GrowsPastABandAcrossThePage) {
  struct Case {
    const char* name;
    Quad band;
    Quad expected;
  };
  const Quad part = Box(50, 76, 190, 160);
  const Case cases[] = {
      {"band inside the sides", Box(58, 64, 182, 76), kPage},
      {"band across the sides", Box(30, 52, 210, 76), part},
  };
  for (const Case& c : cases) {
    const WorkingCopy copy = CopyOf(kWidth, kHeight, 50, {{kPage, 235}, {c.band, 50}});
    const std::optional<Page> found = Follow(copy, part);
    ASSERT_TRUE(found) << c.name;
    ASSERT_LT(CornerError(Corners(*found), part), 1) << c.name;
    EXPECT_LT(CornerError(Corners(Extended(copy, *found)), c.expected), 1) << c.name;
  }
}

// A page whose right side runs round a light wedge beside it, from the
// page's top right corner out to the wedge's foot, is trimmed to its own
// edge; a band of colour along the whole side, alike in shape, is the page's
// own and stays.
TEST(Trimmed, LeavesALightShapeBesideThePage) {
  struct Case {
    const char* name;
    Quad shape;  // light, beside the page's right side
    Quad found, expected;
  };
  const Quad wedge{{{190, 20}, {212, 160}, {190, 160}, {190, 160}}};  // a triangle
  const Quad wedged{{{50, 20}, {190, 20}, {212, 160}, {50, 160}}};
  const Quad banded = Box(50, 20, 206, 160);
  const Case cases[] = {
      {"wedge", wedge, wedged, kPage},
      {"band along the side", Box(190, 20, 206, 160), banded, banded},
  };
  for (const Case& c : cases) {
    const WorkingCopy copy = CopyOf(kWidth, kHeight, 50, {{kPage, 235}, {c.shape, 190}});
    Page found = testing::PageOf(c.found);
    Score(copy, found);
    ASSERT_GT(found.score, 0.9) << c.name;
    EXPECT_LT(CornerError(Corners(Trimmed(copy, found)), c.expected), 1) << c.name;
  }
}

}  // namespace
}  // namespace trellimap
