// Pages found in real phone photos of documents, against their hand-made
// labels: a floor that detection must not fall below. The photos are kept
// beside the source tree, never in it; without them the test is skipped.

#include "tests/support/realphotos.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/pictureopening.h"
#include "detect/doubt.h"
#include "detect/pageoutline.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// Of the photos that show a whole page, at least this many are found right
// (overlap 0.95 or more), at most this many found wrong, each of them in
// doubt, and at most this many right ones doubted; where no whole page shows
// (a book's page filling the photo, a flat scan), an outline may be found
// from the lines of text alone, never from edges.
constexpr int kLeastRight = 14;
constexpr int kMostWrong = 1;
constexpr int kMostRightDoubted = 1;

TEST(RealPhotos, PagesAreFoundAtLeastAsOftenAsBeforeAndWrongOnesDoubted) {
  const std::optional<std::string> folder = testing::RealPhotoFolder();
  if (!folder) GTEST_SKIP() << "the real photos are not here";
  const std::vector<testing::RealPhoto> photos = testing::ReadRealPhotos(*folder);
  ASSERT_FALSE(photos.empty()) << *folder << "/truth.json";
  int right = 0, wrong = 0, doubted = 0;
  for (const testing::RealPhoto& photo : photos) {
    const std::string name = std::filesystem::path(photo.file).filename().string();
    dib picture{};
    ASSERT_TRUE(ReadPictureFile(photo.file, picture).done()) << name;
    // The labels are of the upright picture, as it is opened.
    EXPECT_EQ(DibWidth(&picture), photo.width) << name;
    EXPECT_EQ(DibHeight(&picture), photo.height) << name;
    const std::optional<PageOutline> found = FindPageOutline(picture);
    const bool doubtful = found && JudgeOutline(*found, picture).Doubtful();
    ReleaseDib(&picture);
    if (photo.noPage) {
      EXPECT_TRUE(!found || found->fromText) << name << ": a page found from edges where no whole page shows";
      continue;
    }
    const double overlap = found ? testing::OverlapWithPage(photo, found->Polygon()) : 0;
    right += overlap >= testing::kRightOverlap;
    wrong += found && overlap < testing::kRightOverlap;
    doubted += overlap >= testing::kRightOverlap && doubtful;
    EXPECT_TRUE(!found || overlap >= testing::kRightOverlap || doubtful) << name << ": wrong, and sure of it";
    RecordProperty(name, std::to_string(overlap));
  }
  EXPECT_GE(right, kLeastRight);
  EXPECT_LE(wrong, kMostWrong);
  EXPECT_LE(doubted, kMostRightDoubted);
}

}  // namespace
}  // namespace trellimap
