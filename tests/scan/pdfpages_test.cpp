// PDFs of flat pages, read back by poppler and checked by qpdf.

#include "scan/pdfpages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "image/pixmill3.h"
#include "tests/support/pdftools.h"
#include "tests/support/testfiles.h"
#include "tests/support/textpages.h"

namespace trellimap {
namespace {

using testing::TempFolder;

// A page of paper tinted by soft gradients with bars of dark blue ink and a
// red stamp, or the same in grey levels, or in black and white at a bit a
// pixel; or speckle, black and white at random.
enum class Kind { Colour, Grey, Bits, Speckle };

dib PageOf(Kind kind, int32_t w, int32_t h) {
  dib page{};
  BitmapInfo colours{};
  colours.bmiColors[1] = {255, 255, 255, 0};
  newdib(&page, w, h, kind == Kind::Bits || kind == Kind::Speckle ? 1 : 24, &colours, 2);
  uint32_t random = 12345;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const bool ink = (y / 12) % 3 == 1 && x > w / 10 && x < w * 8 / 10;
      const bool stamp = std::hypot(x - w * 0.8, y - h * 0.8) < w * 0.08;
      const auto r = static_cast<uint32_t>(ink     ? 20
                                           : stamp ? 200
                                                   : 225 + 25 * x / w),
                 g = static_cast<uint32_t>(ink     ? 30
                                           : stamp ? 40
                                                   : 235),
                 b = static_cast<uint32_t>(ink     ? 80
                                           : stamp ? 50
                                                   : 220 + 30 * y / h);
      random = random * 1664525 + 1013904223;
      if (kind == Kind::Speckle)
        setpixel(page, x, y, random >> 31);
      else if (kind == Kind::Bits)
        setpixel(page, x, y, ink ? 0 : 1);
      else if (kind == Kind::Grey)
        setpixel(page, x, y, g * 0x010101);
      else
        setpixel(page, x, y, r | g << 8 | b << 16);
    }
  return page;
}

// Every page comes back in its place at its size, coded as its kind asks,
// and drawn back at its resolution it is the page it was.
TEST(MakePdf, PagesComeBackInOrderAtTheirSizes) {
  const struct {
    Kind kind;
    int32_t w, h;
    PaperPoints paper;
    const char* picture;
    double leastPsnr;
  } cases[] = {{Kind::Colour, 300, 450, {144, 216}, "rgb 8 jpeg", 30},
               {Kind::Bits, 450, 300, {216, 144}, "gray 1 ccitt", 99},
               {Kind::Grey, 150, 150, {72, 72}, "gray 8 jpeg", 30},
               {Kind::Speckle, 37, 23, {37, 23}, "gray 1 ccitt", 99}};
  std::vector<PdfPage> pages;
  std::vector<dib> pictures;
  for (const auto& c : cases) {
    pictures.push_back(PageOf(c.kind, c.w, c.h));
    const std::optional<PdfPage> coded = CodePdfPage(pictures.back(), c.paper, 85);
    ASSERT_TRUE(coded);
    pages.push_back(*coded);
  }
  TempFolder folder;
  const std::string pdf = folder.Path("pages.pdf");
  ASSERT_TRUE(WritePdf(pages, {"Pages", "2026-12-11T10:00:00"}, pdf).done());
  EXPECT_EQ(testing::RunTool("qpdf --check '" + pdf + "'").status, 0);
  const std::vector<testing::PdfPageBox> boxes = testing::PdfPageBoxes(pdf);
  const std::vector<std::string> kinds = testing::PdfPictures(pdf);
  ASSERT_EQ(boxes.size(), std::size(cases));
  ASSERT_EQ(kinds.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    EXPECT_NEAR(boxes[i].width, c.paper.width, 0.01) << i;
    EXPECT_NEAR(boxes[i].height, c.paper.height, 0.01) << i;
    EXPECT_EQ(kinds[i], c.picture) << i;
    dib back = testing::RenderedPdfPage(pdf, static_cast<int>(i) + 1, static_cast<int>(72.0 * c.w / c.paper.width));
    ASSERT_EQ(DibWidth(&back), c.w) << i;
    ASSERT_EQ(DibHeight(&back), c.h) << i;
    EXPECT_GE(testing::Psnr(pictures[i], back), c.leastPsnr) << i;
    ReleaseDib(&back);
    ReleaseDib(&pictures[i]);
  }
  const testing::ToolRun info = testing::RunTool("pdfinfo '" + pdf + "'");
  EXPECT_NE(info.out.find("Title:           Pages"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("CreationDate:    Fri Dec 11 10:00:00 2026"), std::string::npos) << info.out;
}

// The words lie under the page's picture, hidden, where a search finds them
// on their boxes.
TEST(MakePdf, WordsAreFoundOnTheirBoxes) {
  dib picture = PageOf(Kind::Bits, 600, 300);
  std::optional<PdfPage> page = CodePdfPage(picture, {288, 144}, 85);
  ASSERT_TRUE(page);
  page->words = {
      {"Harbour", 60, 40, 200, 70, 64}, {"quarterly", 220, 40, 400, 76, 64}, {"figures", 60, 150, 300, 190, 182}};
  TempFolder folder;
  const std::string pdf = folder.Path("words.pdf");
  ASSERT_TRUE(WritePdf({*page}, {"Words", ""}, pdf).done());
  const std::string text = testing::RunTool("pdftotext -bbox '" + pdf + "' -").out;
  for (const RecognisedWord& word : page->words) {
    const size_t at = text.find(">" + word.text + "<");
    ASSERT_NE(at, std::string::npos) << word.text << "\n" << text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    const size_t open = text.rfind("<word", at);
    ASSERT_EQ(std::sscanf(text.c_str() + open, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"", &xMin,
                          &yMin, &xMax, &yMax),
              4);
    const double points = 288.0 / 600;  // per pixel
    EXPECT_NEAR(xMin, word.left * points, 2) << word.text;
    EXPECT_NEAR(xMax, word.right * points, 2) << word.text;
    EXPECT_LT(yMin, word.baseline * points) << word.text;
    EXPECT_GT(yMax, word.baseline * points) << word.text;
  }
  // Hidden: the page draws as its picture alone.
  dib back = testing::RenderedPdfPage(pdf, 1, 150);
  EXPECT_GE(testing::Psnr(picture, back), 99);
  ReleaseDib(&back);
  ReleaseDib(&picture);
}

// A PDF that cannot be written leaves what was there.
TEST(WritePdf, AFailureLeavesNoFileAndTheOldOne) {
  TempFolder folder;
  dib picture = PageOf(Kind::Colour, 20, 20);
  const PdfPage page = *CodePdfPage(picture, {20, 20}, 85);
  const std::string old = folder.Write("old.pdf", {'o', 'l', 'd'});
  EXPECT_TRUE(WritePdf({}, {"None", ""}, old).failed());
  EXPECT_EQ(std::filesystem::file_size(old), 3u);
  const Outcome missing = WritePdf({page}, {"Missing", ""}, folder.Path("no/such.pdf"));
  EXPECT_EQ(missing.problem, FileProblem::NoSuchFile);
  EXPECT_FALSE(std::filesystem::exists(folder.Path("no")));
  ReleaseDib(&picture);
}

}  // namespace
}  // namespace trellimap
