// Measures finding a page in photos made with the truth known: how well the
// found outline overlaps the true page (by page kind and backdrop), how far its
// corners stray, and how long detection takes on a 12-megapixel photo.
// Prints `name: number` lines; `--count N` photos `--width` pixels wide from
// the `--first`th of the varied set, `--write DIR` also writes the photos, and `--photo FILE` writes
// only the 12-megapixel one (its format from the extension).

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "codecs/picturewriter.h"
#include "detect/doubt.h"
#include "detect/pageoutline.h"
#include "tests/support/flatlines.h"
#include "tests/support/flattenfound.h"
#include "tests/support/syntheticphoto.h"

namespace trellimap {
namespace {

using testing::MakePhoto;
using testing::VariedPhoto;

// Found outlines by their confidence: how many of each band were right, as
// the confidence says they are likely to be.
struct Calibration {
  static constexpr double kBands[] = {0, 0.5, 0.8, 0.95, 1.0001};
  int found[4] = {}, right[4] = {};
  void Add(double confidence, bool isRight) {
    for (int b = 0; b < 4; ++b)
      if (confidence < kBands[b + 1]) {
        ++found[b], right[b] += isRight;
        return;
      }
  }
  void Print() const {
    std::printf("confidence_right:");
    for (int b = 0; b < 4; ++b)
      std::printf("%s %.2f-%.2f %d of %d", b > 0 ? "," : "", kBands[b], std::min(1.0, kBands[b + 1]), right[b],
                  found[b]);
    std::printf("\n");
  }
};

// The doubt said of found pages against whether they were right: right
// ones called doubtful and wrong ones trusted, each page also added to the
// calibration.
struct DoubtTally {
  Calibration& calibration;
  int rightDoubted = 0, wrongTrusted = 0;
  void Add(const PageDoubt& doubt, double overlap) {
    const bool right = overlap >= 0.95;
    calibration.Add(doubt.confidence, right);
    rightDoubted += right && doubt.Doubtful();
    wrongTrusted += !right && !doubt.Doubtful();
  }
};

struct Tally {
  double sum = 0, least = 1;
  int count = 0, cornersClose = 0, missing = 0;
};

// Ends a photo's line on stderr with the points of the outline found, bend points marked.
void PrintPoints(const std::optional<PageOutline>& found) {
  if (found)
    for (const PagePoint& p : found->points) std::fprintf(stderr, " %.1f,%.1f%s", p.at.x, p.at.y, p.corner ? "" : ",i");
  std::fputc('\n', stderr);
}

}  // namespace
}  // namespace trellimap

