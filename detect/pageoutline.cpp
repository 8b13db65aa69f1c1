#include "detect/pageoutline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <opencv2/core/utility.hpp>

#include "detect/stages.h"
#include "detect/tuning.h"
#include "foundation/workers.h"
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

void PageOutline::Enlarge(double factor) {
  for (PagePoint& p : points) p.at = p.at * factor;
}

namespace {

// Each guess followed, the guesses shared out among the cores: following is
// most of the work of finding a page, and each guess is followed alone.
std::vector<std::optional<Page>> FollowEach(const WorkingCopy& copy, const std::vector<Quad>& guesses) {
  std::vector<std::optional<Page>> followed(guesses.size());
  const int threads = static_cast<int>(std::min<size_t>(guesses.size(), static_cast<size_t>(Cores())));
  TakeInTurn(guesses.size(), threads, nullptr, [&](Turns& turns) {
    while (const std::optional<size_t> i = turns.Next()) followed[*i] = Follow(copy, guesses[*i]);
  });
  return followed;
}

// The likeliest page the working copy shows; nothing when no page stands out clearly.
std::optional<Page> BestPage(const WorkingCopy& copy) {
  // Every guess followed, kept once where guesses lead to nearly the same
  // page (the better followed), in the guesses' order.
  std::vector<Page> pages;
  const auto follow = [&](const std::vector<Quad>& guesses) {
    for (const std::optional<Page>& page : FollowEach(copy, guesses))
      if (page) Keep(pages, *page);
  };
  const std::vector<Quad> guesses = FirstGuesses(copy);
  follow(guesses);
  follow(AroundText(copy, guesses));
  // Parts of one page that dark bands across it (headings, a table's rules)
  // kept apart, joined two at a time, and the joined parts again.
  const double reach = kDistinct * std::hypot(copy.gradient.cols, copy.gradient.rows);
  for (size_t from = 0, round = 0; round < kJoinRounds; ++round) {
    const size_t to = pages.size();
    // Many pairs join to nearly the same quad, and a quad nearly a page
    // already found leads to that page again: each is followed once.
    std::vector<Quad> joined;
    const auto known = [&](const Quad& quad) {
      return std::any_of(joined.begin(), joined.end(), [&](const Quad& q) { return NearlySame(q, quad, reach); }) ||
             std::any_of(pages.begin(), pages.end(),
                         [&](const Page& page) { return NearlySame(Corners(page), quad, reach); });
    };
    for (size_t i = 0; i < to; ++i)
      for (size_t j = std::max(i + 1, from); j < to; ++j)
        if (const std::optional<Quad> quad = Joined(pages[i], pages[j]); quad && !known(*quad)) joined.push_back(*quad);
    follow(joined);
    from = to;
  }
  const std::optional<Page> chosen = Choose(copy, pages);
  if (!chosen) return std::nullopt;
  return Extended(copy, Trimmed(copy, *chosen));
}

// The page a block of text makes, where it tells more than the page the
// edges found (both on `copy`), and whether paper of it is unseen: the
// text's guess of its size where the paper's edges hardly show round a page
// smaller than the picture, or where the paper runs on out of the picture
// past the text of a flat page (a sheet filling the frame), its outline
// taken out to the picture's border there. A bent book page's outline
// follows its lines there, as it is meant to.
struct TextTaken {
  Page page;
  bool paperUnseen = false;
};
std::optional<TextTaken> Taken(const WorkingCopy& copy, const std::optional<TextPage>& text,
                               const std::optional<Page>& edges) {
  if (!text || !TextTellsMore(copy, *text, edges)) return std::nullopt;
  return TextTaken{text->page, (!CloseUp(copy, *text) && text->edgesTraced < kLeastTracedSides) ||
                                   (BentPair(text->page) < 0 && PaperLeftOut(*text) > kMostPaperLeftOut)};
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
  // Each closing is looked through on a thread of its own, the lines of
  // text on the widest one's. Where no text runs across the picture, it may
  // run down it (a page photographed sideways).
  constexpr size_t kCopies = std::size(kClosings);
  std::array<WorkingCopy, kCopies> copies;
  std::array<std::optional<Page>, kCopies> found;
  TextBothWays text;
  RunWorkers(static_cast<int>(kCopies), [&](int i) {
    copies[i] = MakeWorkingCopy(lightness, kClosings[i]);
    if (static_cast<size_t>(i) + 1 == kCopies) text = FindTextBothWays(copies[i], options.page);
    found[i] = BestPage(copies[i]);
  });
  std::optional<Page> best;
  double bestRank = 0;
  for (size_t i = 0; i < kCopies; ++i)
    if (found[i])
      if (const double rank = Rank(copies[i], *found[i]); !best || rank > bestRank) best = found[i], bestRank = rank;
  // The lines of text, on the copy with the widest closing: where the edges
  // found a page that cuts its own text off (its top lost against a window
  // behind it, say), and in a close-up where they found none, or one that
  // runs across the lines. Text running down the picture is judged so on the
  // turned copy, where it makes a close-up's page only, and a page from edges
  // that cuts it is a part of it only where not clearly larger: marks on a
  // textured table (granite, carpet) line up both ways, and lines running on
  // from a page into them would pass for text the page cuts off.
  const WorkingCopy& widest = copies.back();
  std::optional<TextTaken> taken = Taken(widest, text.across, best);
  if (const std::optional<TextPage>& down = text.down; down && CloseUp(text.turned, *down)) {
    const int rows = widest.level.rows;
    const std::optional<Page> edges = best ? std::optional(TurnedQuarter(*best, rows)) : std::nullopt;
    if (!edges || !CutsText(*down, *edges) || Area(Corners(*edges)) < kNoPartOf * Area(Corners(down->page)))
      taken = Taken(text.turned, down, edges);
    if (taken) taken->page = TurnedBack(taken->page, rows);
  }
  if (taken) {
    Page page = taken->page;
    for (int i = 0; i < 4; ++i) {
      page.sides[i] = Scaled(page.sides[i], 1 / scale);
      page.corners[i] = page.corners[i] / scale;
    }
    PageOutline outline = Outline(page);
    outline.fromText = true;
    outline.paperUnseen = taken->paperUnseen;
    return outline;
  }
  if (!best) return std::nullopt;
  Page page = AtFullResolution(full, scale, *best);
  TurnUpright(page);
  return Outline(page);
}

}  // namespace trellimap
