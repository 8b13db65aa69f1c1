// A page made from its lines of text, for close-ups whose page edges lie
// outside the picture or do not show: the top-most and bottom-most long lines
// give the bent top and bottom, straight lines through the lines' ends the
// left and right, each a little way out from the text.

#include <algorithm>
#include <cmath>
#include <limits>

#include "detect/stages.h"
#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

namespace {

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

double Quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(q * (values.size() - 1))];
}

// The typical distance between neighbouring lines' centres.
double Pitch(const std::vector<TextLine>& block) {
  std::vector<double> gaps;
  for (size_t i = 1; i < block.size(); ++i) gaps.push_back(block[i].Centre().y - block[i - 1].Centre().y);
  return std::max(1.0, Median(gaps));
}

// Whether two lines run across much the same stretch of the picture.
bool Overlap(const TextLine& a, const TextLine& b) {
  const double shared = std::min(a.right.x, b.right.x) - std::max(a.left.x, b.left.x);
  return shared >= kSameBlock * std::min(a.right.x - a.left.x, b.right.x - b.left.x);
}

// The longest run of lines, top to bottom, that no gap of many lines breaks:
// a page's text, without marks of the table or the next page's edge below it.
std::vector<TextLine> Unbroken(const std::vector<TextLine>& lines) {
  const double pitch = Pitch(lines);
  std::vector<TextLine> best, run;
  for (const TextLine& line : lines) {
    if (!run.empty() && line.Centre().y - run.back().Centre().y > kBlockBreak * pitch) run.clear();
    run.push_back(line);
    if (run.size() > best.size()) best = run;
  }
  return best;
}

// The offsets of `points` from the side, positive into the page.
std::vector<double> Offsets(const SideCurve& side, const std::vector<Vec>& points) {
  std::vector<double> offsets;
  for (const Vec& p : points) offsets.push_back(side.Across(p) - side.Offset(side.Along(p)));
  return offsets;
}

// A straight side through line ends, moved out past all but a few of them and by the margin.
std::optional<SideCurve> EndSide(const Vec& from, const Vec& to, const std::vector<Vec>& ends, double pitch) {
  std::optional<SideCurve> side = FitSide(BaseLine(from, to), ends, 1, kEndSpread * pitch);
  if (side) side->coefficients[0] += std::min(0.0, Quantile(Offsets(*side, ends), kEndsOutside)) - kTextMargin * pitch;
  return side;
}

// The line's middle moved across its base line by `by` (positive: down the picture),
// as a side running from right to left when `reversed`.
SideCurve Moved(const TextLine& line, double by, bool reversed) {
  SideCurve moved = line.middle;
  moved.coefficients[0] += by;
  if (!reversed) return moved;
  // The same curve over the same base line run the other way, fitted to
  // points of it carried on a line's length past either end.
  std::vector<Vec> points;
  const double a = moved.Along(line.left), b = moved.Along(line.right), reach = b - a;
  const int count = 4 * kTextLineDegree;
  for (int i = 0; i <= count; ++i) points.push_back(moved.At(a - reach + 3 * reach * i / count));
  const SideCurve base =
      BaseLine(moved.origin + (b + reach) * moved.direction, moved.origin + (a - reach) * moved.direction);
  return FitSide(base, points, kTextLineDegree, 1).value_or(moved);
}

// How far beyond the line `edge` the lines of `block` reach, away from the
// page's middle (`sign` 1: down, -1: up), with half a line and the margin.
double Beyond(const TextLine& edge, const std::vector<TextLine>& block, int sign, double pitch) {
  double most = 0;
  for (const TextLine& line : block)
    for (const Vec& p : {line.left, line.Centre(), line.right})
      most = std::max(most, sign * (edge.middle.Across(p) - edge.middle.Offset(edge.middle.Along(p))));
  return most + edge.height / 2 + kTextMargin * pitch;
}

// How far the paper beyond side i runs out from the text, followed out from
// points along the side until the closed level falls far below its level at
// the side (the paper ending on a darker ground): the median of where it
// ends, where most points see it end near; infinity where it runs on out of
// the picture beyond most of them; nothing for neither.
std::optional<double> PaperBeyond(const WorkingCopy& copy, const Page& page, int i) {
  const Vec &from = page.corners[i], &to = page.corners[(i + 1) % 4];
  const Vec outward = -BaseLine(from, to).Normal();
  const auto inside = [&](const Vec& p) {
    return p.x >= 0 && p.y >= 0 && p.x < copy.level.cols && p.y < copy.level.rows;
  };
  const double reach = kMostPaperMargin * std::max(copy.level.cols, copy.level.rows);
  std::vector<double> ends;
  int out = 0;
  for (int k = 1; k <= kPaperSamples; ++k) {
    Vec p = from + (to - from) * (k / (kPaperSamples + 1.0));
    const float ground = Sample(copy.level, p);
    double walked = 0;
    while (inside(p) && Sample(copy.level, p) > ground - kPaperEnds && walked <= reach) p += outward, ++walked;
    if (!inside(p))
      ++out;
    else if (walked <= reach)
      ends.push_back(walked);
  }
  if (2 * out > kPaperSamples) return std::numeric_limits<double>::infinity();
  if (2 * static_cast<int>(ends.size()) > kPaperSamples) return Median(ends);
  return std::nullopt;
}

}  // namespace

