// Turning a flat page's text upright, on pages of real text drawn in the
// machine's fonts at several sizes, turned every way.

#include "scan/upright.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>
#include <random>

#include "image/pixmill3.h"
#include "scan/recognition.h"
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

// Letters drawn as boxes on an ink mask of `size`.
Letters BoxLetters(const std::vector<cv::Rect>& boxes, cv::Size size) {
  Letters letters{cv::Mat::zeros(size, CV_8U), boxes};
  for (const cv::Rect& b : boxes) cv::rectangle(letters.ink, b, 255, cv::FILLED);
  return letters;
}

// Lines of letters (some rising, some hanging), slanting and bowing at
// random, with dots about them: each line comes back whole and alone, in
// order from left to right, and the dots in none.
TEST(LinesOf, FollowsSlantingAndBendingLinesLetterByLetter) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 40; ++trial) {
    const double slant = std::uniform_real_distribution<>(-0.14, 0.14)(random);
    const double bow = std::uniform_real_distribution<>(-15, 15)(random);
    const int height = std::uniform_int_distribution<>(8, 20)(random), lineCount = 6;
    std::vector<cv::Rect> boxes;
    std::vector<size_t> letterCounts;
    for (int l = 0; l < lineCount; ++l) {
      size_t count = 0;
      for (double x = 20; x < 900; x += 1.1 * height, ++count) {
        const double base = 60 + l * 3.0 * height + slant * x + bow * std::sin(x / 900 * 3.14159);
        const int kind = std::uniform_int_distribution<>(0, 5)(random);  // 0: rising, 1: hanging
        const int top = static_cast<int>(base) - height - (kind == 0 ? height / 2 : 0);
        boxes.push_back({static_cast<int>(x), top, 7 * height / 10, height + (kind < 2 ? height / 2 : 0)});
        if (kind == 2) boxes.push_back({static_cast<int>(x) + 2, top - height / 2, 2, 2});  // a dot over it
      }
      letterCounts.push_back(count);
    }
    const std::vector<std::vector<cv::Rect>> lines = LinesOf(BoxLetters(boxes, {1000, 60 + lineCount * 3 * 20 + 200}));
    ASSERT_EQ(lines.size(), letterCounts.size()) << "trial " << trial;
    std::vector<size_t> found;
    for (const std::vector<cv::Rect>& line : lines) {
      found.push_back(line.size());
      for (size_t k = 1; k < line.size(); ++k) EXPECT_LT(line[k - 1].x, line[k].x);
    }
    EXPECT_EQ(found, letterCounts) << "trial " << trial;
  }
}

// Letters spaced wider than their lines, each line set half a letter along
// from the last: each letter's nearest neighbour lies in the next line, yet
// the letters follow one another only along their lines.
TEST(LinesRunAcross, FollowsLettersWhereNeighboursMislead) {
  const int h = 10;
  std::vector<cv::Rect> boxes;
  for (int l = 0; l < 20; ++l)
    for (int k = 0; k < 30; ++k) boxes.push_back({20 + k * 19 + (l % 2) * 9, 20 + l * 16, 6, h});
  const Letters letters = BoxLetters(boxes, {640, 360});
  EXPECT_EQ(LinesRunAcross(letters), true);
  EXPECT_EQ(LinesRunAcross(TurnedQuarter(letters)), false);
}

