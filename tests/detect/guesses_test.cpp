// First guesses on their own: rough quads around a page, quads grown around
// blocks of text, and parts of a page joined.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "detect/tuning.h"
#include "tests/detect/stagepictures.h"

namespace trellimap {
namespace {

using testing::Box;
using testing::CopyOf;
using testing::CornerError;
using testing::PageOf;

constexpr int kWidth = 240, kHeight = 180;

struct GuessCase {
  const char* name;
  uint8_t ground;
  std::vector<testing::Patch> patches;
  Quad page;  // the quad one of the guesses is expected near
};

// Among the guesses, never more than are followed, lies one near the page,
// within the reach of following it, whether the page stands out by its edge
// or only by its text.
TEST(FirstGuesses, HoldOneNearThePage) {
  const Quad tilted{{{52, 31}, {191, 44}, {183, 152}, {41, 139}}};
  const GuessCase cases[] = {
      {"white page on dark", 50, {{tilted, 235}}, tilted},
      {"page among other shapes", 50, {{Box(5, 5, 40, 30), 180}, {tilted, 235}, {Box(200, 150, 235, 175), 90}}, tilted},
      // A page as light as what it lies on: its text, a dark block, is all that shows.
      {"text block on white", 235, {{Box(70, 50, 170, 130), 40}}, Box(70, 50, 170, 130)},
  };
  for (const GuessCase& c : cases) {
    const std::vector<Quad> guesses = FirstGuesses(CopyOf(kWidth, kHeight, c.ground, c.patches));
    EXPECT_LE(guesses.size(), tuning::kMostGuesses) << c.name;
    double nearest = 1e300;
    for (const Quad& guess : guesses) nearest = std::min(nearest, CornerError(guess, c.page));
    EXPECT_LT(nearest, 0.04 * std::hypot(kWidth, kHeight)) << c.name;
  }
}

// A quad grown keeps its centre, and each corner moves away from it along
// the same ray to `factor` times its distance.
TEST(Grown, ScalesAboutTheCentre) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int round = 0; round < 50; ++round) {
    Quad quad;
    for (Vec& p : quad) p = {100 + 80 * unit(random), 100 + 80 * unit(random)};
    const double factor = 1 + 0.5 * unit(random);
    const Quad grown = Grown(quad, factor);
    Vec centre{0, 0}, grownCentre{0, 0};
    for (int i = 0; i < 4; ++i) centre += quad[i] / 4, grownCentre += grown[i] / 4;
    EXPECT_LT(Distance(centre, grownCentre), 1e-9);
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(Distance(centre, grown[i]), factor * Distance(centre, quad[i]), 1e-9);
      EXPECT_NEAR(Cross(quad[i] - centre, grown[i] - centre), 0, 1e-6);
    }
  }
}

// Only guesses darker inside than around them (text) are grown, each by
// every growth in turn, in the order of the guesses.
TEST(AroundText, GrowsOnlyDarkBlocks) {
  const Quad text = Box(40, 40, 100, 120), light = Box(140, 40, 200, 120);
  const WorkingCopy copy = CopyOf(kWidth, kHeight, 150, {{text, 40}, {light, 235}});
  struct Case {
    std::vector<Quad> guesses;
    std::vector<Quad> grown;
  };
  const Case cases[] = {
      {{light}, {}},
      {{text}, {Grown(text, 1.1), Grown(text, 1.2), Grown(text, 1.3)}},
      {{light, text, light, text},
       {Grown(text, 1.1), Grown(text, 1.2), Grown(text, 1.3), Grown(text, 1.1), Grown(text, 1.2), Grown(text, 1.3)}},
  };
  for (const Case& c : cases) {
    const std::vector<Quad> grown = AroundText(copy, c.guesses);
    ASSERT_EQ(grown.size(), c.grown.size());
    for (size_t i = 0; i < grown.size(); ++i) EXPECT_LT(CornerError(grown[i], c.grown[i]), 1e-9);
  }
}

// Two parts of a page lying side by side join into the quad around both;
// parts far apart, or darker than their surroundings, do not.
TEST(Joined, JoinsPartsOfOnePageOnly) {
  struct Case {
    const char* name;
    Quad a, b;
    int polarity;
    bool joined;
  };
  const Case cases[] = {
      {"halves one above the other", Box(40, 20, 200, 80), Box(40, 86, 200, 160), 1, true},
      {"halves side by side", Box(20, 30, 100, 150), Box(104, 30, 200, 150), 1, true},
      {"far apart", Box(10, 10, 60, 60), Box(160, 110, 230, 170), 1, false},
      {"dark blocks", Box(40, 20, 200, 80), Box(40, 86, 200, 160), -1, false},
  };
  for (const Case& c : cases) {
    const std::optional<Quad> joined = Joined(PageOf(c.a, c.polarity), PageOf(c.b, 1));
    ASSERT_EQ(joined.has_value(), c.joined) << c.name;
    if (!joined) continue;
    const Quad around = Box(std::min(c.a[0].x, c.b[0].x), std::min(c.a[0].y, c.b[0].y), std::max(c.a[2].x, c.b[2].x),
                            std::max(c.a[2].y, c.b[2].y));
    EXPECT_LT(CornerError(*joined, around), 1.5) << c.name;
  }
}

}  // namespace
}  // namespace trellimap
