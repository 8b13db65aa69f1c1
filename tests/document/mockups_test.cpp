#include "document/mockups.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/pictureopening.h"
#include "document/outputfiles.h"
#include "image/depthpromotion.h"
#include "image/pixmill3.h"
#include "render/workspacerender.h"
#include "tests/support/outlines.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using Kind = MockupOutcome::Kind;

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Tells the work to stop at any fraction in (stopFrom, stopTo].
struct StopWithin final : Progress {
  StopWithin(double from, double to) : stopFrom(from), stopTo(to) {}
  bool Report(double fraction) override { return fraction <= stopFrom || fraction > stopTo; }
  double stopFrom, stopTo;
};

// A template: picture 2 a 90 × 70 pattern, outline 2 a tilted quadrangle.
class MockupsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseDib(&ws.di2);
    newdib(&ws.di2, 90, 70, 24, nullptr, 0);
    for (int32_t y = 0; y < 70; ++y)
      for (int32_t x = 0; x < 90; ++x) setpixel(ws.di2, x, y, static_cast<uint32_t>(x * 2801 + y * 977));
    testing::FillOutline(ws.punkte2, {{12, 8, true}, {80, 14, true}, {74, 60, true}, {9, 55, true}, {12, 8, true}});
    ws.ecken2 = 4;
  }
  std::string Design(const std::string& name, int w, int h, uint32_t salt) {
    return folder.Write(name, testing::MakeBmp(w, h, 24, {}, [salt](int x, int y) {
                          return static_cast<uint32_t>(x * 40503 + y * 9 + salt) & 0xFFFFFF;
                        }));
  }
  TempFolder folder;
  Workspace ws;
};

// Files are named after their inputs, never twice the same; folders are made
// where they can be, and none is taken for a file to write.
TEST(OutputFiles, NamesFollowTheInputsAndFoldersAreNoFiles) {
  const std::vector<std::string> inputs = {"a/photo.jpg", "b/photo.png", "photo", "c/other.tif", "d/photo.bmp"};
  const std::vector<std::string> expected = {"out/photo.png", "out/photo-2.png", "out/photo-3.png", "out/other.png",
                                             "out/photo-4.png"};
  EXPECT_EQ(NamesInFolder(inputs, "out", "png"), expected);

  TempFolder folder;
  const std::string plain = folder.Write("plain.txt", {1, 2, 3});
  EXPECT_TRUE(MakeFolder(folder.Path("new/deeper")) && fs::is_directory(folder.Path("new/deeper")));
  EXPECT_FALSE(MakeFolder(plain + "/below"));
  EXPECT_EQ(Bytes(plain), (std::vector<uint8_t>{1, 2, 3}));
  for (const std::string& folderName : {std::string(), folder.Path("new"), folder.Path("x/")})
    EXPECT_FALSE(NamesAFile(folderName)) << folderName;
  EXPECT_TRUE(NamesAFile(plain));
}

TEST_F(MockupsTest, TemplatesNeedPicture2AndFourCorners) {
  EXPECT_EQ(CheckMockupTemplate(ws), TemplateProblem::None);
  EXPECT_EQ(CheckMockupTemplate(Workspace()), TemplateProblem::OutlineIncomplete);
  ws.ecken2 = 3;
  EXPECT_EQ(CheckMockupTemplate(ws), TemplateProblem::OutlineIncomplete);
  ReleaseDib(&ws.di2);
  EXPECT_EQ(CheckMockupTemplate(ws), TemplateProblem::NoPicture);
}

// A mockup is what rendering the workspace shows with the design whole as
// picture 1: perspective-true, smooth, over picture 2.
TEST_F(MockupsTest, AMockupIsTheDesignRenderedWholeIntoOutline2) {
  const std::string design = Design("design.bmp", 41, 29, 5), output = folder.Path("mockup.png");
  const MockupTemplate from(ws);
  const MockupOutcome made = from.Make(design, output, 2, nullptr);
  ASSERT_EQ(made.kind, Kind::Written);

  ASSERT_TRUE(TryToOpenFile(&ws.di1, design));
  testing::FillOutline(ws.punkte1, {{0, 0, true}, {40, 0, true}, {40, 28, true}, {0, 28, true}, {0, 0, true}});
  ws.ecken1 = 4;
  ws.perspective = ws.smooth = ws.showoriginal = true;
  ASSERT_TRUE(RenderAsChosen(ws, WarpDirection::OneIntoTwo));
  dib written{};
  ASSERT_TRUE(ReadPictureFile(output, written).done());
  ASSERT_EQ(DibWidth(&written), 90);
  ASSERT_EQ(DibHeight(&written), 70);
  EXPECT_EQ(std::vector<uint8_t>(written.poi, written.poi + 70 * written.bytew),
            std::vector<uint8_t>(ws.di3.poi, ws.di3.poi + 70 * ws.di3.bytew));
  ReleaseDib(&written);
}