int main(int argc, char** argv) {
  using namespace trellimap;
  std::string folder, photoFile;
  int count = 120, first = 0, width = 800;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--write") == 0) folder = argv[i + 1];
    if (std::strcmp(argv[i], "--photo") == 0) photoFile = argv[i + 1];
    if (std::strcmp(argv[i], "--count") == 0) count = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--first") == 0) first = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--width") == 0) width = std::max(64, std::atoi(argv[i + 1]));
  }
  if (!photoFile.empty()) {
    testing::PhotoSetup setup = VariedPhoto(0, 4000, 3000);
    setup.backdrop = testing::Backdrop::Textured;
    const testing::SyntheticPhoto photo = MakePhoto(setup);
    return WritePictureFile(photo.picture, photoFile).done() ? 0 : 1;
  }
  std::map<std::string, Tally> tallies;
  Calibration calibration;
  DoubtTally varied{calibration};
  for (int i = first; i < first + count; ++i) {
    const testing::PhotoSetup setup = VariedPhoto(i, width, width * 3 / 4);
    const testing::SyntheticPhoto photo = MakePhoto(setup);
    if (!folder.empty()) WritePictureFile(photo.picture, folder + "/photo" + std::to_string(i) + ".png");
    const std::optional<PageOutline> found = FindPageOutline(photo.picture);
    const bool curved = testing::VariedPageKind(i) == testing::PageKind::Book;
    double overlap = 0, worst = 1e300;
    if (found) {
      overlap = testing::Overlap(found->Polygon(), photo.outline, setup.width, setup.height);
      varied.Add(JudgeOutline(*found, photo.picture), overlap);
      const std::vector<Vec> corners = found->Corners();
      const double diagonal =
          std::hypot(photo.corners[2].x - photo.corners[0].x, photo.corners[2].y - photo.corners[0].y);
      worst = 0;
      for (int k = 0; k < 4; ++k)
        worst = std::max(worst,
                         std::hypot(corners[k].x - photo.corners[k].x, corners[k].y - photo.corners[k].y) / diagonal);
    }
    const char* backdrops[] = {"plain", "textured", "cluttered", "lowcontrast"};
    for (const std::string& key :
         {std::string(curved ? "curved" : "flat"), std::string(backdrops[static_cast<int>(setup.backdrop)]),
          std::string(testing::PageKindName(testing::VariedPageKind(i)))}) {
      Tally& t = tallies[key];
      t.sum += overlap;
      t.least = std::min(t.least, overlap);
      ++t.count;
      t.cornersClose += worst <= 0.005;
      t.missing += !found;
    }
    std::fprintf(stderr, "photo %d: %s %s overlap %.4f corner %.4f", i, curved ? "curved" : "flat",
                 backdrops[static_cast<int>(setup.backdrop)], overlap, worst);
    PrintPoints(found);
  }
  for (const auto& [key, t] : tallies)
    std::printf("overlap_%s: %.4f (least %.4f, corners close %d of %d, none found %d)\n", key.c_str(), t.sum / t.count,
                t.least, t.cornersClose, t.count, t.missing);

  std::printf("doubt: right found doubtful %d, wrong found trusted %d\n", varied.rightDoubted, varied.wrongTrusted);

  // Sheets held up: fingers over their edges, a bright window behind every other one.
  constexpr int kHandHeld = 24;
  int heldRight = 0;
  double heldOverlap = 0;
  DoubtTally held{calibration};
  for (int i = 0; i < kHandHeld; ++i) {
    const testing::PhotoSetup setup = testing::HandHeldPhoto(i, width, width * 3 / 4);
    const testing::SyntheticPhoto photo = MakePhoto(setup);
    if (!folder.empty()) WritePictureFile(photo.picture, folder + "/handheld" + std::to_string(i) + ".png");
    const std::optional<PageOutline> found = FindPageOutline(photo.picture);
    const double overlap = found ? testing::Overlap(found->Polygon(), photo.outline, setup.width, setup.height) : 0;
    const PageDoubt doubt = found ? JudgeOutline(*found, photo.picture) : PageDoubt{};
    if (found) held.Add(doubt, overlap);
    heldOverlap += overlap;
    heldRight += overlap >= 0.95;
    std::fprintf(stderr, "hand-held %d: overlap %.4f%s\n", i, overlap, doubt.Doubtful() ? ", doubtful" : "");
  }
  std::printf("handheld: %d of %d right, mean overlap %.4f, right doubtful %d, wrong trusted %d\n", heldRight,
              kHandHeld, heldOverlap / kHandHeld, held.rightDoubted, held.wrongTrusted);
  calibration.Print();

  // Close-ups of open books' pages, flattened: how straight and evenly spaced their lines come out.
  constexpr int kCloseUps = 12;
  int closeFound = 0, fromText = 0;
  double worstBend = 0, worstSpacing = 0;
  for (int i = 0; i < kCloseUps; ++i) {
    const testing::PhotoSetup setup = testing::BookCloseUp(0.03 + 0.01 * i, 5 + 2 * i, 0.85 + 0.02 * i,
                                                           {0.6 * std::sin(i), 0.6 * std::cos(i)}, 100 + i);
    testing::SyntheticPhoto photo = MakePhoto(setup);
    const std::string name = folder + "/closeup" + std::to_string(i);
    if (!folder.empty()) WritePictureFile(photo.picture, name + ".png");
    const std::optional<PageOutline> found = FindPageOutline(photo.picture);
    if (!found) continue;
    std::optional<dib> flat = testing::FlattenFound(*found, photo.picture);
    if (!flat) continue;
    if (!folder.empty()) WritePictureFile(*flat, name + "-flat.png");
    const testing::FlatLines lines = testing::MeasureFlatLines(*flat);
    ReleaseDib(&*flat);
    ++closeFound, fromText += found->fromText;
    worstBend = std::max(worstBend, lines.worstBend);
    worstSpacing = std::max(worstSpacing, lines.worstSpacing);
    std::fprintf(stderr, "close-up %d: %s, %d lines, bend %.4f, spacing %.4f\n", i, found->fromText ? "text" : "edges",
                 lines.lines, lines.worstBend, lines.worstSpacing);
  }
  std::printf("closeup_books: found %d of %d (%d from text), worst bend %.4f, worst spacing %.4f\n", closeFound,
              kCloseUps, fromText, worstBend, worstSpacing);

  // ISO sheets held up and bowed across their width: how close the automatic
  // size of those found right comes to their true 1:1.414.
  constexpr int kBentSheets = 12;
  int bentRight = 0, bentTrue = 0;
  double worstProportion = 0;
  for (int i = 0; i < kBentSheets; ++i) {
    testing::PhotoSetup setup = testing::HandHeldPhoto(i, width, width * 3 / 4);
    setup.pageWidth = 210, setup.pageHeight = 297, setup.cornerRadius = 0;
    setup.curl = 0.03 + 0.01 * (i % 5);
    testing::SyntheticPhoto photo = MakePhoto(setup);
    if (!folder.empty()) WritePictureFile(photo.picture, folder + "/bent" + std::to_string(i) + ".png");
    const std::optional<PageOutline> found = FindPageOutline(photo.picture);
    const double overlap = found ? testing::Overlap(found->Polygon(), photo.outline, setup.width, setup.height) : 0;
    double error = -1;
    if (overlap >= 0.95) {
      const FlatSize flat = testing::AutoSizeFound(*found, photo.picture);
      error = std::abs(static_cast<double>(std::max(flat.width, flat.height)) / std::min(flat.width, flat.height) /
                           std::sqrt(2.0) -
                       1);
      ++bentRight, bentTrue += error <= 0.03;
      worstProportion = std::max(worstProportion, error);
    }
    std::fprintf(stderr, "bent sheet %d: overlap %.4f, proportion error %.4f", i, overlap, error);
    PrintPoints(found);
  }
  std::printf("bent_held: %d of %d right, proportions within 3 %% %d of %d, worst %.4f\n", bentRight, kBentSheets,
              bentTrue, bentRight, worstProportion);

  // Sheets photographed to fill the frame, running just out of it on one
  // side: found where the picture's border cuts them, and trusted.
  constexpr int kFillingSheets = 48;
  int fillingRight = 0, fillingDoubted = 0, fillingTrusted = 0;
  for (int i = 0; i < kFillingSheets; ++i) {
    const testing::PhotoSetup setup = testing::FillingPhoto(i, width);
    testing::SyntheticPhoto photo = MakePhoto(setup);
    if (!folder.empty()) WritePictureFile(photo.picture, folder + "/filling" + std::to_string(i) + ".png");
    const std::optional<PageOutline> found = FindPageOutline(photo.picture);
    const double overlap = found ? testing::Overlap(found->Polygon(), photo.outline, setup.width, setup.height) : 0;
    const bool doubtful = found && JudgeOutline(*found, photo.picture).Doubtful();
    fillingRight += overlap >= 0.95, fillingDoubted += overlap >= 0.95 && doubtful;
    fillingTrusted += found && overlap < 0.95 && !doubtful;
    std::fprintf(stderr, "filling sheet %d: overlap %.4f%s", i, overlap, doubtful ? ", doubtful" : "");
    PrintPoints(found);
  }
  std::printf("filling_sheets: %d of %d right, right doubtful %d, wrong trusted %d\n", fillingRight, kFillingSheets,
              fillingDoubted, fillingTrusted);

  testing::PhotoSetup setup = VariedPhoto(0, 4000, 3000);
  const testing::SyntheticPhoto big = MakePhoto(setup);
  double best = 1e300;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    FindPageOutline(big.picture);
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("detect_ms: %.1f\n", best);
}
