#include "persist/projectfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/binaryfile.h"
#include "image/pixmill3.h"
#include "tests/support/outlines.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using testing::TempFolder;

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

int32_t Int32At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24);
}

void Paint(dib& d, uint32_t salt) {
  for (int32_t i = 0; i < DibHeight(&d) * d.bytew; ++i) d.poi[i] = static_cast<uint8_t>(i * 31 + salt);
}

// Reads `path` into `ws` as a plain open into the workspace does: what was
// read is handed over, also when the read failed part-way.
Outcome Open(Workspace& ws, const std::string& path, Progress* progress = nullptr) {
  ProjectRead read;
  const Outcome outcome = ReadProject(path, read, progress);
  if (!outcome.stopped()) read.HandTo(ws);
  return outcome;
}

class ProjectFileTest : public ::testing::Test {
 protected:
  TempFolder folder;
  testing::RecordingMessages messages;
  std::string path = folder.Path("work.gip");
};

TEST_F(ProjectFileTest, FreshWorkspaceHasTheKnownLayout) {
  Workspace ws;
  ASSERT_TRUE(SaveProjectfile(ws, path).done());
  const std::vector<uint8_t> b = Bytes(path);
  ASSERT_EQ(b.size(), 768211u);  // 16 + 4 × (8 + 40 + 200 × 960) + 3
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(b[i], 0) << i;
  const std::vector<uint8_t> blockStart{0x28, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(blockStart.begin(), blockStart.end(), b.begin() + 16));
  EXPECT_EQ(Int32At(b, 24 + 4), 320);
  EXPECT_EQ(b[24 + 14], 24);  // bit count
  EXPECT_EQ(b[b.size() - 3], 0);
  EXPECT_EQ(b[b.size() - 2], 0);
  EXPECT_EQ(b[b.size() - 1], 1);  // "Render automatically"
  // Nothing is left beside the file.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("")), {}), 1);
}

TEST_F(ProjectFileTest, EverythingComesBackAsItWasSaved) {
  Workspace ws;
  testing::FillOutline(ws.punkte1,
                       {{1, 2, true}, {3, 4, false}, {5, 6, true}, {7, 8, true}, {9, 10, true}, {1, 2, true}});
  testing::FillOutline(ws.punkte2, {{-5, 70000, true}});
  ws.ecken1 = 4;
  ws.ecken2 = 1;
  BitmapInfo colours{};
  for (int i = 0; i < 256; ++i) colours.bmiColors[i] = {static_cast<uint8_t>(i), 2, 3, 0};
  const std::pair<int32_t, int32_t> shapes[4] = {{321, 7}, {5, 3}, {9, 4}, {17, 2}};
  const int32_t depths[4] = {24, 8, 1, 4};
  dib* pictures[4] = {&ws.di1, &ws.di2, &ws.di3, &ws.di4};
  for (int i = 0; i < 4; ++i) {
    ReleaseDib(pictures[i]);
    newdib(pictures[i], shapes[i].first, shapes[i].second, depths[i], &colours, 256);
    Paint(*pictures[i], static_cast<uint32_t>(i));
  }
  ws.showoriginal = true;
  ws.transparent = false;
  ws.renderautomatically = false;
  ASSERT_TRUE(SaveProjectfile(ws, path).done());
  const std::vector<uint8_t> b = Bytes(path);
  const size_t firstBlock = 4 + 6 * 12 + 4 + 12 + 8;
  EXPECT_EQ(Int32At(b, firstBlock), 40);
  EXPECT_EQ(Int32At(b, firstBlock + 8 + 40 + 7 * 964), 1064);  // 8 bits: H = 40 + 4 × 256, rows of 964 bytes before
  EXPECT_EQ(Int32At(b, firstBlock + 8 + 40 + 7 * 964 + 4), 256);

  Workspace back;
  ASSERT_TRUE(Open(back, path).done());
  EXPECT_EQ(back.punkte1.count, 6u);
  EXPECT_EQ(back.punkte2.count, 1u);
  EXPECT_EQ(static_cast<TOutlinePoint*>(back.punkte2.GetObject(0))->y, 70000);
  EXPECT_FALSE(static_cast<TOutlinePoint*>(back.punkte1.GetObject(1))->iscorner);
  EXPECT_EQ(back.ecken1, 4);
  EXPECT_EQ(back.ecken2, 1);
  const dib* again[4] = {&back.di1, &back.di2, &back.di3, &back.di4};
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(DibWidth(again[i]), shapes[i].first);
    ASSERT_EQ(DibBitCount(again[i]), depths[i]);
    const size_t bytes = static_cast<size_t>(DibHeight(again[i]) * again[i]->bytew);
    EXPECT_EQ(std::memcmp(again[i]->poi, pictures[i]->poi, bytes), 0) << i;
    if (depths[i] <= 8) {
      EXPECT_EQ(again[i]->pmi->bmiColors[1].rgbBlue, 1);
      EXPECT_EQ(again[i]->pal.rgb0[1][2], 1);  // the palette follows the colour table
    }
  }
  EXPECT_TRUE(back.showoriginal);
  EXPECT_FALSE(back.transparent || back.renderautomatically);
}

