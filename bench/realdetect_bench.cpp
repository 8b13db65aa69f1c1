// Measures finding the page in real phone photos of documents with
// hand-labelled pages (the development set beside the source tree, or
// $TRELLIMAP_REAL_PHOTOS): how many pages are found right (overlap with the
// label at least 0.95), found wrong, or missed, and how long reading and
// finding take. Prints `name: number` lines, and one line per photo on stderr;
// nothing when the set is absent. With --time it only reads and finds, as the
// command line does, and prints the seconds all photos took together.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "codecs/pictureopening.h"
#include "detect/doubt.h"
#include "detect/pageoutline.h"
#include "foundation/freedmemory.h"
#include "image/pixmill3.h"
#include "tests/support/realphotos.h"

namespace {

using namespace trellimap;

struct Found {
  std::optional<PageOutline> outline;  // on the photo at full size
  PageDoubt doubt;
  bool read = false;
};

// The photo read as `trellimap-cli detect` reads it (reduced where it can be)
// and its page found.
Found ReadAndFind(const std::string& file) {
  Found found;
  dib picture{};
  Reduction reduction{kFindingSide};
  if (!ReadPictureFile(file, picture, nullptr, &reduction).done()) return found;
  found.read = true;
  found.outline = FindPageOutline(picture);
  if (found.outline) {
    found.doubt = JudgeOutline(*found.outline, picture);
    found.outline->Enlarge(reduction.factor);
  }
  ReleaseDib(&picture);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  KeepFreedMemory();  // as the command line does
  const std::optional<std::string> folder = testing::RealPhotoFolder();
  if (!folder) {
    std::fprintf(stderr, "no real photos here: nothing measured\n");
    return 0;
  }
  const std::vector<testing::RealPhoto> photos = testing::ReadRealPhotos(*folder);
  if (argc > 1 && std::strcmp(argv[1], "--time") == 0) {
    const auto start = Clock::now();
    for (const testing::RealPhoto& photo : photos) ReadAndFind(photo.file);
    std::printf("%.3f\n", std::chrono::duration<double>(Clock::now() - start).count());
    return 0;
  }
  int pages = 0, right = 0, wrong = 0, missed = 0, falseFinds = 0, rightDoubted = 0, wrongTrusted = 0;
  double overlapSum = 0, seconds = 0, slowest = 0;
  for (const testing::RealPhoto& photo : photos) {
    const auto start = Clock::now();
    const Found found = ReadAndFind(photo.file);
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    if (!found.read) {
      std::fprintf(stderr, "%s: cannot be read\n", photo.file.c_str());
      continue;
    }
    seconds += took;
    slowest = std::max(slowest, took);
    const std::string name = std::filesystem::path(photo.file).filename().string();
    const PageDoubt& doubt = found.doubt;
    if (photo.noPage) {
      falseFinds += found.outline.has_value();
      std::fprintf(stderr, "%s: no page; %s, %.2f s\n", name.c_str(),
                   !found.outline            ? "none found"
                   : found.outline->fromText ? "one found from text"
                                             : "one found",
                   took);
      continue;
    }
    ++pages;
    const double overlap = found.outline ? testing::OverlapWithPage(photo, found.outline->Polygon()) : 0;
    const bool isRight = overlap >= testing::kRightOverlap;
    overlapSum += overlap;
    right += isRight;
    wrong += found.outline && !isRight;
    missed += !found.outline;
    rightDoubted += isRight && doubt.Doubtful();
    wrongTrusted += found.outline && !isRight && !doubt.Doubtful();
    std::fprintf(stderr, "%s: overlap %.4f%s, confidence %.2f%s%s, %.2f s\n", name.c_str(), overlap,
                 !found.outline            ? " (none found)"
                 : found.outline->fromText ? " (from text)"
                                           : "",
                 doubt.confidence, doubt.Doubtful() ? ", doubtful: " : "", DoubtWords(doubt.reason), took);
  }
  std::printf("real_found: %d of %d (wrong %d, missed %d, found where none is %d)\n", right, pages, wrong, missed,
              falseFinds);
  std::printf("real_doubt: right found doubtful %d, wrong found trusted %d\n", rightDoubted, wrongTrusted);
  std::printf("real_overlap: %.4f\n", pages > 0 ? overlapSum / pages : 0.0);
  std::printf("real_detect_s: %.2f (slowest %.2f)\n", seconds / std::max<size_t>(1, photos.size()), slowest);
}
