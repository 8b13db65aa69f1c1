// Lines of text found from their marks: marks closed along the rows into
// pieces (words, runs of words), pieces chained into lines where each one
// carries on where the line before it points, and every line's middle fitted
// with a smooth curve.

#include "detect/textlines.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

namespace {

// One column of a piece: where its marks' middle lies, and how high they stand.
struct Column {
  Vec middle;
  double extent;
};

struct Chain {
  std::vector<Column> columns;
  SideCurve fit;
  double height = 0;
  Vec Left() const { return columns.front().middle; }
  Vec Right() const { return columns.back().middle; }
};

std::vector<Vec> Middles(const std::vector<Column>& columns) {
  std::vector<Vec> middles;
  for (const Column& c : columns) middles.push_back(c.middle);
  return middles;
}

double MedianExtent(const std::vector<Column>& columns) {
  std::vector<double> extents;
  for (const Column& c : columns) extents.push_back(c.extent);
  std::nth_element(extents.begin(), extents.begin() + extents.size() / 2, extents.end());
  return extents[extents.size() / 2];
}

// The chain's columns fitted by a polynomial of up to `degree`, fewer for few columns.
void Refit(Chain& chain, int degree) {
  chain.height = MedianExtent(chain.columns);
  const std::vector<Vec> middles = Middles(chain.columns);
  const Vec a = chain.Left(), b = chain.Right();
  const SideCurve base = BaseLine(a, {b.x, a.y});
  const int usable = std::min(degree, static_cast<int>(middles.size()) / 2 - 1);
  const std::optional<SideCurve> fit =
      usable >= 1 ? FitSide(base, middles, usable, std::max(1.0, chain.height / 2)) : std::optional<SideCurve>();
  chain.fit = fit ? *fit : BaseLine(a, b);
}

// The columns of every piece of marks that may belong to a line of text.
std::vector<Chain> Pieces(const cv::Mat& marks) {
  const int size = std::max(marks.cols, marks.rows);
  const int gap = std::max(3, static_cast<int>(kWordGap * size));
  cv::Mat closed, labels, stats, centroids;
  cv::morphologyEx(marks, closed, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_RECT, {gap, 1}));
  const int count = cv::connectedComponentsWithStats(closed, labels, stats, centroids, 8, CV_32S);
  std::vector<Chain> pieces;
  for (int id = 1; id < count; ++id) {
    const int x0 = stats.at<int>(id, cv::CC_STAT_LEFT), y0 = stats.at<int>(id, cv::CC_STAT_TOP);
    const int w = stats.at<int>(id, cv::CC_STAT_WIDTH), h = stats.at<int>(id, cv::CC_STAT_HEIGHT);
    // A line's box grows tall where it runs at a slant or bends: its
    // thickness is what tells it from a picture or a block of marks.
    if (w < kLeastPiece * size || h < kLeastLineHeight) continue;
    Chain piece;
    for (int x = x0; x < x0 + w; ++x) {
      int inked = 0, top = y0 + h, bottom = y0;
      double sum = 0;
      for (int y = y0; y < y0 + h; ++y)
        if (labels.at<int>(y, x) == id && marks.at<uint8_t>(y, x) != 0) {
          ++inked, sum += y;
          top = std::min(top, y), bottom = std::max(bottom, y);
        }
      if (inked > 0) piece.columns.push_back({{x + 0.5, sum / inked + 0.5}, bottom - top + 1.0});
    }
    if (piece.columns.size() < 4 || MedianExtent(piece.columns) > kMostLineHeight * size) continue;
    Refit(piece, 1);
    pieces.push_back(std::move(piece));
  }
  std::sort(pieces.begin(), pieces.end(), [](const Chain& a, const Chain& b) { return a.Left().x < b.Left().x; });
  return pieces;
}

// Where a chain's line, carried on, meets the column of `x`.
double HeightAt(const Chain& chain, double x) {
  const SideCurve& f = chain.fit;
  const double t = (x - f.origin.x) / f.direction.x;
  return f.At(t).y;
}

}  // namespace

cv::Mat DarkMarks(const WorkingCopy& copy) {
  cv::Mat table(1, 256, CV_32F), level, marks;
  for (int i = 0; i < 256; ++i) table.at<float>(i) = LevelOf(static_cast<float>(i));
  cv::LUT(copy.lightness, table, level);
  cv::compare(level, copy.level - kInkDepth, marks, cv::CMP_LT);
  return marks;
}

std::vector<TextLine> FindTextLines(const cv::Mat& marks) {
  const int size = std::max(marks.cols, marks.rows);
  // Pieces left to right, each added to the chain whose line it carries on
  // nearest, or starting a chain of its own.
  std::vector<Chain> chains;
  for (Chain& piece : Pieces(marks)) {
    Chain* best = nullptr;
    double nearest = 0;
    for (Chain& chain : chains) {
      const double gap = piece.Left().x - chain.Right().x;
      if (gap < -chain.height || gap > kLineGap * size) continue;
      const double off = std::abs(HeightAt(chain, piece.Left().x) - piece.Left().y) +
                         std::abs(HeightAt(piece, chain.Right().x) - chain.Right().y);
      if (off > kLineStray * std::max(chain.height, piece.height)) continue;
      if (best == nullptr || off < nearest) best = &chain, nearest = off;
    }
    if (best == nullptr) {
      chains.push_back(std::move(piece));
      continue;
    }
    for (const Column& c : piece.columns)
      if (c.middle.x > best->Right().x) best->columns.push_back(c);
    Refit(*best, 2);
  }
  // Marks along the picture's top or bottom are the frame cutting through
  // something (a line, the ground beyond the paper): no whole line.
  const auto alongFrame = [&](const Chain& chain) {
    return std::any_of(chain.columns.begin(), chain.columns.end(), [&](const Column& c) {
      return c.middle.y - c.extent / 2 < kFrameClearance || c.middle.y + c.extent / 2 > marks.rows - kFrameClearance;
    });
  };
  std::vector<TextLine> lines;
  for (Chain& chain : chains) {
    if (alongFrame(chain)) continue;
    Refit(chain, kTextLineDegree);
    TextLine line;
    line.middle = chain.fit;
    line.left = chain.fit.At(chain.fit.Along(chain.Left()));
    line.right = chain.fit.At(chain.fit.Along(chain.Right()));
    line.height = chain.height;
    line.rms = Quality(chain.fit, Middles(chain.columns), std::max(1.0, chain.height / 2)).rms;
    if (line.Length() >= kLeastLineLength * size && line.Length() >= kLeastLineAspect * line.height)
      lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end(),
            [](const TextLine& a, const TextLine& b) { return a.Centre().y < b.Centre().y; });
  return lines;
}

}  // namespace trellimap
