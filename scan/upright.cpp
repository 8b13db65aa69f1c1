#include "scan/upright.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#include <optional>

#include "image/pixmill3.h"
#include "scan/looks.h"

namespace trellimap {
namespace {

// Letters are read on a copy no larger than this, which still shows a
// letter's ascender at the smallest print a page is read at.
constexpr int kMostSide = 1600;
// A mark of a letter (or of a few letters run together): at least this many
// pixels, no taller than this share of the page's shorter side, and no wider
// than this share.
constexpr int kLeastMarkArea = 3;
constexpr double kMostMarkHeight = 0.05, kMostMarkWidth = 0.2;
// Marks whose middles lie closer than this share of the typical mark's
// height, one above the other, are in one line.
constexpr double kLineGap = 0.6;
// A line tells only with this many marks.
constexpr size_t kLeastLineMarks = 5;
// A line's body, where its letters' ink lies thickest: the rows with at
// least this share of its thickest row's ink.
constexpr double kBody = 0.5;
// The page tells its way up with this share of its letters' ink standing out
// over their lines' bodies or hanging below them, and one this share of both
// more than the other.
constexpr double kLeastTelling = 0.03;
constexpr double kClearlyMore = 0.25;
// A mark's nearest neighbour is looked for within this many typical marks' sizes.
constexpr double kNeighbourCells = 2;
// Fewer marks than this are no text.
constexpr size_t kLeastMarks = 40;

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// How unevenly the marks cover the rows (or the columns): the variance of
// the coverage over the square of its mean.
double Unevenness(const std::vector<cv::Rect>& marks, int length, bool rows) {
  std::vector<double> cover(static_cast<size_t>(std::max(1, length)), 0);
  for (const cv::Rect& m : marks) {
    const int from = rows ? m.y : m.x, to = rows ? m.y + m.height : m.x + m.width;
    for (int k = std::max(0, from); k < std::min(length, to); ++k) cover[k] += rows ? m.width : m.height;
  }
  double sum = 0, squares = 0;
  for (const double c : cover) sum += c, squares += c * c;
  const double mean = sum / cover.size();
  return mean > 0 ? (squares / cover.size() - mean * mean) / (mean * mean) : 0;
}

// The letters of an ink mask (255 on ink).
Letters LettersOfInk(const cv::Mat& ink) {
  cv::Mat labels, stats, centres;
  const int count = cv::connectedComponentsWithStats(ink, labels, stats, centres, 8, CV_32S);
  const double shorter = std::min(ink.cols, ink.rows);
  std::vector<uint8_t> kept(static_cast<size_t>(count), 0);
  Letters letters;
  for (int i = 1; i < count; ++i) {
    const cv::Rect box(stats.at<int>(i, cv::CC_STAT_LEFT), stats.at<int>(i, cv::CC_STAT_TOP),
                       stats.at<int>(i, cv::CC_STAT_WIDTH), stats.at<int>(i, cv::CC_STAT_HEIGHT));
    if (stats.at<int>(i, cv::CC_STAT_AREA) >= kLeastMarkArea && box.height <= kMostMarkHeight * shorter &&
        box.width <= kMostMarkWidth * shorter)
      letters.marks.push_back(box), kept[i] = 255;
  }
  letters.ink.create(ink.size(), CV_8U);
  for (int y = 0; y < ink.rows; ++y) {
    const int* label = labels.ptr<int>(y);
    uint8_t* out = letters.ink.ptr<uint8_t>(y);
    for (int x = 0; x < ink.cols; ++x) out[x] = kept[label[x]];
  }
  return letters;
}

}  // namespace

Letters LettersOf(const cv::Mat& grey) {
  cv::Mat level = grey;
  if (const int longer = std::max(grey.cols, grey.rows); longer > kMostSide) {
    const double scale = static_cast<double>(kMostSide) / longer;
    cv::resize(grey, level, {}, scale, scale, cv::INTER_AREA);
  }
  return LettersOfInk(BlackAndWhite(level) == 0);
}

Letters TurnedQuarter(const Letters& letters) {
  Letters turned;
  cv::rotate(letters.ink, turned.ink, cv::ROTATE_90_CLOCKWISE);
  for (const cv::Rect& m : letters.marks)
    turned.marks.push_back({letters.ink.rows - m.y - m.height, m.x, m.height, m.width});
  return turned;
}

std::optional<bool> LinesRunAcross(const Letters& letters) {
  // Each mark's nearest neighbour lies beside it in its line, nearer than
  // the next line's marks: the direction most marks find theirs is the lines'.
  const std::vector<cv::Rect>& marks = letters.marks;
  if (marks.size() < 2) return std::nullopt;
  std::vector<double> heights;
  for (const cv::Rect& m : marks) heights.push_back(std::max(m.height, m.width));
  const int cell = std::max(1, static_cast<int>(kNeighbourCells * Median(heights)));
  const auto centre = [](const cv::Rect& m) { return cv::Point2d(m.x + m.width / 2.0, m.y + m.height / 2.0); };
  std::multimap<std::pair<int, int>, size_t> grid;
  for (size_t i = 0; i < marks.size(); ++i) {
    const cv::Point2d c = centre(marks[i]);
    grid.emplace(std::pair{static_cast<int>(c.x) / cell, static_cast<int>(c.y) / cell}, i);
  }
  int across = 0, down = 0;
  for (size_t i = 0; i < marks.size(); ++i) {
    const cv::Point2d c = centre(marks[i]);
    const int cx = static_cast<int>(c.x) / cell, cy = static_cast<int>(c.y) / cell;
    double nearest = std::numeric_limits<double>::infinity();
    cv::Point2d way;
    for (int v = cy - 1; v <= cy + 1; ++v)
      for (int u = cx - 1; u <= cx + 1; ++u) {
        const auto [first, last] = grid.equal_range({u, v});
        for (auto k = first; k != last; ++k) {
          if (k->second == i) continue;
          const cv::Point2d d = centre(marks[k->second]) - c;
          if (const double dd = d.dot(d); dd < nearest) nearest = dd, way = d;
        }
      }
    if (std::isfinite(nearest)) std::abs(way.x) >= std::abs(way.y) ? ++across : ++down;
  }
  // Lines cover the rows unevenly, in lines and gaps, and the columns less
  // so; columns of text side by side (a receipt's items and prices) can
  // turn that round, and close words in handwriting the neighbours: where
  // the two disagree, the page does not tell.
  const bool neighbours = across >= down;
  const bool cover = Unevenness(marks, letters.ink.rows, true) >= Unevenness(marks, letters.ink.cols, false);
  if (neighbours != cover) return std::nullopt;
  return neighbours;
}

double UprightEvidence(const Letters& letters) {
  if (letters.marks.empty()) return 0;
  std::vector<double> heights;
  for (const cv::Rect& m : letters.marks) heights.push_back(m.height);
  const double gap = kLineGap * Median(heights);
  std::vector<cv::Rect> sorted = letters.marks;
  const auto middle = [](const cv::Rect& m) { return m.y + m.height / 2.0; };
  std::sort(sorted.begin(), sorted.end(), [&](const cv::Rect& a, const cv::Rect& b) { return middle(a) < middle(b); });
  double above = 0, below = 0, all = 0;
  const auto tell = [&](const std::vector<cv::Rect>& line) {
    if (line.size() < kLeastLineMarks) return;
    cv::Rect box = line.front();
    for (const cv::Rect& m : line) box |= m;
    std::vector<double> rows(static_cast<size_t>(box.height));
    for (int y = 0; y < box.height; ++y)
      rows[y] = cv::countNonZero(letters.ink(cv::Rect(box.x, box.y + y, box.width, 1)));
    const double thickest = *std::max_element(rows.begin(), rows.end());
    int top = 0, bottom = box.height - 1;
    while (rows[top] < kBody * thickest) ++top;
    while (rows[bottom] < kBody * thickest) --bottom;
    for (int y = 0; y < box.height; ++y) {
      all += rows[y];
      if (y < top) above += rows[y];
      if (y > bottom) below += rows[y];
    }
  };
  std::vector<cv::Rect> line;
  for (const cv::Rect& m : sorted) {
    if (!line.empty() && middle(m) - middle(line.back()) > gap) tell(line), line.clear();
    line.push_back(m);
  }
  tell(line);
  if (above + below < kLeastTelling * all) return 0;
  const double evidence = (above - below) / (above + below);
  return std::abs(evidence) >= kClearlyMore ? evidence : 0;
}

int UprightTurns(const cv::Mat& grey) {
  cv::setNumThreads(0);  // in the calling thread alone, as ApplyLook
  const Letters letters = LettersOf(grey);
  if (letters.marks.size() < kLeastMarks) return 0;
  const std::optional<bool> across = LinesRunAcross(letters);
  if (!across) return 0;
  if (*across) return UprightEvidence(letters) < 0 ? 2 : 0;
  const double evidence = UprightEvidence(TurnedQuarter(letters));
  return evidence > 0 ? 1 : evidence < 0 ? 3 : 0;
}

int UprightTurns(const dib& page) {
  if (page.poi == nullptr || DibBitCount(&page) != 24) return 0;
  cv::Mat grey;
  cv::cvtColor(PagePixels(page), grey, cv::COLOR_BGR2GRAY);
  cv::flip(grey, grey, 0);  // rows are stored bottom-up
  return UprightTurns(grey);
}

bool TurnPage(dib& page, int quarters) {
  quarters = ((quarters % 4) + 4) % 4;
  if (quarters == 0) return true;
  if (page.poi == nullptr || DibBitCount(&page) != 24) return false;
  const int width = DibWidth(&page), height = DibHeight(&page);
  const int turnedWidth = quarters == 2 ? width : height, turnedHeight = quarters == 2 ? height : width;
  dib turned{};
  newdib(&turned, turnedWidth, turnedHeight, 24, nullptr, 0);
  if (turned.poi == nullptr) return false;
  // Both are stored bottom-up, upside down as matrices: a turn of the page
  // is the opposite turn of what is stored.
  const cv::Mat stored(height, width, CV_8UC3, page.poi, static_cast<size_t>(page.bytew));
  cv::Mat into(turnedHeight, turnedWidth, CV_8UC3, turned.poi, static_cast<size_t>(turned.bytew));
  cv::rotate(stored, into,
             quarters == 1   ? cv::ROTATE_90_COUNTERCLOCKWISE
             : quarters == 2 ? cv::ROTATE_180
                             : cv::ROTATE_90_CLOCKWISE);
  ReplacePicture(&page, turned);
  return true;
}

}  // namespace trellimap