TEST_F(ProjectFileTest, NegativeCountsGiveEmptyLists) {
  Workspace ws;
  ASSERT_TRUE(SaveProjectfile(ws, path).done());
  std::vector<uint8_t> b = Bytes(path);
  b[0] = b[1] = b[2] = b[3] = 0xFF;  // count 1 = −1
  folder.Write("work.gip", b);
  Workspace back;
  testing::FillOutline(back.punkte1, {{1, 1, true}});
  ASSERT_TRUE(Open(back, path).done());
  EXPECT_EQ(back.punkte1.count, 0u);
}

TEST_F(ProjectFileTest, DamagedFilesStopWithAnErrorAndLeaveValidPictures) {
  Workspace ws;
  testing::FillOutline(ws.punkte1, {{1, 2, true}, {3, 4, true}});
  ReleaseDib(&ws.di2);
  newdib(&ws.di2, 3, 2, 8, nullptr, 0);
  ASSERT_TRUE(SaveProjectfile(ws, path).done());
  const std::vector<uint8_t> good = Bytes(path);

  auto expectFailure = [&](const std::vector<uint8_t>& bytes, const std::string& what) {
    folder.Write("bad.gip", bytes);
    Workspace back;
    EXPECT_TRUE(Open(back, folder.Path("bad.gip")).failed()) << what;
    for (const dib* d : {&back.di1, &back.di2, &back.di3, &back.di4}) {
      ASSERT_NE(d->poi, nullptr) << what;
      EXPECT_GT(DibWidth(d), 0) << what;
    }
  };
  // Every cut of the file, sampled densely near the structure and sparsely in the rows.
  for (size_t cut = 0; cut < good.size(); cut += cut < 200 ? 1 : 4099)
    expectFailure(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)),
                  "cut at " + std::to_string(cut));

  // A file too short says so, and whether it ends before its first picture (no
  // project at all) or later; a complete file with impossible values says
  // that it is damaged, and where.
  const size_t block = 4 + 2 * 12 + 4 + 8;
  const size_t second = block + 8 + 40 + 200 * 960;
  const std::string beyond = "Read beyond end of file", damaged = "is damaged: picture 1 has";
  const struct {
    size_t at;
    int32_t value;
    const char* what;
    FileProblem problem;
    const std::string& says;
  } lies[] = {
      {0, 1 << 30, "count beyond the file", FileProblem::NotThisFormat, beyond},
      {block + 8 + 8, 1 << 30, "height beyond the file", FileProblem::CutShort, beyond},
      {block, 39, "header too short", FileProblem::Damaged, damaged},
      {block, 1 << 20, "header longer than any", FileProblem::Damaged, damaged},
      {block + 4, -1, "negative colour count", FileProblem::Damaged, damaged},
      {block + 8 + 4, -320, "negative width", FileProblem::Damaged, damaged},
      {block + 8 + 4, 0, "width 0", FileProblem::Damaged, damaged},
      {block + 8 + 8, 0, "height 0", FileProblem::Damaged, damaged},
      {block + 8 + 12, 0 << 16 | 1, "bit count 0", FileProblem::Damaged, damaged},
      {block + 8 + 12, 7 << 16 | 1, "bit count 7", FileProblem::Damaged, damaged},
      {block + 8 + 12, 64 << 16 | 1, "bit count 64", FileProblem::Damaged, damaged},
      {second + 8 + 12, 0 << 16 | 1, "bit count 0 in picture 2", FileProblem::Damaged, "is damaged: picture 2 has"}};
  for (const auto& lie : lies) {
    std::vector<uint8_t> bad = good;
    for (int i = 0; i < 4; ++i) bad[lie.at + static_cast<size_t>(i)] = static_cast<uint8_t>(lie.value >> (8 * i));
    folder.Write("bad.gip", bad);
    ProjectRead read;
    const Outcome outcome = ReadProject(folder.Path("bad.gip"), read);
    EXPECT_TRUE(outcome.failed()) << lie.what;
    EXPECT_EQ(outcome.problem, lie.problem) << lie.what;
    EXPECT_NE(outcome.detail.find(lie.says), std::string::npos) << lie.what << ": " << outcome.detail;
    if (lie.says != beyond) {
      EXPECT_NE(outcome.detail.find(folder.Path("bad.gip")), std::string::npos);
    }
    expectFailure(bad, lie.what);
  }
}

