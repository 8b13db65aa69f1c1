// A page made from its lines of text, for close-ups whose page edges lie
// outside the picture or do not show, and for sheets whose edges found cut
// the text off or show too faintly: the top-most and bottom-most long lines
// give the bent top and bottom, straight lines through the lines' ends the
// left and right, each a little way out from the text and on to the paper's
// edge where that shows.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "detect/edgetrace.h"
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

// Where the paper beyond a side of the text ends: how far out, and the
// polarity of its edge there (1: a darker ground beyond, -1: something
// brighter than paper, a window or a lamp behind a sheet held up).
struct PaperEnd {
  double distance = 0;
  int polarity = 1;
};

// What lies beyond a side of the text: where the paper ends, where it
// clearly does, or else how far it runs on, as even paper, to the picture's
// border (0 where it does not).
struct Beyond {
  std::optional<PaperEnd> end;
  double runsOut = 0;
};

// How far the paper beyond side i runs out from the text, followed out from
// points along the side until the closed level falls far below its level at
// the side, or rises clearly above it to clipped white (paper's own light
// unevenness does not clip): the median of where it ends, where most points
// see it end near and the same way; no end where it runs on out of the
// picture or shows no clear end. Where most points reach the border on paper
// no lighter than at the side, the median of how far they walked.
Beyond PaperBeyond(const WorkingCopy& copy, const Page& page, int i) {
  const Vec &from = page.corners[i], &to = page.corners[(i + 1) % 4];
  const Vec outward = -BaseLine(from, to).Normal();
  const auto inside = [&](const Vec& p) {
    return p.x >= 0 && p.y >= 0 && p.x < copy.level.cols && p.y < copy.level.rows;
  };
  const double reach = kMostPaperMargin * std::max(copy.level.cols, copy.level.rows);
  std::vector<double> darker, brighter, ranOut;
  for (int k = 1; k <= kPaperSamples; ++k) {
    Vec p = from + (to - from) * (k / (kPaperSamples + 1.0));
    const float ground = Sample(copy.level, p);
    bool even = true;
    double walked = 0;
    for (; inside(p) && walked <= reach; p += outward, ++walked) {
      const float level = Sample(copy.level, p);
      even = even && level < ground + kPaperEndsBrighter;
      if (level <= ground - kPaperEnds) {
        darker.push_back(walked);
        break;
      }
      if (level >= ground + kPaperEndsBrighter && LightnessOf(level) >= kClipped) {
        brighter.push_back(walked);
        break;
      }
    }
    if (!inside(p) && even) ranOut.push_back(walked);
  }
  if (2 * static_cast<int>(darker.size()) > kPaperSamples) return {PaperEnd{Median(darker), 1}};
  if (2 * static_cast<int>(brighter.size()) > kPaperSamples) return {PaperEnd{Median(brighter), -1}};
  return {std::nullopt, 2 * static_cast<int>(ranOut.size()) > kPaperSamples ? Median(ranOut) : 0};
}

