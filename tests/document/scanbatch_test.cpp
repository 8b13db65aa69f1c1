// Photos gathered into one scanned document, in the order the user gives.

#include "document/scanbatch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "image/pixmill3.h"
#include "tests/support/pagephotos.h"
#include "tests/support/pdftools.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using testing::TempFolder;

// A photo of a page of `width` × `height` (any unit) lying tilted on a table.
std::string PagePhoto(const TempFolder& folder, const std::string& name, double width, double height) {
  return testing::WriteTiltedPagePhoto(folder, name, width, height, 640, 480);
}

struct StopHalfway final : Progress {
  bool Report(double done) override { return done < 0.5; }
};
struct GoOn final : Progress {
  bool Report(double) override { return true; }
};

double Proportion(const dib& picture) {
  return static_cast<double>(std::max(DibWidth(&picture), DibHeight(&picture))) /
         std::min(DibWidth(&picture), DibHeight(&picture));
}

// Each photo's page is found on arrival and shown small in its proportions;
// a photo without a page gets the whole photo, doubtful; a file that is no
// picture adds nothing. The pages go out in the order they were put in, as
// one PDF or as pictures; an export stopped halfway writes no PDF.
TEST(ScanBatch, PagesGoOutInTheirOrder) {
  TempFolder folder;
  ScanBatch batch;
  const std::string a4 = PagePhoto(folder, "a4.png", 210, 297), card = PagePhoto(folder, "card.png", 85.6, 54);
  const std::string blank =
      folder.Write("blank.bmp", testing::MakeBmp(64, 48, 24, {}, [](int, int) { return 0x808080u; }));
  ASSERT_TRUE(batch.Add(a4).done());
  ASSERT_TRUE(batch.Add(card).done());
  ASSERT_TRUE(batch.Add(blank).done());
  EXPECT_TRUE(batch.Add(folder.Write("text.png", {'n', 'o'})).failed());
  ASSERT_EQ(batch.Pages().size(), 3u);
  EXPECT_FALSE(batch.Pages()[0].Doubtful());
  EXPECT_TRUE(batch.Pages()[2].Doubtful());
  EXPECT_NEAR(Proportion(batch.Pages()[0].thumbnail), 297 / 210.0, 0.03);
  EXPECT_NEAR(Proportion(batch.Pages()[1].thumbnail), 85.6 / 54, 0.05);
  EXPECT_EQ(std::max(DibWidth(&batch.Pages()[0].thumbnail), DibHeight(&batch.Pages()[0].thumbnail)),
            kScanThumbnailSide);

  batch.Remove(2);
  batch.Move(1, 0);  // the card first
  const bool cardAcross = DibWidth(&batch.Pages()[0].thumbnail) > DibHeight(&batch.Pages()[0].thumbnail);
  batch.Turn(0, 1);
  EXPECT_NE(DibWidth(&batch.Pages()[0].thumbnail) > DibHeight(&batch.Pages()[0].thumbnail), cardAcross);
  EXPECT_TRUE(batch.Unsaved());

  const std::string pdf = folder.Path("scan.pdf");
  StopHalfway stop;
  EXPECT_TRUE(batch.Export(pdf, {}, "png", stop).stopped());
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_TRUE(batch.Unsaved());
  GoOn go;
  ASSERT_TRUE(batch.Export(pdf, {}, "png", go).done());
  EXPECT_FALSE(batch.Unsaved());
  const std::vector<testing::PdfPageBox> boxes = testing::PdfPageBoxes(pdf);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NEAR(boxes[0].height / boxes[0].width, 85.6 / 54, 0.05);  // the card, turned upright by hand
  EXPECT_NEAR(boxes[1].height / boxes[1].width, 297 / 210.0, 0.03);

  ASSERT_TRUE(batch.Export(folder.Path("pages"), {}, "png", go).done());
  EXPECT_TRUE(std::filesystem::exists(folder.Path("pages/card.png")));
  EXPECT_TRUE(std::filesystem::exists(folder.Path("pages/a4.png")));
}

}  // namespace
}  // namespace trellimap