// A page of text slanting and bending, as a photographed page may, still
// tells its way up, and so does one strewn with more specks than letters.
TEST(UprightEvidence, TellsOnLinesThatSlantAndBend) {
  for (const char* family : {"serif", "sans-serif"}) {
    dib page = testing::TextPagePicture({family, 16, 600, 700});
    const cv::Mat grey = GreyOf(page);
    cv::Mat mapX(grey.size(), CV_32F), mapY(grey.size(), CV_32F);
    for (int y = 0; y < grey.rows; ++y)
      for (int x = 0; x < grey.cols; ++x) {
        mapX.at<float>(y, x) = static_cast<float>(x);
        mapY.at<float>(y, x) = static_cast<float>(y - 0.05 * x + 12 * std::sin(x * 3.14159 / grey.cols) + 20);
      }
    cv::Mat bent, upsideDown;
    cv::remap(grey, bent, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(255));
    cv::rotate(bent, upsideDown, cv::ROTATE_180);
    EXPECT_GT(UprightEvidence(LettersOf(bent)), 0) << family;
    EXPECT_LT(UprightEvidence(LettersOf(upsideDown)), 0) << family;
    std::mt19937 random(3);
    for (int speck = 0; speck < 3000; ++speck)
      cv::rectangle(bent, cv::Rect(random() % bent.cols, random() % bent.rows, 2, 2), 0, cv::FILLED);
    EXPECT_GT(UprightEvidence(LettersOf(bent)), 0) << family << " with specks";
    ReleaseDib(&page);
  }
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

// A few handwritten words (random strokes) written from the top left of a
// page, the table showing along its border and dust strewn on it, turned
// every way: where the writing begins tells the turn, alone or with the
// lines' direction, and the strips of table are not taken for letters. Words spread over the page tell nothing, nor do
// dark shapes (a picture's) that are no strokes.
TEST(TurnsByWritingStart, TurnsWhereTheWritingBeginsToTheTopLeft) {
  std::mt19937 random(11);
  const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  // Lines of words from the left margin down from the top, as far as
  // `reach` of the page's width and height.
  const auto page = [&](double reach, bool strokes) {
    cv::Mat ink(900, 640, CV_8U, cv::Scalar(0));
    for (double y = uniform(30, 60); y < reach * 900 - 50; y += uniform(60, 90))
      for (double x = uniform(30, 50); x < reach * 640 - 120; x += uniform(140, 220)) {
        const cv::Point2d at(x, y);
        if (!strokes) {
          cv::ellipse(ink, at + cv::Point2d(60, 20), {60, 20}, 0, 0, 360, 255, cv::FILLED);
          continue;
        }
        std::vector<cv::Point> stroke;
        for (int k = 0; k < 7; ++k) stroke.emplace_back(at + cv::Point2d(k * 20, uniform(0, 45)));
        cv::polylines(ink, stroke, false, 255, 3);
      }
    // The table a found outline leaves along the border, in broken strips.
    for (int at = 0; at < 900; at += 12) {
      cv::line(ink, {0, at}, {2, at + 6}, 255, 2);
      cv::line(ink, {637, at}, {639, at + 6}, 255, 2);
      if (at < 640) cv::line(ink, {at, 0}, {at + 6, 1}, 255, 2), cv::line(ink, {at, 898}, {at + 6, 899}, 255, 2);
    }
    for (int speck = 0; speck < 40; ++speck) ink.at<uint8_t>(random() % 900, random() % 640) = 255;
    return ink;
  };
  for (int trial = 0; trial < 12; ++trial)
    for (int turn = 0; turn < 4; ++turn) {
      cv::Mat written = page(uniform(0.5, 0.7), true);
      for (int k = 0; k < turn; ++k) cv::rotate(written, written, cv::ROTATE_90_CLOCKWISE);
      const int upright = (4 - turn) % 4;
      EXPECT_EQ(TurnsByWritingStart(written, std::nullopt), upright) << "trial " << trial << " turned " << turn;
      EXPECT_EQ(TurnsByWritingStart(written, turn % 2 == 0), upright) << "trial " << trial << " turned " << turn;
      EXPECT_EQ(TurnsByWritingStart(written, turn % 2 != 0), 0) << "lines the other way, turned " << turn;
      EXPECT_EQ(UprightTurns(255 - written), upright) << "the whole page, trial " << trial << " turned " << turn;
      cv::Mat spread = page(1, true), shapes = page(uniform(0.5, 0.7), false);
      for (int k = 0; k < turn; ++k) cv::rotate(shapes, shapes, cv::ROTATE_90_CLOCKWISE);
      EXPECT_EQ(TurnsByWritingStart(spread, std::nullopt), 0) << "spread, trial " << trial;
      EXPECT_EQ(TurnsByWritingStart(shapes, std::nullopt), 0) << "shapes, trial " << trial << " turned " << turn;
    }
}

// Text in capitals alone has no letters rising or hanging: the way up is the
// recognition's judgement, where its data for judging is installed.
TEST(UprightTurns, LeavesCapitalsToTheRecognitionsJudgement) {
  dib upright = testing::TextPagePicture({"sans-serif", 22, 700, 900, false, true});
  if (!RecognisedTurns(GreyOf(upright))) GTEST_SKIP() << "no data for judging a page's orientation";
  EXPECT_EQ(UprightEvidence(LettersOf(GreyOf(upright))), 0);
  for (int turn = 0; turn < 4; ++turn) {
    dib page = testing::TextPagePicture({"sans-serif", 22, 700, 900, false, true});
    ASSERT_TRUE(TurnPage(page, turn));
    EXPECT_EQ(UprightTurns(page), (4 - turn) % 4) << "turned " << turn;
    ReleaseDib(&page);
  }
  ReleaseDib(&upright);
}

}  // namespace
}  // namespace trellimap
