// Measures finding the page in real phone photos of documents with
// hand-labelled pages (the development set beside the source tree, or
// $TRELLIMAP_REAL_PHOTOS): how many pages are found right (overlap with the
// label at least 0.95), found wrong, or missed, and how long reading and
// finding take. Prints `name: number` lines, and one line per photo on stderr;
// nothing when the set is absent.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "codecs/pictureopening.h"
#include "detect/doubt.h"
#include "detect/pageoutline.h"
#include "image/pixmill3.h"
#include "tests/support/realphotos.h"

int main() {
  using namespace trellimap;
  using Clock = std::chrono::steady_clock;
  const std::optional<std::string> folder = testing::RealPhotoFolder();
  if (!folder) {
    std::fprintf(stderr, "no real photos here: nothing measured\n");
    return 0;
  }
  int pages = 0, right = 0, wrong = 0, missed = 0, falseFinds = 0, rightDoubted = 0, wrongTrusted = 0;
  double overlapSum = 0, seconds = 0, slowest = 0;
  for (const testing::RealPhoto& photo : testing::ReadRealPhotos(*folder)) {
    const auto start = Clock::now();
    dib picture{};
    if (!ReadPictureFile(photo.file, picture).done()) {
      std::fprintf(stderr, "%s: cannot be read\n", photo.file.c_str());
      continue;
    }
    const std::optional<PageOutline> found = FindPageOutline(picture);
    const PageDoubt doubt = found ? JudgeOutline(*found, picture) : PageDoubt{};
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    seconds += took;
    slowest = std::max(slowest, took);
    const std::string name = std::filesystem::path(photo.file).filename().string();
    if (photo.noPage) {
      falseFinds += found.has_value();
      std::fprintf(stderr, "%s: no page; %s, %.2f s\n", name.c_str(), found ? "one found" : "none found", took);
    } else {
      ++pages;
      const double overlap = found ? testing::OverlapWithPage(photo, found->Polygon()) : 0;
      overlapSum += overlap;
      right += overlap >= testing::kRightOverlap;
      wrong += found && overlap < testing::kRightOverlap;
      missed += !found;
      rightDoubted += overlap >= testing::kRightOverlap && doubt.Doubtful();
      wrongTrusted += found && overlap < testing::kRightOverlap && !doubt.Doubtful();
      std::fprintf(stderr, "%s: overlap %.4f%s, confidence %.2f%s%s, %.2f s\n", name.c_str(), overlap,
                   found ? "" : " (none found)", doubt.confidence, doubt.Doubtful() ? ", doubtful: " : "",
                   DoubtWords(doubt.reason), took);
    }
    ReleaseDib(&picture);
  }
  std::printf("real_found: %d of %d (wrong %d, missed %d, found where none is %d)\n", right, pages, wrong, missed,
              falseFinds);
  std::printf("real_doubt: right found doubtful %d, wrong found trusted %d\n", rightDoubted, wrongTrusted);
  std::printf("real_overlap: %.4f\n", pages > 0 ? overlapSum / pages : 0.0);
  std::printf("real_detect_s: %.2f (slowest %.2f)\n", seconds / std::max(1, pages), slowest);
}