// Each way a mockup can fail names its outcome, leaves the file it was to
// write as it was, and is told naming the file at fault.
TEST_F(MockupsTest, FailuresLeaveTheOutputAlone) {
  const std::string design = Design("design.bmp", 20, 10, 1);
  const std::string kept = folder.Write("kept.png", {7, 7, 7});
  fs::create_directory(folder.Path("taken.png"));
  const struct {
    std::string design, output;
    Kind kind;
    FileProblem problem;
    std::string named;  // in the message
  } cases[] = {
      {folder.Path("missing.bmp"), kept, Kind::NotRead, FileProblem::NoSuchFile, "missing.bmp"},
      {folder.Write("bad.bmp", {'B', 'M', 1, 2}), kept, Kind::NotRead, FileProblem::Damaged, "bad.bmp"},
      {design, folder.Path("taken.png"), Kind::NotWritten, FileProblem::Folder, "taken.png"},
      {design, folder.Path("nowhere/m.png"), Kind::NotWritten, FileProblem::NoSuchFile, "nowhere/m.png"},
  };
  const MockupTemplate from(ws);
  for (const auto& c : cases) {
    const MockupOutcome made = from.Make(c.design, c.output, 1, nullptr);
    EXPECT_EQ(made.kind, c.kind) << c.design << " " << c.output;
    EXPECT_EQ(made.outcome.problem, c.problem) << c.design << " " << c.output;
    EXPECT_NE(MockupFailure(made, c.design, c.output).find(c.named), std::string::npos) << c.named;
  }
  EXPECT_EQ(Bytes(kept), (std::vector<uint8_t>{7, 7, 7}));
  EXPECT_TRUE(fs::is_empty(folder.Path("taken.png")));
  EXPECT_FALSE(fs::exists(folder.Path("nowhere")));
  EXPECT_NE(MockupFailure({Kind::NoMemory, {}}, "d.bmp", "o.png").find("d.bmp"), std::string::npos);
  for (const Kind quiet : {Kind::Written, Kind::Stopped}) EXPECT_EQ(MockupFailure({quiet, {}}, "d.bmp", "o.png"), "");
}

// A template picture of fewer bits is promoted for the mockups alone: they
// are those of the picture promoted in place, and the workspace keeps its own.
TEST_F(MockupsTest, APalettedTemplateIsPromotedInACopy) {
  const std::string design = Design("design.bmp", 30, 20, 3);
  ReleaseDib(&ws.di2);
  newdib(&ws.di2, 90, 70, 8, nullptr, 0);
  for (int32_t i = 0; i < 256; ++i) {
    ws.di2.pal.rgb0[i][0] = static_cast<uint8_t>(i);
    ws.di2.pal.rgb0[i][1] = static_cast<uint8_t>(255 - i);
    ws.di2.pal.rgb0[i][2] = static_cast<uint8_t>(i * 7);
  }
  for (int32_t y = 0; y < 70; ++y)
    for (int32_t x = 0; x < 90; ++x) setpixel(ws.di2, x, y, static_cast<uint32_t>(x + 3 * y) & 0xFF);
  const uint32_t handle = ws.di2.poih;
  {
    const MockupTemplate from(ws);
    ASSERT_EQ(from.Make(design, folder.Path("paletted.png"), 1, nullptr).kind, Kind::Written);
  }
  EXPECT_EQ(ws.di2.poih, handle);
  EXPECT_EQ(DibBitCount(&ws.di2), 8);
  DepthUpTo(24, &ws.di2);
  const MockupTemplate promoted(ws);
  ASSERT_EQ(promoted.Make(design, folder.Path("promoted.png"), 1, nullptr).kind, Kind::Written);
  EXPECT_EQ(Bytes(folder.Path("paletted.png")), Bytes(folder.Path("promoted.png")));
}

// A list of mockups is made in order and stops where it is told to: before
// the next design, or within the one being made; what was written stays.
TEST_F(MockupsTest, AListStopsWhereItIsToldAndKeepsWhatWasWritten) {
  const std::vector<std::string> designs = {Design("a.bmp", 30, 20, 1), Design("b.bmp", 30, 20, 2),
                                            Design("c.bmp", 30, 20, 3)};
  const std::vector<std::string> outputs = NamesInFolder(designs, folder.Path("out"), kMockupFormat);
  ASSERT_TRUE(MakeFolder(folder.Path("out")));
  const MockupTemplate from(ws);
  constexpr double kJust = 1e-9;  // the stretch of a design ends where the next one's begins
  const struct {
    double stopFrom, stopTo;  // told to stop there
    size_t written;           // the first ones
    size_t tried;             // the last one stopped, where fewer were written
  } cases[] = {
      {-1, 2, 0, 0},
      {1.0 / 3 + kJust, 2.0 / 3 - kJust, 1, 2},  // within design 2 alone: the list ends there all the same
      {2.0 / 3 + kJust, 2, 2, 3},
      {2, 3, 3, 3},
  };
  for (const auto& c : cases) {
    for (const std::string& o : outputs) fs::remove(o);
    StopWithin progress(c.stopFrom, c.stopTo);
    const std::vector<MockupOutcome> made = MakeMockups(from, designs, outputs, progress);
    ASSERT_EQ(made.size(), c.tried) << c.stopFrom;
    for (size_t i = 0; i < designs.size(); ++i) {
      const bool written = i < c.written;
      EXPECT_EQ(fs::exists(outputs[i]), written) << c.stopFrom << " " << i;
      if (i < made.size()) {
        EXPECT_EQ(made[i].kind, written ? Kind::Written : Kind::Stopped);
      }
    }
  }
}

}  // namespace
}  // namespace trellimap
