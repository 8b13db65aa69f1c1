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
#include "scan/recognition.h"

namespace trellimap {
namespace {

// Letters are read on a copy no larger than this, which still shows a
// letter's ascender at the smallest print a page is read at.
constexpr int kMostSide = 1600;
// A mark of a letter (or of a few letters run together): at least this many
// pixels, its narrower extent no more than this share of the page's shorter
// side and its wider no more than this share, whichever way it is turned.
constexpr int kLeastMarkArea = 3;
constexpr double kMostMarkHeight = 0.05, kMostMarkWidth = 0.2;
// Marks at least this share of the typical mark's height are letters (or
// their bodies); smaller ones are dots, commas and accents, left out of lines.
constexpr double kBodySized = 0.5;
// Letters side by side in a line lie at most this many typical heights apart
// and share at least this share of the lower one's height.
constexpr double kLetterGap = 1.6, kSharedHeight = 0.5;
// A line tells only with this many letters, and is told in stretches no
// longer than this many typical heights.
constexpr size_t kLeastLineMarks = 5;
constexpr double kStretch = 12;
// A stretch's body, where its letters' ink lies thickest: the rows with at
// least this share of its thickest row's ink.
constexpr double kBody = 0.5;
// A letter's band is that of this many letters either side of it in its line
// and itself; bands lower than this many pixels tell nothing.
constexpr size_t kBandReach = 3;
constexpr double kLeastBand = 3;
// A letter rises above its band (or hangs below it) by more than this share
// of the band's height, and not the other way by more than this.
constexpr double kStandsOut = 0.3, kLevel = 0.15;
// Marks wider than this many band heights are words run together, which are
// left to the stretches: most words rise above their band somewhere.
constexpr double kMostLetterWidth = 1.6;
// A page's stretches tell its way up with at least this share of their ink
// above or below their bodies; its letters with at least this many letters
// rising or hanging, and this share of all its marks; and either with one way
// this share of both more than the other.
constexpr double kLeastTelling = 0.03, kLeastVotes = 8, kLeastLetters = 0.01;
constexpr double kClearlyMore = 0.25;
// A mark's nearest neighbour is looked for within this many typical marks' sizes.
constexpr double kNeighbourCells = 2;
// Where the marks' neighbours and their cover of rows and columns disagree on
// the lines' direction, this many times as many letters make lines one way
// as the other tell it.
constexpr double kClearlyMoreLines = 2;
// A page whose letters do not tell its way up goes to the recognition's
// judgement with at least this many letters in lines.
constexpr size_t kLeastLettersToJudge = 40;
// Fewer marks than this are no text.
constexpr size_t kLeastMarks = 40;
// A page written on in part tells where its writing begins by the blanks
// its marks leave: marks within this share of the shorter side of the
// border are left out (the table or the paper's edge), and marks shorter
// and longer than these shares of it (specks of dust, which stray furthest;
// rules and drawings); along each side, the larger blank is at least this
// share of the page, the smaller at most this share of the larger; and this
// many marks at least.
constexpr double kBorderBand = 0.02, kLeastWritten = 0.01, kMostWritten = 0.7, kLeastBlank = 0.2, kNearBlank = 0.34;
constexpr size_t kLeastWrittenMarks = 4;
// Written marks are strokes: their ink fills at most this share of their box
// (the dark shapes of a picture fill more).
constexpr double kMostStrokeFill = 0.4;

double Median(std::vector<double> values) {
  const size_t half = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + half, values.end());
  if (values.size() % 2 != 0) return values[half];
  return (values[half] + *std::max_element(values.begin(), values.begin() + half)) / 2;
}

// The height of the marks that hold half the marks' area between them, from
// the low ones up: a letter's, however many specks of dust there are.
double TypicalHeight(std::vector<cv::Rect> marks) {
  std::sort(marks.begin(), marks.end(), [](const cv::Rect& a, const cv::Rect& b) { return a.height < b.height; });
  double all = 0, sum = 0;
  for (const cv::Rect& m : marks) all += m.area();
  for (const cv::Rect& m : marks)
    if ((sum += m.area()) >= all / 2) return m.height;
  return 0;
}

cv::Point2d Centre(const cv::Rect& m) { return {m.x + m.width / 2.0, m.y + m.height / 2.0}; }

// Points in square cells, for finding a point's nearest among those in its
// own cell and the eight around it.
class MarkGrid {
 public:
  explicit MarkGrid(double cell) : cell_(std::max(1.0, cell)) {}
  void Add(cv::Point2d at, size_t index) { cells_.emplace(CellOf(at), std::pair{at, index}); }
  // The index of the nearest point but the one of index `self`, if any lies near.
  std::optional<size_t> NearestOther(cv::Point2d at, size_t self) const {
    const auto [cx, cy] = CellOf(at);
    double nearest = std::numeric_limits<double>::infinity();
    std::optional<size_t> found;
    for (int v = cy - 1; v <= cy + 1; ++v)
      for (int u = cx - 1; u <= cx + 1; ++u) {
        const auto [first, last] = cells_.equal_range({u, v});
        for (auto k = first; k != last; ++k) {
          const cv::Point2d d = k->second.first - at;
          if (const double dd = d.dot(d); dd < nearest && k->second.second != self)
            nearest = dd, found = k->second.second;
        }
      }
    return found;
  }