// A save stopped part-way leaves the file that was there byte for byte, and
// an opening stopped part-way the workspace as it was.
TEST_F(ProjectFileTest, StoppedSavesAndOpeningsLeaveEverythingAsItWas) {
  Workspace ws;
  ASSERT_TRUE(SaveProjectfile(ws, path).done());
  const std::vector<uint8_t> before = Bytes(path);
  struct StopAtHalf final : Progress {
    bool Report(double fraction) override {
      last = fraction;
      return fraction < 0.5;
    }
    double last = 0;
  } stop;
  ws.ecken1 = 3;
  EXPECT_TRUE(SaveProjectfile(ws, path, &stop).stopped());
  EXPECT_EQ(Bytes(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("")), {}), 1);  // no temporary left

  Paint(ws.di1, 5);
  const std::vector<uint8_t> picture(ws.di1.poi, ws.di1.poi + 200 * ws.di1.bytew);
  EXPECT_TRUE(Open(ws, path, &stop).stopped());
  EXPECT_EQ(ws.ecken1, 3);
  EXPECT_TRUE(std::equal(picture.begin(), picture.end(), ws.di1.poi));
  struct Record final : Progress {
    bool Report(double fraction) override {
      last = fraction;
      return true;
    }
    double last = 0;
  } record;
  EXPECT_TRUE(Open(ws, path, &record).done());
  EXPECT_EQ(ws.ecken1, 0);
  EXPECT_GT(record.last, 0.99);
}

TEST_F(ProjectFileTest, TwoBitPicturesArrivePromotedTo24Bits) {
  Workspace ws;
  BitmapInfo colours{};
  colours.bmiColors[2] = {30, 20, 10, 0};  // blue, green, red
  colours.bmiColors[3] = {255, 255, 255, 0};
  ReleaseDib(&ws.di3);
  newdib(&ws.di3, 5, 2, 2, &colours, 4);
  setpixel(ws.di3, 4, 0, 2);
  setpixel(ws.di3, 0, 1, 3);
  ASSERT_TRUE(SaveProjectfile(ws, path).done());
  const std::vector<uint8_t> b = Bytes(path);
  EXPECT_EQ(Int32At(b, 16 + 2 * (8 + 40 + 200 * 960)), 40 + 16);  // H of a 2-bit block
  Workspace back;
  ASSERT_TRUE(Open(back, path).done());
  ASSERT_EQ(DibBitCount(&back.di3), 24);
  EXPECT_EQ(getpixel(back.di3, 4, 0), 0x1E140Au);
  EXPECT_EQ(getpixel(back.di3, 0, 1), 0xFFFFFFu);
  EXPECT_EQ(getpixel(back.di3, 1, 1), 0u);
}

