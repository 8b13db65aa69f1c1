// First guesses of where a page lies, to be followed: the likeliest rough
// quads, quads around blocks of text, and the parts of a page that dark
// bands across it kept apart, joined.

#include "detect/stages.h"
#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

std::vector<Quad> FirstGuesses(const WorkingCopy& copy) {
  std::vector<Quad> quads = RoughQuads(copy);
  if (quads.size() > kMostGuesses) quads.resize(kMostGuesses);
  return quads;
}

Quad Grown(const Quad& quad, double factor) {
  Vec centre{0, 0};
  for (const Vec& p : quad) centre += p / 4;
  Quad grown;
  for (int i = 0; i < 4; ++i) grown[i] = centre + factor * (quad[i] - centre);
  return grown;
}

// A block darker than what surrounds it is likely a page's text: the page
// lies around it. Grown from the guess, whether or not it led to a page: a
// side following a block of text may run on to an edge beyond the page.
std::vector<Quad> AroundText(const WorkingCopy& copy, const std::vector<Quad>& guesses) {
  std::vector<Quad> grown;
  for (const Quad& quad : guesses)
    if (PolarityOf(copy, quad) < 0)
      for (const double growth : kTextGrowths) grown.push_back(Grown(quad, growth));
  return grown;
}

// Parts are pages lighter than their surroundings whose quad around both is
// not much larger than the two together.
std::optional<Quad> Joined(const Page& a, const Page& b) {
  if (a.polarity < 0 || b.polarity < 0) return std::nullopt;
  std::vector<Vec> both(a.corners.begin(), a.corners.end());
  both.insert(both.end(), b.corners.begin(), b.corners.end());
  const Quad around = QuadAround(both);
  if (Area(around) < kMostJoinedArea * (Area(Corners(a)) + Area(Corners(b)))) return around;
  return std::nullopt;
}

}  // namespace trellimap
