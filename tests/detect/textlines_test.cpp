// Lines of text and the page made from them, stage by stage: lines drawn
// with known curves are found along them; blocks side by side are told apart
// and chosen as asked; a page made from a block holds every line, a margin
// out from the flush left ends and the long lines' right ends.

#include "detect/textlines.h"

#include <gtest/gtest.h>

#include <random>

#include "detect/linefamily.h"
#include "detect/stages.h"
#include "detect/tuning.h"
#include "tests/detect/stagepictures.h"

namespace trellimap {
namespace {

struct DrawnLine {
  double left, right, y0, bow, lean = 0;  // the middle: y0 + bow · (1 − s²) + lean · (x − centre)
  double Middle(double x) const {
    const double c = (left + right) / 2, half = (right - left) / 2, s = (x - c) / half;
    return y0 + bow * (1 - s * s) + lean * (x - c);
  }
};

// Marks of `lines` `height` pixels high, broken into words.
cv::Mat Draw(const std::vector<DrawnLine>& lines, double height, std::mt19937& random) {
  cv::Mat marks(500, 640, CV_8U, cv::Scalar(0));
  for (const DrawnLine& line : lines) {
    double wordEnd = line.left;
    for (int x = static_cast<int>(line.left); x < static_cast<int>(line.right); ++x) {
      if (x >= wordEnd + 3) wordEnd = x + std::uniform_real_distribution<double>(12, 40)(random);
      if (x >= wordEnd) continue;
      const double m = line.Middle(x + 0.5);
      for (int y = static_cast<int>(m - height / 2 + 0.5); y < static_cast<int>(m + height / 2 + 0.5); ++y)
        marks.at<uint8_t>(y, x) = 255;
    }
  }
  return marks;
}

TEST(FindTextLines, FollowsEachLineAlongItsCurve) {
  std::mt19937 random(7);
  const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  for (int round = 0; round < 8; ++round) {
    // Lines leaning far enough that each one's box is taller than a line.
    const double pitch = uniform(14, 22), height = uniform(4, 7), bow = uniform(-12, 12), lean = uniform(-0.06, 0.06);
    std::vector<DrawnLine> drawn;
    for (double y = 60; y < 440; y += pitch) drawn.push_back({uniform(40, 50), uniform(520, 600), y, bow, lean});
    const std::vector<TextLine> found = FindTextLines(Draw(drawn, height, random));
    ASSERT_EQ(found.size(), drawn.size()) << "round " << round;
    for (size_t i = 0; i < drawn.size(); ++i) {
      EXPECT_NEAR(found[i].height, height, 1.5) << round << ", line " << i;
      EXPECT_LT(found[i].left.x - drawn[i].left, 3) << round << ", line " << i;
      for (double x = found[i].left.x; x <= found[i].right.x; x += 10) {
        const SideCurve& m = found[i].middle;
        const double y = m.At((x - m.origin.x) / m.direction.x).y;
        ASSERT_NEAR(y, drawn[i].Middle(x), 0.6) << round << ", line " << i << " at " << x;
      }
    }
  }
}

TextLine Straight(double left, double right, double y) {
  TextLine line;
  line.middle = BaseLine({left, y}, {right, y});
  line.left = {left, y}, line.right = {right, y};
  line.height = 5;
  return line;
}

// Lines of a page seen in perspective and bent: each line's middle
// y = level + lean(level) · x + bow(level) · x², its lean and bow changing in
// step with its level. The family of a few of them gives the curve of any
// level a few lines beyond them, and the level of a point on such a curve.
TEST(LineFamily, CarriesTheLinesShapeOnPastThem) {
  std::mt19937 random(5);
  const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  for (int round = 0; round < 20; ++round) {
    const double lean0 = uniform(-0.1, 0.1), leanStep = uniform(-3e-4, 3e-4);
    const double bow0 = uniform(-3e-4, 3e-4), bowStep = uniform(-1e-6, 1e-6), centre = uniform(250, 350);
    const auto y = [&](double level, double x) {
      const double d = x - centre;
      return level + (lean0 + leanStep * level) * d + (bow0 + bowStep * level) * d * d;
    };
    std::vector<TextLine> lines;
    for (const double level : {200.0, 218.0, 236.0, 254.0}) {
      std::vector<Vec> points;
      for (double x = centre - 200; x <= centre + 200; x += 10) points.push_back({x, y(level, x)});
      TextLine line;
      line.middle = *FitSide(BaseLine(points.front(), points.back()), points, tuning::kTextLineDegree, 1);
      line.left = points.front(), line.right = points.back(), line.height = 5;
      lines.push_back(line);
    }
    const std::vector<const TextLine*> pointers = {&lines[0], &lines[1], &lines[2], &lines[3]};
    const std::optional<LineFamily> family = LineFamily::Of(pointers, centre - 200, centre + 200);
    ASSERT_TRUE(family) << round;
    for (const double level : {160.0, 227.0, 290.0}) {
      const SideCurve curve = family->At(level, false), back = family->At(level, true);
      for (double x = centre - 200; x <= centre + 200; x += 25) {
        const Vec p{x, y(level, x)};
        EXPECT_NEAR(curve.Across(p) - curve.Offset(curve.Along(p)), 0, 0.05) << round << " at " << level << ", " << x;
        EXPECT_NEAR(back.Across(p) - back.Offset(back.Along(p)), 0, 0.05) << round << " at " << level << ", " << x;
        EXPECT_NEAR(family->LevelThrough(p), level, 0.05) << round << " at " << level << ", " << x;
      }
    }
  }
}

TEST(TextBlocks, FacingPagesAreTwoBlocksAndTheOneAskedForIsTaken) {
  std::vector<TextLine> lines;
  for (int i = 0; i < 20; ++i) {
    lines.push_back(Straight(20, i % 5 == 4 ? 150 : 280, 30 + 20 * i));
    lines.push_back(Straight(330, i % 6 == 5 ? 400 : 590, 35 + 20 * i));
  }
  const std::vector<std::vector<TextLine>> blocks = TextBlocks(lines);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_LT(blocks[0].front().right.x, 300);
  EXPECT_GT(blocks[1].front().left.x, 300);
  const struct {
    PageChoice choice;
    double width;
    size_t block;
  } cases[] = {{PageChoice::Nearest, 700, 1},
               {PageChoice::Nearest, 400, 0},
               {PageChoice::Left, 700, 0},
               {PageChoice::Right, 400, 1}};
  for (const auto& c : cases) EXPECT_EQ(ChooseBlock(blocks, c.choice, c.width), &blocks[c.block]) << c.width;
  // One block is every choice's; a run of lines far below the block is no part of it.
  std::vector<TextLine> one(lines.begin(), lines.begin() + 1);
  for (size_t i = 2; i < lines.size(); i += 2) one.push_back(lines[i]);
  for (int i = 0; i < 3; ++i) one.push_back(Straight(40, 200, 480 + 10 * tuning::kBlockBreak * 20 + 20 * i));
  const std::vector<std::vector<TextLine>> single = TextBlocks(one);
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(single[0].size(), 20u);
  for (const PageChoice choice : {PageChoice::Nearest, PageChoice::Left, PageChoice::Right})
    EXPECT_EQ(ChooseBlock(single, choice, 700), &single[0]);
}

// Blocks leaning at random, some lines indented and each paragraph's last
// line short: the page holds every line, its left and right sides the margin
// out from the flush ends, its top and bottom beyond the first and last lines.
TEST(PageFromText, HoldsTheTextAMarginOutFromItsEnds) {
  std::mt19937 random(11);
  const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  for (int round = 0; round < 20; ++round) {
    const double lean = uniform(-0.1, 0.1), pitch = uniform(12, 20), x0 = uniform(30, 80), x1 = uniform(400, 560);
    std::vector<TextLine> block;
    for (int i = 0; i < 24; ++i) {
      const double y = 40 + pitch * i;
      const double left = x0 + lean * y + (i % 6 == 1 ? 2 * pitch : 0);
      const double right = x1 + lean * y - (i % 6 == 5 ? uniform(100, 250) : uniform(0, 3));
      block.push_back(Straight(left, right, y));
    }
    const std::optional<TextPage> text = PageFromText(block);
    ASSERT_TRUE(text) << round;
    const Page* page = &text->page;
    for (const TextLine& line : block)
      for (const Vec& p : {line.left, line.Centre(), line.right}) EXPECT_TRUE(Holds(*page, p)) << round;
    const double margin = tuning::kTextMargin * pitch;
    const SideCurve flushLeft = BaseLine({x0 + lean * 600, 600}, {x0, 0});
    const SideCurve flushRight = BaseLine({x1, 0}, {x1 + lean * 600, 600});
    for (const int corner : {0, 3}) EXPECT_NEAR(-flushLeft.Across(page->corners[corner]), margin, 1) << round;
    for (const int corner : {1, 2}) EXPECT_NEAR(-flushRight.Across(page->corners[corner]), margin, 3.5) << round;
    EXPECT_NEAR(page->corners[0].y, 40 - 2.5 - margin, 1.5) << round;
    EXPECT_GT(page->score, 0.9) << round;
  }
  std::vector<TextLine> few(3, Straight(10, 300, 40));
  EXPECT_FALSE(PageFromText(few));
}

// The page of straight sides from (left, top) to (right, bottom).
Page BoxPage(double left, double top, double right, double bottom) {
  Page page;
  const Vec c[] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
  for (int i = 0; i < 4; ++i) page.sides[i] = BaseLine(c[i], c[(i + 1) % 4]);
  EXPECT_TRUE(Meets(page));
  return page;
}

// A page cuts its text where lines run on past its top or bottom at the
// lines' pitch; one holding every line's middle, or hardly any (another
// page's), does not.
TEST(CutsText, WhereTheNextLineRunsOnPastASide) {
  constexpr double kPitch = 15;
  std::vector<TextLine> block;
  for (int i = 0; i < 20; ++i) block.push_back(Straight(60, 500, 50 + kPitch * i));
  const std::optional<TextPage> text = PageFromText(block);
  ASSERT_TRUE(text);
  const auto box = BoxPage;
  const double last = 50 + kPitch * 19;
  const struct {
    const char* what;
    Page page;
    bool cuts;
  } cases[] = {
      {"the text's own page", text->page, false},
      {"wide margins", box(10, 10, 630, 480), false},
      {"the top through the third line", box(10, 50 + 2 * kPitch + 3, 630, 480), true},
      {"the last line a pitch below the bottom", box(10, 10, 630, last - kPitch + 2), true},
      {"the last line found a little past the bottom", box(10, 10, 630, last - 3), false},
      {"the right side through every line's end", box(10, 10, 450, 480), false},
      {"two lines only", box(10, 10, 630, 50 + kPitch + 3), false},
      {"beside the text", box(520, 10, 630, 480), false},
  };
  for (const auto& c : cases) EXPECT_EQ(CutsText(*text, c.page), c.cuts) << c.what;
}

// A sheet of text held up, a window behind its top: the page made from the
// text runs out to the paper's edge on every side, where the paper ends on a
// darker wall and where it ends against clipped white; a light wall that is
// brighter than the paper but not clipped leaves the top at the text's margin.
TEST(FindTextPage, RunsOutToThePapersEdgeDarkerOrClippedBeyond) {
  const struct {
    const char* what;
    uint8_t behindTop;
    double top;  // where the page's top is to lie
  } cases[] = {{"a dark wall all round", 70, 60}, {"a window behind its top", 255, 60}, {"a light wall", 242, 72}};
  for (const auto& c : cases) {
    std::vector<testing::Patch> patches = {{testing::Box(0, 0, 400, 110), c.behindTop},
                                           {testing::Box(80, 60, 320, 262), 225}};
    for (double y = 80; y <= 240; y += 12) patches.push_back({testing::Box(100, y - 1.5, 300, y + 1.5), 40});
    const WorkingCopy copy = testing::CopyOf(400, 300, 70, patches);
    const std::optional<TextPage> text = FindTextPage(copy, PageChoice::Nearest);
    ASSERT_TRUE(text) << c.what;
    const Page& page = text->page;
    EXPECT_NEAR(page.corners[0].y, c.top, 2.5) << c.what;
    EXPECT_NEAR(page.corners[1].y, c.top, 2.5) << c.what;
    EXPECT_NEAR(page.corners[2].y, 262, 2.5) << c.what;
    EXPECT_NEAR(page.corners[0].x, 80, 2.5) << c.what;
    EXPECT_NEAR(page.corners[1].x, 320, 2.5) << c.what;
  }
}

// Paper that runs on past the text's top out of the picture (within the
// reach where its edge is looked for) is measured to the border, and the
// page's top taken out there; paper that ends on a darker wall, or under a
// lighter one (a wall or a window, not paper), is not running out.
TEST(FindTextPage, TakesInThePaperRunningOnOutOfThePicture) {
  const struct {
    const char* what;
    double paperTop;
    uint8_t above;
    bool runsOut;
    double top;  // the page's top found
  } cases[] = {{"out of the picture", -20, 70, true, 0},
               {"a dark wall above", 40, 70, false, 40},
               {"a light wall above", 40, 242, false, 72.5}};
  for (const auto& c : cases) {
    std::vector<testing::Patch> patches = {{testing::Box(0, 0, 500, 110), c.above},
                                           {testing::Box(80, c.paperTop, 320, 262), 225}};
    for (double y = 80; y <= 240; y += 12) patches.push_back({testing::Box(100, y - 1.5, 300, y + 1.5), 40});
    const std::optional<TextPage> text = FindTextPage(testing::CopyOf(500, 300, 70, patches), PageChoice::Nearest);
    ASSERT_TRUE(text) << c.what;
    const std::array<double, 4>& out = text->paperRunsOut;
    // The text's top lies a margin over the first line.
    EXPECT_NEAR(out[0], c.runsOut ? 72.5 : 0, 2) << c.what;
    EXPECT_EQ(out[1] + out[2] + out[3], 0) << c.what;
    for (const int k : {0, 1}) EXPECT_NEAR(text->page.corners[k].y, c.top, 2) << c.what;
  }
}

// The paper left out adds the shares of the page's height and width that
// runs past its sides add.
TEST(PaperLeftOut, AddsTheSharesOfHeightAndWidth) {
  TextPage text;
  text.page = BoxPage(100, 50, 200, 250);
  const struct {
    std::array<double, 4> out;
    double share;
  } cases[] = {{{0, 0, 0, 0}, 0}, {{10, 0, 0, 0}, 0.05}, {{10, 0, 10, 5}, 0.15}, {{0, 20, 0, 0}, 0.2}};
  for (const auto& c : cases) {
    text.paperRunsOut = c.out;
    EXPECT_NEAR(PaperLeftOut(text), c.share, 1e-9);
  }
}

// Where the edges found no page, small text is taken for one only with the
// paper's edge traced on most of its sides; a close-up's text always. A
// close-up's page from edges that holds hardly any line stands (the facing
// page), unless it holds their middles and so runs across them.
TEST(TextTellsMore, WithoutAPageFromEdgesSmallTextNeedsThePapersEdges) {
  std::vector<TextLine> block;
  for (int i = 0; i < 12; ++i) block.push_back(Straight(100, 300, 80 + 12 * i));
  std::optional<TextPage> text = PageFromText(block);
  ASSERT_TRUE(text);
  WorkingCopy copy;
  const struct {
    int width, traced;
    bool taken;
  } cases[] = {{1000, 4, true}, {1000, 3, true}, {1000, 2, false}, {1000, 0, false}, {320, 0, true}};
  for (const auto& c : cases) {
    copy.lightness = cv::Mat(300, c.width, CV_8U);
    text->edgesTraced = c.traced;
    EXPECT_EQ(TextTellsMore(copy, *text, std::nullopt), c.taken) << c.width << ", " << c.traced;
  }
  copy.lightness = cv::Mat(300, 320, CV_8U);
  text->edgesTraced = 0;
  EXPECT_FALSE(TextTellsMore(copy, *text, BoxPage(10, 10, 310, 290))) << "the page round the text";
  EXPECT_FALSE(TextTellsMore(copy, *text, BoxPage(305, 10, 319, 290))) << "the facing page";
  EXPECT_TRUE(TextTellsMore(copy, *text, BoxPage(150, 10, 250, 290))) << "across every line";
}

}  // namespace
}  // namespace trellimap
