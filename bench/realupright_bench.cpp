// Measures turning real photographed pages upright: each page of the
// development set that shows text is flattened within its labelled corners
// (the whole photo where no whole page shows), then given to the upright
// turning in each of its four turns. Prints `name: number` lines, and one line
// per photo on stderr; nothing when the set is absent.

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "document/flatpages.h"
#include "foundation/workrunner.h"
#include "render/foundoutline.h"
#include "scan/upright.h"
#include "tests/support/realphotos.h"

namespace {

using namespace trellimap;

// The presses of the labelled corners.
std::vector<PointPress> LabelledPresses(const testing::RealPhoto& photo) {
  if (photo.noPage) return InsetPresses(photo.width, photo.height, 0);
  std::vector<PointPress> presses;
  for (const Vec& p : photo.corners)
    presses.push_back(
        {static_cast<int32_t>(std::lround(p.x)), static_cast<int32_t>(std::lround(p.y)), MouseButton::Left});
  return presses;
}

}  // namespace

int main() {
  const std::optional<std::string> folder = testing::RealPhotoFolder();
  if (!folder) {
    std::fprintf(stderr, "no real photos here: nothing measured\n");
    return 0;
  }
  int cases = 0, upright = 0, uprightKept = 0, uprightCases = 0;
  for (const testing::RealPhoto& photo : testing::ReadRealPhotos(*folder)) {
    ProjectDocument doc;
    RunInPlace inPlace;
    if (!doc.OpenPicture(0, photo.file, inPlace).done()) continue;
    PlaceOutline(doc.workspace().Side(0), LabelledPresses(photo));
    FlattenChoices choices;
    choices.finish.turn = 0;
    if (!FlattenPicture1(doc, choices, inPlace).done()) continue;
    // The flat page turned a quarter more each time, four times round.
    dib& flat = doc.workspace().Result(WarpDirection::OneIntoTwo);
    std::string verdicts;
    for (int quarters = 0; quarters < 4; TurnPage(flat, 1), ++quarters) {
      const int found = UprightTurns(flat);
      const bool right = (found + quarters) % 4 == 0;
      ++cases, upright += right;
      if (quarters == 0) ++uprightCases, uprightKept += right;
      verdicts += " " + std::to_string(quarters) + "->" + std::to_string(found) + (right ? "" : "!");
    }
    std::fprintf(stderr, "%s:%s\n", std::filesystem::path(photo.file).filename().c_str(), verdicts.c_str());
  }
  std::printf("real_upright: %d of %d (upright pages kept %d of %d)\n", upright, cases, uprightKept, uprightCases);
}