 private:
  std::pair<int, int> CellOf(cv::Point2d at) const {
    return {static_cast<int>(std::floor(at.x / cell_)), static_cast<int>(std::floor(at.y / cell_))};
  }
  double cell_;
  std::multimap<std::pair<int, int>, std::pair<cv::Point2d, size_t>> cells_;
};

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

// The box of mark `i` of connected components' `stats`.
cv::Rect BoxOf(const cv::Mat& stats, int i) {
  return {stats.at<int>(i, cv::CC_STAT_LEFT), stats.at<int>(i, cv::CC_STAT_TOP), stats.at<int>(i, cv::CC_STAT_WIDTH),
          stats.at<int>(i, cv::CC_STAT_HEIGHT)};
}

// Whether a mark keeps at least `band` pixels from every edge of a page of `size`.
bool Clear(const cv::Rect& mark, cv::Size size, int band) {
  return (mark & cv::Rect(band, band, size.width - 2 * band, size.height - 2 * band)) == mark;
}

// The letters of an ink mask (255 on ink).
Letters LettersOfInk(const cv::Mat& ink) {
  cv::Mat labels, stats, centres;
  const int count = cv::connectedComponentsWithStats(ink, labels, stats, centres, 8, CV_32S);
  const double shorter = std::min(ink.cols, ink.rows);
  std::vector<uint8_t> kept(static_cast<size_t>(count), 0);
  Letters letters;
  for (int i = 1; i < count; ++i) {
    const cv::Rect box = BoxOf(stats, i);
    // Marks that touch the page's border are no letters: the table or
    // shadow a found outline leaves along the page's edge, or letters cut off.
    if (Clear(box, ink.size(), 1) && stats.at<int>(i, cv::CC_STAT_AREA) >= kLeastMarkArea &&
        std::min(box.height, box.width) <= kMostMarkHeight * shorter &&
        std::max(box.height, box.width) <= kMostMarkWidth * shorter)
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

// The page no larger than letters are read on.
cv::Mat Reduced(const cv::Mat& grey) {
  const int longer = std::max(grey.cols, grey.rows);
  if (longer <= kMostSide) return grey;
  const double scale = static_cast<double>(kMostSide) / longer;
  cv::Mat level;
  cv::resize(grey, level, {}, scale, scale, cv::INTER_AREA);
  return level;
}

}  // namespace

Letters LettersOf(const cv::Mat& grey) { return LettersOfInk(BlackAndWhite(Reduced(grey)) == 0); }

Letters TurnedQuarter(const Letters& letters) {
  Letters turned;
  cv::rotate(letters.ink, turned.ink, cv::ROTATE_90_CLOCKWISE);
  for (const cv::Rect& m : letters.marks)
    turned.marks.push_back({letters.ink.rows - m.y - m.height, m.x, m.height, m.width});
  return turned;
}

namespace {

size_t LettersInLines(const Letters& letters) {
  size_t count = 0;
  for (const std::vector<cv::Rect>& line : LinesOf(letters)) count += line.size();
  return count;
}

// Which end of the page the writing keeps to along one of its sides, its
// letters reaching from `from` to `to` of `length`: -1 the start (the left,
// the top), 1 the end, 0 where neither blank is clearly the larger.
int KeepsTo(double from, double to, double length) {
  const double before = from / length, after = (length - to) / length;
  if (std::max(before, after) < kLeastBlank) return 0;
  if (before <= kNearBlank * after) return -1;
  if (after <= kNearBlank * before) return 1;
  return 0;
}

}  // namespace

int TurnsByWritingStart(const cv::Mat& ink, std::optional<bool> across) {
  // Handwriting may run larger than print, its words joined up: any mark of
  // strokes short of a rule or a drawing counts, but what lies along the
  // border (the table, the paper's edge) and specks of dust, which stray furthest.
  cv::Mat labels, stats, centres;
  const int count = cv::connectedComponentsWithStats(ink, labels, stats, centres, 8, CV_32S);
  const int width = ink.cols, height = ink.rows;
  const double shorter = std::min(width, height);
  const int border = static_cast<int>(std::ceil(kBorderBand * shorter));
  const double least = kLeastWritten * shorter, most = kMostWritten * shorter;
  std::vector<cv::Rect> written;
  for (int i = 1; i < count; ++i) {
    const cv::Rect m = BoxOf(stats, i);
    const int extent = std::max(m.width, m.height);
    const bool strokes = stats.at<int>(i, cv::CC_STAT_AREA) <= kMostStrokeFill * m.area();
    if (strokes && extent >= least && extent <= most && Clear(m, ink.size(), border)) written.push_back(m);
  }
  if (written.size() < kLeastWrittenMarks) return 0;
  cv::Rect extent = written.front();
  for (const cv::Rect& m : written) extent |= m;
  const int x = KeepsTo(extent.x, extent.x + extent.width, width);
  const int y = KeepsTo(extent.y, extent.y + extent.height, height);
  // Turned upright, the corner where the writing begins is the top left; it
  // lies at the top right after a quarter turn clockwise, and so on round.
  // Where the lines' direction is known, one side's blanks tell too.
  if (x != 0 && y != 0) {
    const int found = y < 0 ? (x < 0 ? 0 : 3) : (x < 0 ? 1 : 2);
    return !across || (found % 2 == 0) == *across ? found : 0;
  }
  if (across && *across && y != 0) return y < 0 ? 0 : 2;
  if (across && !*across && x != 0) return x < 0 ? 1 : 3;
  return 0;
}

std::optional<bool> LinesRunAcross(const Letters& letters) {
  // Each mark's nearest neighbour lies beside it in its line, nearer than
  // the next line's marks: the direction most marks find theirs is the lines'.
  const std::vector<cv::Rect>& marks = letters.marks;
  if (marks.size() < 2) return std::nullopt;
  std::vector<double> heights;
  for (const cv::Rect& m : marks) heights.push_back(std::max(m.height, m.width));
  MarkGrid grid(std::max(1, static_cast<int>(kNeighbourCells * Median(heights))));
  for (size_t i = 0; i < marks.size(); ++i) grid.Add(Centre(marks[i]), i);
  int across = 0, down = 0;
  for (size_t i = 0; i < marks.size(); ++i) {
    const std::optional<size_t> nearest = grid.NearestOther(Centre(marks[i]), i);
    if (!nearest) continue;
    const cv::Point2d way = Centre(marks[*nearest]) - Centre(marks[i]);
    std::abs(way.x) >= std::abs(way.y) ? ++across : ++down;
  }
  // Lines cover the rows unevenly, in lines and gaps, and the columns less
  // so; columns of text side by side (a receipt's items and prices) can
  // turn that round, and close words in handwriting the neighbours. Where
  // the two disagree, the lines followed letter to letter tell, where
  // clearly more letters make lines one way than the other.
  const bool neighbours = across >= down;
  const bool cover = Unevenness(marks, letters.ink.rows, true) >= Unevenness(marks, letters.ink.cols, false);
  if (neighbours == cover) return neighbours;
  const size_t acrossLines = LettersInLines(letters), downLines = LettersInLines(TurnedQuarter(letters));
  if (acrossLines > kClearlyMoreLines * downLines) return true;
  if (downLines > kClearlyMoreLines * acrossLines) return false;
  return std::nullopt;
}

std::vector<std::vector<cv::Rect>> LinesOf(const Letters& letters) {
  const std::vector<cv::Rect>& marks = letters.marks;
  if (marks.empty()) return {};
  const double typical = TypicalHeight(marks);
  std::vector<size_t> bodies;
  for (size_t i = 0; i < marks.size(); ++i)
    if (marks[i].height >= kBodySized * typical) bodies.push_back(i);
  std::sort(bodies.begin(), bodies.end(), [&](size_t a, size_t b) { return marks[a].x < marks[b].x; });
  // Each letter joins its nearest neighbour to the right that shares much
  // of its height: a line is followed letter by letter, however it slants
  // or bends across the page.
  std::vector<size_t> group(marks.size());
  for (size_t i = 0; i < group.size(); ++i) group[i] = i;
  const auto root = [&](size_t i) {
    while (group[i] != i) i = group[i] = group[group[i]];
    return i;
  };
  const double reach = kLetterGap * typical;
  for (size_t k = 0; k < bodies.size(); ++k) {
    const cv::Rect& a = marks[bodies[k]];
    std::optional<size_t> nearest;
    int nearestGap = 0;
    for (size_t n = k + 1; n < bodies.size() && marks[bodies[n]].x <= a.x + a.width + reach; ++n) {
      const cv::Rect& b = marks[bodies[n]];
      const int shared = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
      const int gap = std::max(0, b.x - (a.x + a.width));
      if (2 * b.x + b.width <= 2 * a.x + a.width || shared < kSharedHeight * std::min(a.height, b.height)) continue;
      if (!nearest || gap < nearestGap) nearest = bodies[n], nearestGap = gap;
    }
    if (nearest) group[root(bodies[k])] = root(*nearest);
  }
  std::map<size_t, std::vector<cv::Rect>> lines;
  for (const size_t i : bodies) lines[root(i)].push_back(marks[i]);
  std::vector<std::vector<cv::Rect>> kept;
  for (auto& [first, line] : lines)
    if (line.size() >= kLeastLineMarks) kept.push_back(std::move(line));
  return kept;
}

namespace {

// The slope of the line through the middles of `line`'s letters from `from`
// up to `to`, by least squares: how far down it runs per pixel across.
double SlopeOf(const std::vector<cv::Rect>& line, size_t from, size_t to) {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (size_t k = from; k < to; ++k) {
    const cv::Point2d c = Centre(line[k]);
    n += 1, sx += c.x, sy += c.y, sxx += c.x * c.x, sxy += c.x * c.y;
  }
  const double spread = n * sxx - sx * sx;
  return spread > 0 ? (n * sxy - sx * sy) / spread : 0;
}

double LetterEvidence(const std::vector<std::vector<cv::Rect>>& lines, size_t marks) {
  // Each letter of a line is seen against the band of its neighbours'
  // bodies (the middle of their tops, the middle of their bottoms, taken
  // along the line's slope there): upright, more letters rise above it (b,
  // d, h, capitals among small letters) than hang below it (g, p, y).
  int up = 0, down = 0;
  for (const std::vector<cv::Rect>& line : lines) {
    for (size_t k = 0; k < line.size(); ++k) {
      const size_t from = k >= kBandReach ? k - kBandReach : 0, to = std::min(line.size(), k + kBandReach + 1);
      const double slope = SlopeOf(line, from, to), x = Centre(line[k]).x;
      std::vector<double> tops, bottoms;
      for (size_t n = from; n < to; ++n) {
        const double shift = slope * (Centre(line[n]).x - x);
        tops.push_back(line[n].y - shift), bottoms.push_back(line[n].y + line[n].height - shift);
      }
      const double top = Median(tops), bottom = Median(bottoms), height = bottom - top;
      if (height < kLeastBand || line[k].width > kMostLetterWidth * height) continue;
      const double rises = (top - line[k].y) / height, hangs = (line[k].y + line[k].height - bottom) / height;
      if (rises > kStandsOut && hangs < kLevel) ++up;
      if (hangs > kStandsOut && rises < kLevel) ++down;
    }
  }
  if (up + down < std::max<double>(kLeastVotes, kLeastLetters * marks)) return 0;
  const double evidence = static_cast<double>(up - down) / (up + down);
  return std::abs(evidence) >= kClearlyMore ? evidence : 0;
}

double StretchEvidence(const std::vector<std::vector<cv::Rect>>& lines, const cv::Mat& ink, double typical) {
  // Each stretch of a line is seen as a whole, its ink counted in rows
  // along the stretch's slope: the rows where it lies thickest are its
  // letters' bodies, and upright, more ink rises above them (b, d, h,
  // capitals) than hangs below them (g, p, y). Stretches short enough to be
  // straight follow a line that bends, and letters run together into words
  // count as well as letters apart.
  double above = 0, below = 0, all = 0;
  for (const std::vector<cv::Rect>& line : lines)
    for (size_t from = 0, to = 0; from < line.size(); from = to) {
      while (to < line.size() && (to == from || line[to].x + line[to].width - line[from].x <= kStretch * typical)) ++to;
      // The slope from the stretch and as much again either side, as a
      // few words' middles alone would give it unsteadily.
      size_t before = from, after = to;
      while (before > 0 && line[from].x - line[before - 1].x <= kStretch * typical) --before;
      while (after < line.size() && line[after].x - line[to - 1].x <= kStretch * typical) ++after;
      const double slope = SlopeOf(line, before, after), x0 = line[from].x;
      const auto along = [&](int x, int y) { return static_cast<int>(std::lround(y - slope * (x - x0))); };
      // The stretch's rows reach as far as its letters do; dots within them
      // (on i and j) count, the next lines' letters beyond them not.
      cv::Rect box = line[from];
      int highest = std::numeric_limits<int>::max(), lowest = std::numeric_limits<int>::min();
      for (size_t k = from; k < to; ++k) {
        // A slanting mark's box reaches past its ink by half its slant.
        const int middle = line[k].x + line[k].width / 2;
        const int slant = static_cast<int>(std::abs(slope) * line[k].width / 2);
        box |= line[k];
        highest = std::min(highest, along(middle, line[k].y) + slant);
        lowest = std::max(lowest, along(middle, line[k].y + line[k].height - 1) - slant);
      }
      if (highest > lowest) continue;
      std::vector<double> rows(static_cast<size_t>(lowest - highest + 1));  // from `highest` down
      for (int y = box.y; y < box.y + box.height; ++y) {
        const uint8_t* row = ink.ptr<uint8_t>(y);
        for (int x = box.x; x < box.x + box.width; ++x)
          if (const int at = along(x, y); row[x] != 0 && at >= highest && at <= lowest) rows[at - highest] += 1;
      }
      const double thickest = *std::max_element(rows.begin(), rows.end());
      if (thickest == 0) continue;
      const auto body = [&](double count) { return count >= kBody * thickest; };
      const auto top = std::find_if(rows.begin(), rows.end(), body) - rows.begin();
      const auto bottom = rows.rend() - 1 - std::find_if(rows.rbegin(), rows.rend(), body);
      for (ptrdiff_t y = 0; y < static_cast<ptrdiff_t>(rows.size()); ++y) {
        all += rows[y];
        if (y < top) above += rows[y];
        if (y > bottom) below += rows[y];
      }
    }
  if (above + below < kLeastTelling * all) return 0;
  const double evidence = (above - below) / (above + below);
  return std::abs(evidence) >= kClearlyMore ? evidence : 0;
}

}  // namespace

double UprightEvidence(const Letters& letters) {
  const std::vector<std::vector<cv::Rect>> lines = LinesOf(letters);
  const double byLetters = LetterEvidence(lines, letters.marks.size());
  const double byStretches = StretchEvidence(lines, letters.ink, TypicalHeight(letters.marks));
  // Letters apart tell best where they stand apart (receipts); stretches
  // where letters run together into words. Each may not tell; where both
  // do, they must agree.
  if (byLetters == 0 || byStretches == 0) return byLetters + byStretches;
  return (byLetters > 0) == (byStretches > 0) ? (byLetters + byStretches) / 2 : 0;
}

int UprightTurns(const cv::Mat& grey) {
  cv::setNumThreads(0);  // in the calling thread alone, as ApplyLook
  const cv::Mat bw = BlackAndWhite(Reduced(grey)), ink = bw == 0;
  const Letters letters = LettersOfInk(ink);
  if (letters.marks.size() < kLeastMarks) return TurnsByWritingStart(ink, std::nullopt);
  const std::optional<bool> across = LinesRunAcross(letters);
  const Letters turned = TurnedQuarter(letters);
  if (across) {
    if (const double evidence = UprightEvidence(*across ? letters : turned); evidence != 0)
      return *across ? (evidence < 0 ? 2 : 0) : (evidence > 0 ? 1 : 3);
  }
  // Lines of text whose letters do not tell (capitals alone, say) are left
  // to the recognition's judgement, where it agrees with the lines' direction.
  if (std::max(LettersInLines(letters), LettersInLines(turned)) >= kLeastLettersToJudge)
    if (const std::optional<int> judged = RecognisedTurns(bw); judged && (!across || (*judged % 2 == 0) == *across))
      return *judged;
  // Nor does the recognition: a page written on in part may tell by where its writing begins.
  return TurnsByWritingStart(ink, across);
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