// Small pictures, picture 2 of `page` size, so that files stay small.
void MakeSmall(Workspace& ws, FlatSize page) {
  for (dib* d : ws.Pictures()) {
    ReleaseDib(d);
    newdib(d, 6, 4, 24, nullptr, 0);
  }
  ReleaseDib(&ws.di2);
  newdib(&ws.di2, page.width, page.height, 24, nullptr, 0);
}

void PutLittleEndian(std::vector<uint8_t>& b, size_t at, int32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

constexpr size_t kSettingsBytes = 50;  // what the settings block adds to a project
constexpr FlatSize kPage{9, 13};

// Perspective, Smooth and the flat page come back as saved; they add one
// block after the option bytes and leave all before it as a project without
// them has it, and a project without them is that project byte for byte.
TEST_F(ProjectFileTest, SettingsComeBackAndOnlyAddTheirBlock) {
  using Kind = PageSize::Kind;
  const struct {
    const char* what;
    bool perspective, smooth;
    std::optional<FlatPage> flatPage;
    bool stored;  // whether the flat page can be picture 2 and is stored
  } cases[] = {
      {"nothing", false, false, std::nullopt, false},
      {"perspective", true, false, std::nullopt, false},
      {"smooth", false, true, std::nullopt, false},
      {"both", true, true, std::nullopt, false},
      {"flattened, auto", true, true, FlatPage{{}, kPage}, true},
      {"flat page alone", false, false, FlatPage{{Kind::Pixels, 9, 13, 0}, kPage}, true},
      {"A4 at 300 DPI", true, false, FlatPage{{Kind::A4, 0, 0, 300}, kPage}, true},
      {"A4 across", true, true, FlatPage{{Kind::A4, 0, 0, 300, PageSize::Orientation::Landscape}, kPage}, true},
      {"legal at the default", false, true, FlatPage{{Kind::Legal, 0, 0, 0}, kPage}, true},
      {"A5 at the most DPI", true, true, FlatPage{{Kind::A5, 0, 0, kMostPageSide}, kPage}, true},
      {"a page not picture 2's size", false, false, FlatPage{{}, {kPage.width + 1, kPage.height}}, false},
      {"pixels of nothing", true, false, FlatPage{{Kind::Pixels, 0, 13, 0}, kPage}, false},
      {"a DPI beyond any", false, false, FlatPage{{Kind::A4, 0, 0, kMostPageSide + 1}, kPage}, false},
  };
  Workspace plainWs;
  MakeSmall(plainWs, kPage);
  ASSERT_TRUE(SaveProjectfile(plainWs, folder.Path("plain.gip")).done());
  const std::vector<uint8_t> plain = Bytes(folder.Path("plain.gip"));
  for (const auto& c : cases) {
    Workspace ws;
    MakeSmall(ws, kPage);
    ws.perspective = c.perspective;
    ws.smooth = c.smooth;
    ws.flatPage = c.flatPage;
    ASSERT_TRUE(SaveProjectfile(ws, path).done()) << c.what;
    const std::vector<uint8_t> b = Bytes(path);
    const bool block = c.perspective || c.smooth || c.stored;
    ASSERT_EQ(b.size(), plain.size() + (block ? kSettingsBytes : 0)) << c.what;
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), b.begin())) << c.what;

    // Read into a workspace set otherwise: each setting is the file's.
    Workspace back;
    back.perspective = !c.perspective;
    back.smooth = !c.smooth;
    back.flatPage = FlatPage{{PageSize::Kind::Pixels, 1, 1, 0}, {1, 1}};
    ASSERT_TRUE(Open(back, path).done()) << c.what;
    EXPECT_EQ(back.perspective, c.perspective) << c.what;
    EXPECT_EQ(back.smooth, c.smooth) << c.what;
    EXPECT_EQ(back.flatPage, c.stored ? c.flatPage : std::nullopt) << c.what;
  }
}