// The paper's edge of `polarity` along side i of the page, traced near it
// and fitted as the side is (curved for the top and bottom, else straight);
// nothing where it shows along too little of the side.
std::optional<SideCurve> PaperEdge(const WorkingCopy& copy, const Page& page, int i, double pitch, int polarity) {
  const SideCurve& side = page.sides[i];
  const double t0 = side.Along(page.corners[i]), t1 = side.Along(page.corners[(i + 1) % 4]);
  const std::vector<Vec> points = TraceEdge(copy, side, t0, t1, std::max(kLeastEdgeBand, kEdgeBand * pitch), polarity);
  const double samples = std::clamp((t1 - t0) / kTraceSpacing, double{kLeastTraced}, double{kMostTraced});
  if (points.size() < kLeastTracedEdge * samples) return std::nullopt;
  return FitSide(side, points, side.Straight() ? 1 : kCurveDegree, kLeastSpread);
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

std::optional<TextPage> PageFromText(const std::vector<TextLine>& block, const std::array<double, 4>& beyond) {
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
  double left = block.front().left.x, right = block.front().right.x;
  for (const TextLine& line : block) left = std::min(left, line.left.x), right = std::max(right, line.right.x);
  // The top and bottom: curves of the family the nearest long lines make,
  // just past the highest and lowest marks of any line (a heading, a short
  // last line), by half a line and the margin, and by as much again as the
  // paper is seen to run on.
  const size_t nearest = std::min(longLines.size(), kFamilyLines);
  const std::optional<LineFamily> upper = LineFamily::Of({longLines.begin(), longLines.begin() + nearest}, left, right);
  const std::optional<LineFamily> lower = LineFamily::Of({longLines.end() - nearest, longLines.end()}, left, right);
  if (!upper || !lower) return std::nullopt;
  double highest = std::numeric_limits<double>::infinity(), lowest = -highest, height = 0;
  for (const TextLine& line : block) {
    for (const Vec& p : {line.left, line.Centre(), line.right}) {
      highest = std::min(highest, upper->LevelThrough(p)), lowest = std::max(lowest, lower->LevelThrough(p));
    }
    height = std::max(height, line.height);
  }
  const double margin = height / 2 + kTextMargin * pitch;
  Page page;
  page.sides[0] = upper->At(highest - margin - beyond[0], false);
  page.sides[2] = lower->At(lowest + margin + beyond[2], true);
  const std::optional<SideCurve> rightSide = EndSide(longLines.front()->right, longLines.back()->right, rights, pitch);
  const std::optional<SideCurve> leftSide = EndSide(block.back().left, block.front().left, lefts, pitch);
  if (!rightSide || !leftSide) return std::nullopt;
  page.sides[1] = *rightSide;
  page.sides[3] = *leftSide;
  page.sides[1].coefficients[0] -= beyond[1];
  page.sides[3].coefficients[0] -= beyond[3];
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
  return TextPage{page, block, *upper, *lower, pitch};
}

namespace {

// The page of the text alone that the chosen block of `marks`' lines makes.
std::optional<TextPage> TextAlone(const cv::Mat& marks, PageChoice choice) {
  const std::vector<std::vector<TextLine>> blocks = TextBlocks(FindTextLines(marks));
  const std::vector<TextLine>* block = ChooseBlock(blocks, choice, marks.cols);
  if (block == nullptr) return std::nullopt;
  return PageFromText(*block);
}

// The text's page with its sides moved out to the paper as FindTextPage tells.
std::optional<TextPage> OutToThePaper(const WorkingCopy& copy, std::optional<TextPage> text) {
  const std::vector<TextLine> block = text->lines;
  // Sides moved out to the paper's edge where it shows beyond the text.
  std::array<std::optional<PaperEnd>, 4> ends;
  std::array<double, 4> beyond{};
  std::array<double, 4> runsOut{};
  // A flat page's side past which the paper runs on out of the picture goes
  // out as far, kept as the text has it: the picture's border is no side of
  // the page seen in perspective. A bent page's follows its lines there.
  const bool flat = BentPair(text->page) < 0;
  for (int i = 0; i < 4; ++i) {
    const Beyond past = PaperBeyond(copy, text->page, i);
    ends[i] = past.end;
    beyond[i] = ends[i] ? ends[i]->distance : flat ? past.runsOut : 0;
    runsOut[i] = past.runsOut;
  }
  if (std::optional<TextPage> moved = PageFromText(block, beyond); moved && Plausible(moved->page, copy.level.size())) {
    // There the side is the paper's edge itself, as far as it is traced:
    // the lines' shape carried that far out is less sure than the edge.
    Page traced = moved->page;
    int edges = 0;
    for (int i = 0; i < 4; ++i)
      if (beyond[i] > 0)
        if (const std::optional<SideCurve> edge = PaperEdge(copy, traced, i, moved->pitch, ends[i]->polarity))
          traced.sides[i] = *edge, ++edges;
    if (Meets(traced) && Plausible(traced, copy.level.size())) moved->page = traced, moved->edgesTraced = edges;
    text = std::move(moved);
  }
  if (!Plausible(text->page, copy.level.size())) return std::nullopt;
  text->paperRunsOut = runsOut;
  return text;
}

}  // namespace

std::optional<TextPage> FindTextPage(const WorkingCopy& copy, PageChoice choice) {
  std::optional<TextPage> text = TextAlone(DarkMarks(copy), choice);
  if (!text) return std::nullopt;
  return OutToThePaper(copy, std::move(text));
}

TextBothWays FindTextBothWays(const WorkingCopy& copy, PageChoice choice) {
  TextBothWays found;
  const cv::Mat marks = DarkMarks(copy);
  if (std::optional<TextPage> text = TextAlone(marks, choice)) found.across = OutToThePaper(copy, std::move(text));
  if (found.across) return found;
  cv::Mat turnedMarks;
  cv::rotate(marks, turnedMarks, cv::ROTATE_90_CLOCKWISE);
  if (std::optional<TextPage> text = TextAlone(turnedMarks, choice)) {
    found.turned = TurnedQuarter(copy);
    found.down = OutToThePaper(found.turned, std::move(text));
  }
  return found;
}

namespace {

// Which of the text's lines the page holds whole, ends and middle inside its corners.
std::vector<bool> WholeLines(const TextPage& text, const Page& page) {
  std::vector<bool> whole;
  for (const TextLine& line : text.lines) {
    int held = 0;
    for (const Vec& p : {line.left, line.Centre(), line.right}) held += Holds(page, p);
    whole.push_back(held == 3);
  }
  return whole;
}

// Which of the text's lines' middles the page holds: inside every side (bowed
// as it is between its corners, straight on past them, where a fitted curve
// soon strays), or beyond one by less than a little of the lines' pitch, as a
// line's middle is found a little off.
std::vector<bool> HeldMiddles(const TextPage& text, const Page& page) {
  const auto held = [&](const Vec& p) {
    for (int i = 0; i < 4; ++i) {
      const SideCurve& side = page.sides[i];
      const double a = side.Along(page.corners[i]), b = side.Along(page.corners[(i + 1) % 4]), t = side.Along(p);
      const double inward = std::min(a, b) <= t && t <= std::max(a, b)
                                ? side.Across(p) - side.Offset(t)
                                : BaseLine(page.corners[i], page.corners[(i + 1) % 4]).Across(p);
      if (inward < -kHeldBeyond * text.pitch) return false;
    }
    return true;
  };
  std::vector<bool> middles;
  for (const TextLine& line : text.lines) middles.push_back(held(line.Centre()));
  return middles;
}

// Whether the text is the page's own, of the lines it `held`: a page holding
// hardly any of them is another page (the facing one) or another thing.
bool OwnText(const TextPage& text, const std::vector<bool>& held) {
  return static_cast<double>(std::count(held.begin(), held.end(), true)) >
         kTextTouched * static_cast<double>(text.lines.size());
}

// Whether the text runs on past the lines the page `held`: a page has
// margins, so the next line beyond those it holds lies further off than a
// couple of line pitches (a rule or a heading between paragraphs leaves
// less).
bool RunsOnPast(const TextPage& text, const std::vector<bool>& held) {
  for (size_t i = 0; i < text.lines.size(); ++i) {
    if (held[i]) continue;
    for (size_t j = 0; j < text.lines.size(); ++j)
      if (held[j] && Distance(text.lines[i].Centre(), text.lines[j].Centre()) < kNextLine * text.pitch) return true;
  }
  return false;
}

// Whether the page's top and bottom (the pair of its sides that runs across)
// follow the text's lines: each stays near one curve of the family of the
// lines nearest it. A page's edges do; a shape beside it, or a corner of the
// picture taken for one of the page's, does not.
bool FollowsTheLines(const Page& page, const TextPage& text) {
  const int pair = AcrossPair(page);
  const int upper =
      (page.corners[pair].y + page.corners[pair + 1].y < page.corners[pair + 2].y + page.corners[(pair + 3) % 4].y)
          ? pair
          : pair + 2;
  for (const int i : {pair, pair + 2}) {
    const LineFamily& family = i == upper ? text.upper : text.lower;
    const SideCurve& side = page.sides[i];
    const double a = side.Along(page.corners[i]), b = side.Along(page.corners[(i + 1) % 4]);
    double least = std::numeric_limits<double>::infinity(), most = -least;
    for (int k = 0; k <= kFollowSamples; ++k) {
      const Vec p = side.At(a + (b - a) * k / kFollowSamples);
      if (!family.Spans(p)) continue;
      const double level = family.LevelThrough(p);
      least = std::min(least, level), most = std::max(most, level);
    }
    if (most > least && most - least > kMostAcrossLines * text.pitch) return false;
  }
  return true;
}

}  // namespace

double PaperLeftOut(const TextPage& text) {
  const std::array<Vec, 4>& c = text.page.corners;
  const double down = Distance((c[0] + c[1]) / 2, (c[2] + c[3]) / 2),
               across = Distance((c[1] + c[2]) / 2, (c[3] + c[0]) / 2);
  if (down <= 0 || across <= 0) return 0;
  const std::array<double, 4>& out = text.paperRunsOut;
  return (out[0] + out[2]) / down + (out[1] + out[3]) / across;
}

bool CloseUp(const WorkingCopy& copy, const TextPage& text) {
  return Area(Corners(text.page)) >= kCloseUp * copy.lightness.cols * copy.lightness.rows;
}

bool CutsText(const TextPage& text, const Page& page) {
  // By the lines' middles alone: marks beside the page at a line's height
  // (a shape on the table, a finger) carry a line on past its ends.
  const std::vector<bool> middles = HeldMiddles(text, page);
  return OwnText(text, middles) && RunsOnPast(text, middles);
}

bool TextTellsMore(const WorkingCopy& copy, const TextPage& text, const std::optional<Page>& edges) {
  // A page found from edges that cuts through its own text is a part of the
  // page (its top lost against a window behind, say), whatever its size.
  if (edges && CutsText(text, *edges)) return true;
  // Where the edges found nothing, a block of text with the paper's edge
  // traced nearly all round it is a page too (a sheet held up, its edges
  // faint against what lies behind).
  if (!edges && text.edgesTraced >= kLeastTracedSides) return true;
  // Otherwise only a close-up, whose page fills much of the picture:
  // elsewhere the page's edges show, and a block of text alone is no page.
  if (!CloseUp(copy, text)) return false;
  if (!edges) return true;
  // A page holds its lines of text whole, and its top and bottom follow
  // them: a page found from edges that cuts through its text, or runs across
  // the lines, is some other shape, or has the picture's edges for the
  // page's where these run out of it. Lines well away from it are marks of
  // other things. One holding hardly any line whole is another page (the
  // facing one), unless it holds their middles: then it runs across them.
  const std::vector<bool> whole = WholeLines(text, *edges);
  if (!OwnText(text, whole)) return OwnText(text, HeldMiddles(text, *edges));
  if (RunsOnPast(text, whole)) return true;
  return !FollowsTheLines(*edges, text);
}

}  // namespace trellimap