std::vector<std::vector<TextLine>> TextBlocks(const std::vector<TextLine>& lines) {
  // Lines joined where they overlap, each block named by its first line.
  std::vector<size_t> block(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) block[i] = i;
  const auto root = [&](size_t i) {
    while (block[i] != i) i = block[i] = block[block[i]];
    return i;
  };
  for (size_t i = 0; i < lines.size(); ++i)
    for (size_t j = i + 1; j < lines.size(); ++j)
      if (Overlap(lines[i], lines[j])) block[root(j)] = root(i);
  std::vector<std::vector<TextLine>> blocks;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (root(i) != i) continue;
    std::vector<TextLine> members;
    for (size_t j = 0; j < lines.size(); ++j)
      if (root(j) == i) members.push_back(lines[j]);
    if (members = Unbroken(members); members.size() >= kLeastTextLines) blocks.push_back(std::move(members));
  }
  const auto middle = [](const std::vector<TextLine>& b) { return (b.front().Centre().x + b.back().Centre().x) / 2; };
  std::sort(blocks.begin(), blocks.end(), [&](const auto& a, const auto& b) { return middle(a) < middle(b); });
  return blocks;
}

const std::vector<TextLine>* ChooseBlock(const std::vector<std::vector<TextLine>>& blocks, PageChoice choice,
                                         double width) {
  if (blocks.empty()) return nullptr;
  if (choice == PageChoice::Left) return &blocks.front();
  if (choice == PageChoice::Right) return &blocks.back();
  const auto away = [&](const std::vector<TextLine>& b) {
    double left = b.front().left.x, right = b.front().right.x;
    for (const TextLine& line : b) left = std::min(left, line.left.x), right = std::max(right, line.right.x);
    return std::abs((left + right) / 2 - width / 2);
  };
  return &*std::min_element(blocks.begin(), blocks.end(),
                            [&](const auto& a, const auto& b) { return away(a) < away(b); });
}

std::optional<Page> PageFromText(const std::vector<TextLine>& block) {
  if (block.size() < kLeastTextLines) return std::nullopt;
  const double pitch = Pitch(block);
  // Every line's left end; the right ends of the long lines only, as a
  // paragraph's last line ends early.
  std::vector<double> lengths;
  for (const TextLine& line : block) lengths.push_back(line.Length());
  const double longest = Quantile(lengths, kLongestLines);
  std::vector<Vec> lefts, rights;
  std::vector<const TextLine*> longLines;
  for (const TextLine& line : block) {
    lefts.push_back(line.left);
    if (line.Length() < kLongLine * longest || line.rms > kPoorLineFit * line.height) continue;
    rights.push_back(line.right);
    longLines.push_back(&line);
  }
  if (longLines.size() < 2) return std::nullopt;
  const TextLine &top = *longLines.front(), &bottom = *longLines.back();
  Page page;
  page.sides[0] = Moved(top, -Beyond(top, block, -1, pitch), false);
  page.sides[2] = Moved(bottom, Beyond(bottom, block, 1, pitch), true);
  const std::optional<SideCurve> right = EndSide(top.right, bottom.right, rights, pitch);
  const std::optional<SideCurve> left = EndSide(block.back().left, block.front().left, lefts, pitch);
  if (!right || !left) return std::nullopt;
  page.sides[1] = *right;
  page.sides[3] = *left;
  // Lines carried on past their ends that bow more than a page's top or bottom
  // can have followed something else.
  if (!Meets(page) || std::abs(SignedBow(page, 0)) > kMostBow * Distance(page.corners[0], page.corners[1]) ||
      std::abs(SignedBow(page, 2)) > kMostBow * Distance(page.corners[2], page.corners[3]))
    return std::nullopt;
  // The more lines, the more long lines the right side is fitted through,
  // and the closer their marks follow their curves, the surer.
  std::vector<double> strays;
  for (const TextLine& line : block) strays.push_back(line.rms / std::max(1.0, line.height));
  const double many = std::min(1.0, static_cast<double>(block.size()) / kManyTextLines);
  const double manyLong = std::min(1.0, static_cast<double>(longLines.size()) / kManyLongLines);
  page.score = many * manyLong * std::clamp(1 - Median(strays) / kPoorLineFit, 0.0, 1.0);
  return page;
}

std::optional<TextPage> FindTextPage(const WorkingCopy& copy, PageChoice choice) {
  const std::vector<std::vector<TextLine>> blocks = TextBlocks(FindTextLines(DarkMarks(copy)));
  const std::vector<TextLine>* block = ChooseBlock(blocks, choice, copy.lightness.cols);
  if (block == nullptr) return std::nullopt;
  std::optional<Page> page = PageFromText(*block);
  if (!page) return std::nullopt;
  // Sides moved out to the paper's edge where it shows beyond the text.
  Page moved = *page;
  int out = 0;
  for (int i = 0; i < 4; ++i)
    if (const std::optional<double> beyond = PaperBeyond(copy, *page, i); beyond && std::isfinite(*beyond))
      moved.sides[i].coefficients[0] -= *beyond;
    else
      out += beyond.has_value();
  if (Meets(moved) && Plausible(moved, copy.level.size())) page = moved;
  if (!Plausible(*page, copy.level.size())) return std::nullopt;
  return TextPage{*page, *block, out};
}

bool TextTellsMore(const WorkingCopy& copy, const TextPage& text, const std::optional<Page>& edges) {
  // Only a close-up, whose page fills much of the picture: elsewhere the
  // page's edges show, and a block of text alone is no page.
  if (Area(Corners(text.page)) < kCloseUp * copy.lightness.cols * copy.lightness.rows) return false;
  // A close-up's paper runs out of the picture beyond two sides of its text
  // at least; where it ends in view all round, its edges show, and the text
  // would leave its margins out.
  if (text.sidesOut < kLeastSidesOut) return false;
  if (!edges) return true;
  int inside = 0, all = 0;
  for (const TextLine& line : text.lines)
    for (const Vec& p : {line.left, line.Centre(), line.right}) inside += Holds(*edges, p), ++all;
  return inside < kTextInside * all;
}

}  // namespace trellimap