// The block's bytes, which later programs read too; fields a later program
// adds within its length are passed over.
TEST_F(ProjectFileTest, SettingsBlockHasTheKnownLayout) {
  Workspace ws;
  MakeSmall(ws, kPage);
  ws.perspective = true;
  ws.flatPage = FlatPage{{PageSize::Kind::Letter, 0, 0, 0x1234, PageSize::Orientation::Portrait}, kPage};
  ws.paneZooms = {30, 0, 250, 10000};
  ASSERT_TRUE(SaveProjectfile(ws, path).done());
  std::vector<uint8_t> b = Bytes(path);
  ASSERT_GT(b.size(), kSettingsBytes);
  std::string block;
  for (auto at = b.end() - kSettingsBytes; at != b.end(); ++at) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", *at);
    block += hex;
  }
  // The tag, version 1 and 41 bytes of fields; Perspective on, Smooth off, a
  // flat page: letter, portrait, no width or height chosen, DPI 0x1234; the
  // page 9 × 13; the panes at 30 %, not known, 250 % and 10000 %.
  std::string expected =
      "544d4f50 01 29000000"
      " 01 00 01"
      " 04 01 00000000 00000000 34120000 09000000 0d000000"
      " 1e000000 00000000 fa000000 10270000";
  std::erase(expected, ' ');
  EXPECT_EQ(block, expected);

  const size_t start = b.size() - kSettingsBytes;
  for (const uint8_t later : {7, 0, 255}) b.push_back(later);
  PutLittleEndian(b, start + 5, 41 + 3, 4);
  folder.Write("later.gip", b);
  Workspace back;
  ASSERT_TRUE(Open(back, folder.Path("later.gip")).done());
  EXPECT_TRUE(back.perspective && !back.smooth);
  EXPECT_EQ(back.flatPage, ws.flatPage);
  EXPECT_EQ(back.paneZooms, ws.paneZooms);
}

