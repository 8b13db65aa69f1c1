// Judging a found page: each obvious sign of a wrong outline is named, a
// clear page on its own is trusted, and the confidence follows the edges'
// score.

#include "detect/doubt.h"

#include <gtest/gtest.h>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

// A 400 × 300 picture of mid grey with a clipped white window at the top left.
dib GreyWithWindow() {
  dib picture{};
  newdib(&picture, 400, 300, 24, nullptr, 0);
  for (int32_t y = 0; y < 300; ++y)
    for (int32_t x = 0; x < 400; ++x) setpixel(picture, x, y, x < 150 && y < 150 ? 0xFFFFFFu : 0x808080u);
  return picture;
}

PageOutline Quad(std::initializer_list<Vec> corners, double score, bool fromText = false, bool paperUnseen = false) {
  PageOutline outline;
  for (const Vec& c : corners) outline.points.push_back({c, true});
  outline.score = score;
  outline.fromText = fromText;
  outline.paperUnseen = paperUnseen;
  return outline;
}

TEST(JudgeOutline, NamesEachObviousSign) {
  dib picture = GreyWithWindow();
  const struct {
    const char* what;
    PageOutline found;
    DoubtReason reason;
  } cases[] = {
      {"a page", Quad({{180, 40}, {330, 45}, {325, 260}, {175, 255}}, 0.97), DoubtReason::None},
      {"a sliver", Quad({{200, 20}, {215, 20}, {215, 280}, {200, 280}}, 0.97), DoubtReason::Sliver},
      {"a speck", Quad({{300, 200}, {320, 200}, {320, 225}, {300, 225}}, 0.97), DoubtReason::Small},
      {"the picture's frame", Quad({{1, 0}, {399, 1}, {399, 299}, {0, 299}}, 0.97), DoubtReason::AlongBorder},
      {"a window", Quad({{10, 10}, {140, 10}, {140, 140}, {10, 140}}, 0.97), DoubtReason::Bright},
      {"faint edges", Quad({{180, 40}, {330, 45}, {325, 260}, {175, 255}}, 0.6), DoubtReason::FaintEdges},
      // Found from text, a close-up's page may fill the picture and run out
      // of it; it is doubted for few lines or lines that fit poorly alone.
      {"text filling the frame", Quad({{-5, 0}, {399, 1}, {405, 299}, {0, 310}}, 0.9, true), DoubtReason::None},
      {"few lines of text", Quad({{180, 40}, {330, 45}, {325, 260}, {175, 255}}, 0.3, true), DoubtReason::FewLines},
      {"a sliver of text", Quad({{200, 20}, {215, 20}, {215, 280}, {200, 280}}, 0.9, true), DoubtReason::Sliver},
      {"text, its paper unseen", Quad({{180, 40}, {330, 45}, {325, 260}, {175, 255}}, 0.9, true, true),
       DoubtReason::PaperUnseen},
  };
  for (const auto& c : cases) {
    const PageDoubt doubt = JudgeOutline(c.found, picture);
    EXPECT_EQ(doubt.reason, c.reason) << c.what;
    EXPECT_EQ(doubt.Doubtful(), doubt.confidence < kLeastConfidence) << c.what << ": " << doubt.confidence;
    EXPECT_NE(std::string(DoubtWords(doubt.reason)).empty(), doubt.Doubtful()) << c.what;
  }
  ReleaseDib(&picture);
}

// The confidence never falls as the score rises, stays within 0 to 1, and a
// page whose edges show all along is trusted.
TEST(JudgeOutline, ConfidenceRisesWithTheScore) {
  dib picture = GreyWithWindow();
  double before = 0;
  for (double score = 0; score <= 1.0001; score += 0.01) {
    const double confidence =
        JudgeOutline(Quad({{180, 40}, {330, 45}, {325, 260}, {175, 255}}, score), picture).confidence;
    EXPECT_GE(confidence, before) << score;
    EXPECT_GE(confidence, 0);
    EXPECT_LE(confidence, 1);
    before = confidence;
  }
  EXPECT_GT(before, 0.95);
  ReleaseDib(&picture);
}

}  // namespace
}  // namespace trellimap
