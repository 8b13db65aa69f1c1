#include "detect/pageoutline.h"

#include <opencv2/core/utility.hpp>

#include "detect/stages.h"
#include "detect/tuning.h"
#include "image/pixmill3.h"

namespace trellimap {

using namespace tuning;

std::vector<Vec> PageOutline::Corners() const {
  std::vector<Vec> corners;
  for (const PagePoint& p : points)
    if (p.corner) corners.push_back(p.at);
  return corners;
}

std::vector<Vec> PageOutline::Polygon() const {
  std::vector<Vec> polygon;
  for (const PagePoint& p : points) polygon.push_back(p.at);
  return polygon;
}

namespace {

// The likeliest page the working copy shows; nothing when no page stands out clearly.
std::optional<Page> BestPage(const WorkingCopy& copy) {
  // Every guess followed, kept once where guesses lead to nearly the same
  // page (the better followed).
  std::vector<Page> pages;
  const auto follow = [&](const Quad& quad) {
    if (const std::optional<Page> page = Follow(copy, quad)) Keep(pages, *page);
  };
  const std::vector<Quad> guesses = FirstGuesses(copy);
  for (const Quad& quad : guesses) follow(quad);
  for (const Quad& quad : AroundText(copy, guesses)) follow(quad);
  // Parts of one page that dark bands across it (headings, a table's rules)
  // kept apart, joined two at a time, and the joined parts again.
  for (size_t from = 0, round = 0; round < kJoinRounds; ++round) {
    const size_t to = pages.size();
    for (size_t i = 0; i < to; ++i)
      for (size_t j = std::max(i + 1, from); j < to; ++j)
        if (const std::optional<Quad> joined = Joined(pages[i], pages[j])) follow(*joined);
    from = to;
  }
  const std::optional<Page> chosen = Choose(copy, pages);
  if (!chosen) return std::nullopt;
  return Extended(copy, Trimmed(copy, *chosen));
}

}  // namespace

std::optional<PageOutline> FindPageOutline(const dib& picture, const FindOptions& options) {
  if (picture.poi == nullptr || DibWidth(&picture) < 16 || DibHeight(&picture) < 16) return std::nullopt;
  // OpenCV works in the calling thread alone: detection is brief, and the
  // program's own workers are the only threads that touch pictures.
  cv::setNumThreads(0);
  const FullPicture full(picture);
  double scale = 1;
  const cv::Mat lightness = ReducedLightness(full, kWorkingSize, &scale);
  // Text closed away less and more: a page's dark bands (a heading, a table)
  // need the wider closing, a page beside light clutter the narrower one.
  std::optional<Page> best;
  double bestRank = 0;
  WorkingCopy copy;
  for (const double closing : kClosings) {
    copy = MakeWorkingCopy(lightness, closing);
    const std::optional<Page> found = BestPage(copy);
    if (!found) continue;
    if (const double rank = Rank(copy, *found); !best || rank > bestRank) best = found, bestRank = rank;
  }
  // A close-up's lines of text, on the copy with the widest closing: where
  // the edges found no page, or one leaving most of the text out.
  if (const std::optional<TextPage> text = FindTextPage(copy, options.page); text && TextTellsMore(copy, *text, best)) {
    Page page = text->page;
    for (int i = 0; i < 4; ++i) {
      page.sides[i] = Scaled(page.sides[i], 1 / scale);
      page.corners[i] = page.corners[i] / scale;
    }
    PageOutline outline = Outline(page);
    outline.fromText = true;
    return outline;
  }
  if (!best) return std::nullopt;
  Page page = AtFullResolution(full, scale, *best);
  TurnUpright(page);
  return Outline(page);
}

}  // namespace trellimap