// Whatever follows the option bytes and is not one whole block of possible
// values is damage, said with the file's name; nothing of it is taken.
TEST_F(ProjectFileTest, DamagedSettingsAreRefusedAndTakeNothing) {
  Workspace ws;
  MakeSmall(ws, kPage);
  ws.perspective = ws.smooth = true;
  ws.flatPage = FlatPage{{PageSize::Kind::A4, 0, 0, 300}, kPage};
  ASSERT_TRUE(SaveProjectfile(ws, path).done());
  const std::vector<uint8_t> good = Bytes(path);
  const size_t start = good.size() - kSettingsBytes;
  const std::vector<uint8_t> plain(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(start));

  struct Patch {
    size_t at;  // in the block
    int32_t value;
    int bytes;
  };
  const auto patched = [&](std::initializer_list<Patch> patches) {
    std::vector<uint8_t> b = good;
    for (const Patch& p : patches) PutLittleEndian(b, start + p.at, p.value, p.bytes);
    return b;
  };
  const auto appended = [](std::vector<uint8_t> b, std::initializer_list<uint8_t> tail) {
    b.insert(b.end(), tail);
    return b;
  };
  std::vector<std::pair<std::string, std::vector<uint8_t>>> bad = {
      {"wrong tag", patched({{0, 'X', 1}})},
      {"tag of another case", patched({{3, 'p', 1}})},
      {"version 0", patched({{4, 0, 1}})},
      {"a later version", patched({{4, 2, 1}})},
      {"length short of the fields", patched({{5, 40, 4}})},
      {"length beyond the file", patched({{5, 42, 4}})},
      {"a zoom beyond any", patched({{34, 10001, 4}})},
      {"a negative zoom", patched({{46, -30, 4}})},
      {"negative length", patched({{5, -1, 4}})},
      {"huge length", patched({{5, 1 << 30, 4}})},
      {"perspective 2", patched({{9, 2, 1}})},
      {"smooth 255", patched({{10, 255, 1}})},
      {"flat page 2", patched({{11, 2, 1}})},
      {"no such page size", patched({{12, 6, 1}})},
      {"no such orientation", patched({{13, 3, 1}})},
      {"negative width chosen", patched({{14, -1, 4}})},
      {"width chosen beyond any", patched({{14, kMostPageSide + 1, 4}})},
      {"pixels of no width", patched({{12, 1, 1}, {14, 0, 4}, {18, 13, 4}})},
      {"negative DPI", patched({{22, -5, 4}})},
      {"page not picture 2's width", patched({{26, kPage.width + 1, 4}})},
      {"page of no height", patched({{30, 0, 4}})},
      {"no flat page, yet its fields", patched({{11, 0, 1}})},
      {"no flat page, yet its sizes", patched({{11, 0, 1}, {12, 0, 1}})},
      {"no flat page, yet its kind", patched({{11, 0, 1}, {22, 0, 4}, {26, 0, 4}, {30, 0, 4}})},
      {"no flat page, yet its orientation",
       patched({{11, 0, 1}, {12, 0, 1}, {22, 0, 4}, {26, 0, 4}, {30, 0, 4}, {13, 1, 1}})},
      {"a byte after the block", appended(good, {0})},
      {"a byte after the option bytes", appended(plain, {0})},
      {"text after the option bytes", appended(plain, {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'})},
  };
  for (size_t cut = start + 1; cut < good.size(); ++cut)
    bad.emplace_back("cut at " + std::to_string(cut - start),
                     std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)));
  for (const auto& [what, bytes] : bad) {
    const std::string file = folder.Write("bad.gip", bytes);
    ProjectRead read;
    const Outcome outcome = ReadProject(file, read);
    EXPECT_TRUE(outcome.failed()) << what;
    EXPECT_EQ(outcome.problem, FileProblem::Damaged) << what;
    EXPECT_NE(outcome.detail.find("\"" + file + "\" is damaged: the settings at its end"), std::string::npos)
        << what << ": " << outcome.detail;
    EXPECT_FALSE(read.settings) << what;
    Workspace back;
    back.smooth = true;
    back.flatPage = FlatPage{{}, {1, 1}};
    Open(back, file);
    EXPECT_TRUE(back.smooth && !back.perspective) << what;
    EXPECT_EQ(back.flatPage, (FlatPage{{}, {1, 1}})) << what;
  }
  // The block whole, or none at all, reads.
  for (const std::vector<uint8_t>& whole : {good, plain}) {
    ProjectRead read;
    EXPECT_TRUE(ReadProject(folder.Write("whole.gip", whole), read).done());
  }
}

TEST_F(ProjectFileTest, MissingFilesAndFoldersAreReportedWithoutHarm) {
  Workspace ws;
  EXPECT_EQ(Open(ws, folder.Path("none.gip")).problem, FileProblem::CannotOpen);
  EXPECT_EQ(DibWidth(&ws.di1), 320);
  EXPECT_EQ(SaveProjectfile(ws, folder.Path("no/such/folder.gip")).problem, FileProblem::CannotOpen);
}

TEST_F(ProjectFileTest, AnAbandonedSaveLeavesThePreviousFile) {
  folder.Write("work.gip", {1, 2, 3});
  {
    AtomicFileWriter out;
    ASSERT_TRUE(out.Open(path));
    out.WriteInt32(42);
  }  // never committed, as when a write error ends a save
  EXPECT_EQ(Bytes(path), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("")), {}), 1);
}

}  // namespace
}  // namespace trellimap
