// trellimap-cli end to end: the built program run as a user runs it.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <tuple>
#include <vector>

#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "image/pixmill3.h"
#include "tests/support/pdftools.h"
#include "tests/support/syntheticphoto.h"
#include "tests/support/testfiles.h"
#include "tests/support/textpages.h"
#include "workspace/commandline.h"
#include "workspace/pointlist.h"

namespace trellimap {
namespace {

using testing::TempFolder;

struct CliRun {
  int status;
  std::string out, err;
};

// `environment` ("NAME=value ...") is set for the tool alone; `program` is the tool.
CliRun Cli(const std::string& arguments, const TempFolder& folder, const std::string& environment = "",
           const std::string& program = TRELLIMAP_CLI) {
  const std::string errFile = folder.Path("stderr.txt");
  const std::string command = environment + " '" + program + "' " + arguments + " 2>'" + errFile + "'";
  CliRun run{};
  FILE* pipe = popen(command.c_str(), "r");
  std::array<char, 4096> buffer{};
  for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) run.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  FILE* err = fopen(errFile.c_str(), "r");
  for (size_t n; err && (n = fread(buffer.data(), 1, buffer.size(), err)) > 0;) run.err.append(buffer.data(), n);
  if (err) fclose(err);
  return run;
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

std::string Field(const std::string& text, const std::string& key) {
  const size_t at = text.find(key + ": ");
  if (at == std::string::npos) return {};
  const size_t end = text.find('\n', at);
  return text.substr(at + key.size() + 2, end - at - key.size() - 2);
}

class CliTest : public ::testing::Test {
 protected:
  TempFolder folder;
  std::string Picture(const std::string& name, int w, int h, uint32_t salt) {
    return folder.Write(name, testing::MakeBmp(w, h, 24, {}, [salt](int x, int y) {
                          return static_cast<uint32_t>(x * 9 + y * 700 + salt) & 0xFFFFFF;
                        }));
  }
};

TEST_F(CliTest, NewRenderAndInfoWorkTogether) {
  const std::string one = Picture("one.bmp", 40, 30, 1), two = Picture("two.bmp", 50, 20, 2);
  const std::string project = folder.Path("p.gip"), rendered = folder.Path("r.gip");
  CliRun run = Cli("new " + Quoted(project) + " --picture1 " + Quoted(one) + " --picture2 " + Quoted(two) +
                       " --points1 '1,1 20,0,i 39,1 39,29 1,29' --points2 '0,0 49,0 49,19 0,19,i 10,19' --background",
                   folder);
  ASSERT_EQ(run.status, 0) << run.err;

  run = Cli("info --json " + Quoted(project), folder);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\"corners1\":4"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"corners2\":4"), std::string::npos);
  EXPECT_NE(run.out.find("{\"x\":20,\"y\":0,\"corner\":0}"), std::string::npos);
  EXPECT_NE(run.out.find("\"showoriginal\":1"), std::string::npos);
  EXPECT_NE(run.out.find("\"result1\":{\"width\":320"), std::string::npos);  // not rendered yet

  run = Cli("render " + Quoted(project) + " " + Quoted(rendered) + " --result1 " + Quoted(folder.Path("r1.png")) +
                " --result2 " + Quoted(folder.Path("r2")),
            folder);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(folder.Path("r1.png")));
  EXPECT_TRUE(std::filesystem::exists(folder.Path("r2.bmp")));  // no extension: BMP
  run = Cli("info " + Quoted(rendered), folder);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("result1:\n  width: 50\n  height: 20"), std::string::npos) << run.out;
  // The written result is the rendered one.
  const std::string resultSum = run.out.substr(run.out.find("result1:"));
  run = Cli("info " + Quoted(folder.Path("r1.png")), folder);
  EXPECT_EQ(Field(run.out, "checksum"), Field(resultSum, "checksum"));
}

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// render --smooth --perspective stores both with the project it writes, which
// a render without them writes as it always was; one cut short is refused.
TEST_F(CliTest, RenderStoresSmoothAndPerspectiveWithItsProject) {
  const std::string demo = folder.Path("demo.gip"), plain = folder.Path("plain.gip"), set = folder.Path("set.gip");
  ASSERT_EQ(Cli("demo " + Quoted(demo), folder).status, 0);
  ASSERT_EQ(Cli("render " + Quoted(demo) + " " + Quoted(plain), folder).status, 0);
  ASSERT_EQ(Cli("render --smooth --perspective " + Quoted(demo) + " " + Quoted(set), folder).status, 0);
  const std::vector<uint8_t> without = Bytes(plain), with = Bytes(set);
  ASSERT_EQ(with.size(), without.size() + 50);
  EXPECT_EQ(Bytes(demo).size(), without.size());
  const std::vector<uint8_t> head(with.end() - 50, with.end() - 38);
  EXPECT_EQ(head, (std::vector<uint8_t>{'T', 'M', 'O', 'P', 1, 41, 0, 0, 0, 1, 1, 0}));  // both on, no flat page

  const std::string cut = folder.Write("cut.gip", {with.begin(), with.end() - 1});
  const CliRun refused = Cli("info " + Quoted(cut), folder);
  EXPECT_NE(refused.status, 0);
  EXPECT_NE(refused.err.find(cut + "\" is damaged: the settings at its end are unreadable"), std::string::npos)
      << refused.err;
}

TEST_F(CliTest, ConvertKeepsThePixels) {
  const std::string one = Picture("one.bmp", 21, 9, 3);
  ASSERT_EQ(Cli("convert " + Quoted(one) + " " + Quoted(folder.Path("one.tif")), folder).status, 0);
  const CliRun a = Cli("info " + Quoted(one), folder), b = Cli("info " + Quoted(folder.Path("one.tif")), folder);
  ASSERT_EQ(a.status, 0);
  ASSERT_EQ(b.status, 0);
  EXPECT_EQ(Field(a.out, "checksum"), Field(b.out, "checksum"));
  EXPECT_EQ(Field(b.out, "bits_promoted"), "24");
}

TEST_F(CliTest, DemoRendersAndFailuresSayWhy) {
  const std::string demo = folder.Path("demo.gip");
  ASSERT_EQ(Cli("demo " + Quoted(demo), folder).status, 0);
  EXPECT_NE(Cli("info " + Quoted(demo), folder).out.find("corners2: 4"), std::string::npos);
  // Only a result picture is wanted: no project is written.
  ASSERT_EQ(Cli("render " + Quoted(demo) + " --result2 " + Quoted(folder.Path("r2.png")), folder).status, 0);
  EXPECT_TRUE(std::filesystem::exists(folder.Path("r2.png")));
  // The scanning demonstration: its photographed letter is found where the
  // project's outline lies, and the project holds the page flat and clean.
  const std::string scan = folder.Path("scan.gip"), photo = folder.Path("letter.png");
  ASSERT_EQ(Cli("demo --scan " + Quoted(scan) + " --photo " + Quoted(photo), folder).status, 0);
  const CliRun found = Cli("detect " + Quoted(photo), folder);
  ASSERT_EQ(found.status, 0) << found.err;
  const nlohmann::json project = nlohmann::json::parse(Cli("info --json " + Quoted(scan), folder).out);
  const std::vector<PointPress> corners = *ParsePointList(found.out.substr(0, found.out.find('\n')));
  ASSERT_EQ(corners.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(corners[i].x, project["points1"][i]["x"].get<int>(), 3) << i;
    EXPECT_NEAR(corners[i].y, project["points1"][i]["y"].get<int>(), 3) << i;
  }
  EXPECT_EQ(project["picture2"]["width"], 583);  // A5 at 100 DPI: the blank flat page
  EXPECT_LT(project["result1"]["width"], 583);   // the page, its rim trimmed off

  for (const std::string& arguments :
       {"info " + Quoted(folder.Path("missing.png")), "info " + Quoted(folder.Path("missing.gip")),
        "render " + Quoted(folder.Path("missing.gip")) + " " + Quoted(folder.Path("x.gip")),
        "convert " + Quoted(demo) + " " + Quoted(folder.Path("x.png")), "new " + Quoted(folder.Path("no/folder.gip")),
        "render " + Quoted(demo) + " --result1 " + Quoted(folder.Path("")),
        "render " + Quoted(demo) + " " + Quoted(folder.Path("")), "demo " + Quoted(folder.Path("sub/")),
        "detect " + Quoted(folder.Path("missing.png")),
        "flatten " + Quoted(folder.Path("missing.png")) + " -o " + Quoted(folder.Path("flat.png")) +
            " --points '0,0 9,0 9,9 0,9'",
        "flatten " + Quoted(demo) + " -o " + Quoted(folder.Path("flat.png"))}) {
    const CliRun run = Cli(arguments, folder);
    EXPECT_NE(run.status, 0) << arguments;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << arguments << ": " << run.err;
  }
}

// A mockup is the design whole, as outline 1, rendered perspective-true and
// smooth over the template's picture 2; several go into a folder by name;
// an outline without perspective is named and still rendered.
TEST_F(CliTest, MockupsAndPerspectiveRenders) {
  const std::string design = Picture("design.bmp", 40, 30, 1), frame = Picture("frame.bmp", 80, 60, 2);
  std::filesystem::create_directory(folder.Path("other"));
  const std::string twin = folder.Write("other/design.bmp", testing::MakeBmp(12, 9, 24, {}, [](int x, int y) {
                                          return static_cast<uint32_t>(x * 20 + y * 3000);
                                        }));
  const std::string tilted = folder.Path("tilted.gip"), manual = folder.Path("manual.gip");
  const std::string quad = "--points2 '10,10 70,15 65,50 12,45'";
  ASSERT_EQ(Cli("new " + Quoted(tilted) + " --picture2 " + Quoted(frame) + " " + quad, folder).status, 0);
  ASSERT_EQ(Cli("new " + Quoted(manual) + " --picture1 " + Quoted(design) + " --picture2 " + Quoted(frame) +
                    " --points1 '0,0 39,0 39,29 0,29' " + quad + " --background",
                folder)
                .status,
            0);
  CliRun run = Cli(
      "render --perspective --smooth " + Quoted(manual) + " --result1 " + Quoted(folder.Path("by-hand.bmp")), folder);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  run = Cli("mockup " + Quoted(tilted) + " " + Quoted(design) + " -o " + Quoted(folder.Path("one.bmp")), folder);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Field(Cli("info " + Quoted(folder.Path("one.bmp")), folder).out, "checksum"),
            Field(Cli("info " + Quoted(folder.Path("by-hand.bmp")), folder).out, "checksum"));

  run = Cli("mockup " + Quoted(tilted) + " " + Quoted(design) + " " + Quoted(twin) + " " +
                Quoted(folder.Path("missing.png")) + " -o " + Quoted(folder.Path("many")) + " --format tif --jobs 2",
            folder);
  EXPECT_EQ(run.status, 1);  // the missing design, reported; the others are written
  EXPECT_NE(run.err.find("missing.png"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::exists(folder.Path("many/design.tif")));
  EXPECT_TRUE(std::filesystem::exists(folder.Path("many/design-2.tif")));
  EXPECT_NE(Cli("mockup " + Quoted(manual) + " " + Quoted(design) + " -o x.png --format nonsense", folder).status, 0);

  // A bow tie on picture 2: said, and rendered by arc length.
  ASSERT_EQ(Cli("new " + Quoted(manual) + " --picture1 " + Quoted(design) + " --picture2 " + Quoted(frame) +
                    " --points1 '0,0 39,0 39,29 0,29' --points2 '10,10 70,50 70,10 10,50'",
                folder)
                .status,
            0);
  run = Cli("render --perspective " + Quoted(manual) + " --result1 " + Quoted(folder.Path("tie.bmp")), folder);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("picture 2 has no perspective: its sides cross like a bow tie"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::exists(folder.Path("tie.bmp")));
}

// Each command's help is its own: it names the command, its files and its
// options, and none of another command's.
TEST_F(CliTest, EachCommandHasItsOwnHelp) {
  const std::map<std::string, std::vector<std::string>> names = {
      {"new", {"OUT.gip", "--picture1", "--picture2", "--points1", "--points2", "--background", "--no-auto"}},
      {"render", {"IN.gip", "OUT.gip", "--smooth", "--perspective", "--result1", "--result2"}},
      {"mockup", {"TEMPLATE.gip", "DESIGN", "--output", "--format", "--jobs"}},
      {"info", {"FILE", "--json"}},
      {"convert", {"IN", "OUT"}},
      {"demo", {"OUT.gip"}},
      {"detect", {"PICTURE", "--json", "--page"}},
      {"flatten",
       {"IN", "--output", "--points", "--size", "--exact", "--jobs", "--skip-doubtful", "--page", "--format"}}};
  for (const auto& [command, own] : names) {
    const CliRun run = Cli(command + " --help", folder);
    EXPECT_EQ(run.status, 0) << command;
    EXPECT_EQ(run.err, "") << command;
    EXPECT_NE(run.out.find("Usage: trellimap-cli " + command), std::string::npos) << run.out;
    for (const std::string& name : own) EXPECT_NE(run.out.find(name), std::string::npos) << command << ": " << name;
    for (const char* foreign : {"--json", "--smooth", "--picture1"}) {
      if (std::find(own.begin(), own.end(), foreign) == own.end()) {
        EXPECT_EQ(run.out.find(foreign), std::string::npos) << command << ": " << foreign;
      }
    }
  }
  const CliRun all = Cli("--help", folder);
  EXPECT_EQ(all.status, 0);
  for (const auto& [command, own] : names) EXPECT_NE(all.out.find("  " + command + " "), std::string::npos) << all.out;
  const CliRun version = Cli("--version", folder);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("trellimap-cli ") + kVersion + "\n");
}

// The tool answers --help, --version and mistakes alone, without its engine
// and the picture libraries the engine loads; a command needs the engine, and
// says so where it is missing.
TEST_F(CliTest, OnlyCommandsNeedTheEngine) {
  const std::string alone = folder.Path("trellimap-cli");
  std::filesystem::copy_file(TRELLIMAP_CLI, alone);
  for (const auto& [arguments, status] : std::vector<std::pair<std::string, int>>{
           {"--help", 0}, {"--version", 0}, {"detect --help", 0}, {"detect", 2}, {"frobnicate", 2}}) {
    const CliRun run = Cli(arguments, folder, "", alone);
    EXPECT_EQ(run.status, status) << arguments << ": " << run.err;
  }
  for (const std::string& arguments :
       {"demo " + Quoted(folder.Path("d.gip")), std::string("flatten x -o y --size a4")}) {
    const CliRun run = Cli(arguments, folder, "", alone);
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_NE(run.err.find("cannot start"), std::string::npos) << arguments << ": " << run.err;
  }
}

// A command line that is not understood ends with status 2 and the reason on
// stderr, before any file is read or written.
TEST_F(CliTest, CommandLinesNotUnderstoodAreRefused) {
  const std::string out = Quoted(folder.Path("out.gip")), picture = Quoted(Picture("one.bmp", 4, 3, 1));
  for (const auto& [arguments, reason] : std::vector<std::pair<std::string, std::string>>{
           {"", "A subcommand is required"},
           {"frobnicate " + out, "A subcommand is required"},
           {"new", "OUT.gip is required"},
           {"render " + out, "OUT.gip, --result1 or --result2 is required"},
           {"info", "FILE is required"},
           {"convert " + picture, "OUT is required"},
           {"demo " + out + " " + out, "not expected"},
           {"new --bogus " + out, "--bogus"},
           {"render --smooth=sure " + out + " " + out, "--smooth"},
           {"info --json", "FILE is required"},
           {"new " + out + " --picture1", "--picture1"},
           {"new " + out + " --picture1 " + picture + " --points1 '1,1 nonsense'", "--points1"},
           {"new " + out + " --points2 '1,1,x'", "--points2"},
           {"convert --json " + picture + " " + out, "--json"},
           {"mockup " + out + " " + picture, "--output is required"},
           {"mockup " + out + " " + picture + " -o " + out + " --jobs 0", "--jobs"},
           {"mockup " + out + " " + picture + " -o " + out + " --format nonsense", "--format"},
           {"detect", "PICTURE is required"},
           {"detect --exact " + picture, "--exact"},
           {"flatten " + picture, "--output is required"},
           {"flatten " + picture + " -o " + out + " --size a3", "--size"},
           {"flatten " + picture + " -o " + out + " --size 0x5", "--size"},
           {"flatten " + picture + " -o " + out + " --size 800x600@72", "--size"},
           {"flatten " + picture + " -o " + out + " --size a4@100000", "--size"},
           {"flatten " + picture + " -o " + out + " --points '1,1 3,1 3,3'", "four corners"},
           {"flatten " + picture + " -o " + out + " --points '1,1 3,x'", "--points"},
           {"flatten " + picture + " -o " + out + " --jobs 0", "--jobs"},
           {"flatten " + picture + " -o " + out + " --format nonsense", "--format"},
           {"flatten " + picture + " -o " + out + " --look blue", "--look"},
           {"flatten " + picture + " -o " + out + " --inset 50%", "--inset"},
           {"flatten " + picture + " -o " + out + " --inset 12", "--inset"},
           {"flatten " + picture + " -o " + out + " --turn 45", "--turn"},
           {"flatten " + picture + " -o " + out + " --ocr 'eng deu'", "--ocr"},
           {"flatten " + picture + " -o " + out + " --ocr eng++deu", "--ocr"},
           {"flatten " + picture + " -o " + out + " --quality 0", "--quality"}}) {
    const CliRun run = Cli(arguments, folder);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
    EXPECT_NE(run.err.find(reason), std::string::npos) << arguments << ": " << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder.Path("out.gip"))) << arguments;
  }
}

// A file name that is not UTF-8 is described, with replacement characters in JSON.
TEST_F(CliTest, InfoJsonCarriesNamesThatAreNotUtf8) {
  const std::string path = Picture("odd\xff.bmp", 3, 2, 1);
  const CliRun run = Cli("info --json " + Quoted(path), folder);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("odd\xEF\xBF\xBD.bmp"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"width\":3"), std::string::npos);
}

// Files dressed as another format reach no other decoder: none of the
// programs the graphics library could start is started (stand-ins first on
// the PATH would leave a mark), and each file is refused with one message.
TEST_F(CliTest, DisguisedPicturesStartNoProgram) {
  std::filesystem::create_directory(folder.Path("bin"));
  const std::string mark = folder.Path("started");
  for (const char* program : {"ilbmtoppm", "gs"}) {
    const std::string path = folder.Path(std::string("bin/") + program);
    const std::string script = "#!/bin/sh\ntouch '" + mark + "'\n";
    folder.Write(std::string("bin/") + program, std::vector<uint8_t>(script.begin(), script.end()));
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  folder.Write("secret.png", testing::EncodePicture("PNG", 2, 2, 8, false, [](int, int) {
                 return testing::Rgba16{65535, 0, 0, 65535};
               }));
  const std::string svg =
      "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\" "
      "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"2\" height=\"2\"><image "
      "xlink:href=\"" +
      folder.Path("secret.png") + "\" width=\"2\" height=\"2\"/></svg>";
  const std::string ilbm = "XXXXXXXXILBM" + std::string(64, '\0');
  const std::string ps = "%!PS-Adobe-3.0\n0 0 moveto showpage\n";
  const std::string jxl("\0\0\0\x0cJXL \r\n\x87\n\0\0\0\x14", 16);
  for (const auto& [name, content] :
       {std::pair{"svg.pcx", svg}, {"ilbm.bmp", ilbm}, {"ps.tga", ps}, {"jxl.jpg", jxl}}) {
    const std::string path = folder.Write(name, std::vector<uint8_t>(content.begin(), content.end()));
    const CliRun run = Cli("info " + Quoted(path), folder, "PATH=" + Quoted(folder.Path("bin")) + ":\"$PATH\"");
    EXPECT_NE(run.status, 0) << name;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << name << ": " << run.err;
    EXPECT_NE(run.err.find("Could not read the picture"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(mark)) << name << " started a program";
    std::filesystem::remove(mark);
  }
}

// A photographed page with the truth known, written as a picture file, and
// its true corners in new's syntax.
struct PagePhoto {
  testing::SyntheticPhoto photo;
  std::string file, corners;
};
PagePhoto WritePagePhoto(const TempFolder& folder, const std::string& name, const testing::PhotoSetup& setup) {
  PagePhoto page{testing::MakePhoto(setup), folder.Path(name), ""};
  const Outcome written = WritePictureFile(page.photo.picture, page.file);
  EXPECT_TRUE(written.done()) << written.detail;
  std::vector<PointPress> corners;
  for (const Vec& c : page.photo.corners)
    corners.push_back(
        {static_cast<int32_t>(std::lround(c.x)), static_cast<int32_t>(std::lround(c.y)), MouseButton::Left});
  page.corners = FormatPointList(corners);
  return page;
}

testing::PhotoSetup TiltedPage() {
  testing::PhotoSetup setup;
  setup.width = 640;
  setup.height = 480;
  setup.tilt = 32;
  setup.azimuth = 35;
  setup.roll = 6;
  setup.fill = 0.85;
  return setup;
}

// The rows at which a flat page's rule at height `v` (a share of the page's
// height) shows in each column it crosses: where the ink is darkest, the
// darkness-weighted middle of the run of pixels darker than the text.
std::vector<double> RuleRows(const dib& page, double v, double inset) {
  const int32_t w = DibWidth(&page), h = DibHeight(&page);
  const int32_t reach = std::max(3, h / 30), around = static_cast<int32_t>(std::lround(v * h));
  std::vector<double> rows;
  for (int32_t x = static_cast<int32_t>(w * (inset + 0.03)); x < w * (1 - inset - 0.03); ++x) {
    double weight = 0, sum = 0;
    for (int32_t y = std::max(0, around - reach); y <= std::min(h - 1, around + reach); ++y) {
      const uint32_t c = getpixel(page, x, y);
      const double grey = ((c & 255) + (c >> 8 & 255) + (c >> 16 & 255)) / 3.0;
      if (grey < 60) {
        weight += 60 - grey;
        sum += (60 - grey) * y;
      }
    }
    if (weight > 0) rows.push_back(sum / weight);
  }
  return rows;
}

TEST_F(CliTest, DetectSaysWhenAPictureShowsNoPage) {
  const std::string blank =
      folder.Write("blank.bmp", testing::MakeBmp(64, 48, 24, {}, [](int, int) { return 0x808080u; }));
  for (const std::string json : {"", " --json"}) {
    const CliRun run = Cli("detect" + json + " " + Quoted(blank), folder);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "trellimap-cli: " + blank + ": no page found\n");
  }
}

// What detect prints places the page's outline with new's --points1; its JSON
// tells the same points to the hundredth of a pixel.
TEST_F(CliTest, DetectedOutlinesFeedNew) {
  const PagePhoto page = WritePagePhoto(folder, "page.png", TiltedPage());
  const CliRun run = Cli("detect " + Quoted(page.file), folder);
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
  const std::string points = run.out.substr(0, run.out.size() - 1);
  const auto presses = ParsePointList(points);
  ASSERT_TRUE(presses) << points;
  const std::string project = folder.Path("page.gip");
  ASSERT_EQ(
      Cli("new " + Quoted(project) + " --picture1 " + Quoted(page.file) + " --points1 '" + points + "'", folder).status,
      0);
  EXPECT_NE(Cli("info " + Quoted(project), folder).out.find("corners1: 4"), std::string::npos);
  const CliRun json = Cli("detect --json " + Quoted(page.file), folder);
  ASSERT_EQ(json.status, 0) << json.err;
  // The same points, sub-pixel: each within half a pixel of its press.
  const nlohmann::json report = nlohmann::json::parse(json.out);
  ASSERT_EQ(report["points"].size(), presses->size()) << json.out;
  for (size_t i = 0; i < presses->size(); ++i) {
    const nlohmann::json& point = report["points"][i];
    EXPECT_LE(std::abs(point["x"].get<double>() - (*presses)[i].x), 0.5) << json.out;
    EXPECT_LE(std::abs(point["y"].get<double>() - (*presses)[i].y), 0.5) << json.out;
    EXPECT_EQ(point["corner"].get<bool>(), (*presses)[i].button == MouseButton::Left) << json.out;
  }
  EXPECT_TRUE(report["score"].is_number());
  EXPECT_GT(report["confidence"].get<double>(), 0.9) << json.out;
  EXPECT_FALSE(report["doubtful"].get<bool>()) << json.out;
}

// A page found in doubt (here a card far off, a speck of the picture) is
// still printed, and flattened, but named with the reason and status 4;
// --skip-doubtful leaves it out. A photo without a page still gives 3.
TEST_F(CliTest, DoubtfulPagesAreSaidAloud) {
  testing::PhotoSetup far = TiltedPage();
  far.fill = 0.2;
  const PagePhoto speck = WritePagePhoto(folder, "speck.png", far);
  const CliRun detect = Cli("detect --json " + Quoted(speck.file), folder);
  ASSERT_EQ(detect.status, 4) << detect.out << detect.err;
  const nlohmann::json report = nlohmann::json::parse(detect.out);
  EXPECT_TRUE(report["doubtful"].get<bool>());
  EXPECT_LT(report["confidence"].get<double>(), 0.5);
  EXPECT_NE(detect.err.find("speck.png: doubtful: a small part of the picture"), std::string::npos) << detect.err;

  const PagePhoto clear = WritePagePhoto(folder, "clear.png", TiltedPage());
  const std::string blank =
      folder.Write("blank.bmp", testing::MakeBmp(64, 48, 24, {}, [](int, int) { return 0x808080u; }));
  const std::string out = folder.Path("flat");
  const CliRun both = Cli("flatten " + Quoted(speck.file) + " " + Quoted(clear.file) + " -o " + Quoted(out), folder);
  EXPECT_EQ(both.status, 4) << both.err;
  EXPECT_TRUE(std::filesystem::exists(out + "/speck.png") && std::filesystem::exists(out + "/clear.png"));
  EXPECT_NE(both.err.find("speck.png: doubtful"), std::string::npos) << both.err;
  const std::string skipped = folder.Path("skipped");
  const CliRun skip = Cli("flatten --skip-doubtful " + Quoted(speck.file) + " " + Quoted(clear.file) + " " +
                              Quoted(blank) + " -o " + Quoted(skipped),
                          folder);
  EXPECT_EQ(skip.status, 3) << skip.err;  // no page outranks a doubt
  EXPECT_FALSE(std::filesystem::exists(skipped + "/speck.png"));
  EXPECT_TRUE(std::filesystem::exists(skipped + "/clear.png"));
}

// A flattened page has the size asked for, and its rules run straight and
// level across it, by either renderer; auto gives the page's proportions.
TEST_F(CliTest, FlattenMakesThePageFlatAndSquare) {
  const PagePhoto page = WritePagePhoto(folder, "page.png", TiltedPage());
  for (const std::string renderer : {"", " --exact"}) {
    const std::string out = folder.Path("flat.png");
    const CliRun run = Cli("flatten " + Quoted(page.file) + " -o " + Quoted(out) + " --size 420x594 --points '" +
                               page.corners + "'" + renderer,
                           folder);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    dib flat{};
    ASSERT_TRUE(ReadPictureFile(out, flat).done());
    EXPECT_EQ(DibWidth(&flat), 420);
    EXPECT_EQ(DibHeight(&flat), 594);
    for (const double v : page.photo.rules) {
      const std::vector<double> rows = RuleRows(flat, v, page.photo.ruleInset);
      ASSERT_GT(rows.size(), 300u) << v << renderer;
      const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
      EXPECT_LE(*high - *low, 0.006 * 594) << "rule at " << v << renderer;
      EXPECT_NEAR((*low + *high) / 2, v * 594, 0.01 * 594) << "rule at " << v << renderer;
    }
    ReleaseDib(&flat);
  }
  // A pixel size turns to the upright page as paper sizes do, unless "!"
  // keeps it as given. An inset trims the page; a turn asked for turns it; a
  // page of text bars tells no way up and stays.
  for (const auto& [options, width, height] :
       {std::tuple{"--size 594x420", 420, 594}, std::tuple{"--size 594x420!", 594, 420},
        std::tuple{"--size 420x594 --inset 10px", 400, 574}, std::tuple{"--size 420x594 --inset 5%", 378, 534},
        std::tuple{"--size 420x594 --turn 90", 594, 420}, std::tuple{"--size 420x594 --turn auto", 420, 594}}) {
    const std::string out = folder.Path("turned.bmp");
    ASSERT_EQ(
        Cli("flatten " + Quoted(page.file) + " -o " + Quoted(out) + " " + options + " --points '" + page.corners + "'",
            folder)
            .status,
        0);
    const CliRun info = Cli("info " + Quoted(out), folder);
    EXPECT_EQ(Field(info.out, "width"), std::to_string(width)) << options;
    EXPECT_EQ(Field(info.out, "height"), std::to_string(height)) << options;
  }
  // An inset that leaves nothing fails and writes nothing.
  const CliRun trimmedAway = Cli("flatten " + Quoted(page.file) + " -o " + Quoted(folder.Path("none.png")) +
                                     " --size 420x594 --inset 300px --points '" + page.corners + "'",
                                 folder);
  EXPECT_EQ(trimmedAway.status, 1);
  EXPECT_NE(trimmedAway.err.find("inset"), std::string::npos) << trimmedAway.err;
  EXPECT_FALSE(std::filesystem::exists(folder.Path("none.png")));
  ASSERT_EQ(Cli("flatten " + Quoted(page.file) + " -o " + Quoted(folder.Path("auto.bmp")) + " --points '" +
                    page.corners + "'",
                folder)
                .status,
            0);
  const CliRun info = Cli("info " + Quoted(folder.Path("auto.bmp")), folder);
  const double w = std::stod(Field(info.out, "width")), h = std::stod(Field(info.out, "height"));
  EXPECT_NEAR(w / h, 210.0 / 297, 0.025 * 210 / 297) << info.out;
}

// The grey and black-and-white looks leave grey levels, black and white
// only black and white, its page's rules black on white paper.
TEST_F(CliTest, FlattenGivesThePageTheLookAskedFor) {
  const PagePhoto page = WritePagePhoto(folder, "page.png", TiltedPage());
  for (const std::string look : {"grey", "bw"}) {
    const std::string out = folder.Path(look + ".png");
    const CliRun run = Cli("flatten " + Quoted(page.file) + " -o " + Quoted(out) + " --size 420x594 --look " + look +
                               " --points '" + page.corners + "'",
                           folder);
    ASSERT_EQ(run.status, 0) << run.err;
    dib flat{};
    ASSERT_TRUE(ReadPictureFile(out, flat).done());
    int coloured = 0, between = 0, black = 0;
    for (int y = 0; y < DibHeight(&flat); ++y)
      for (int x = 0; x < DibWidth(&flat); ++x) {
        const uint32_t c = DibPixelColour(flat, x, y);
        const int r = c & 0xff, g = (c >> 8) & 0xff, b = (c >> 16) & 0xff;
        coloured += r != g || g != b;
        between += r != 0 && r != 255;
        black += r == 0;
      }
    EXPECT_EQ(coloured, 0) << look;
    if (look == "bw") {
      EXPECT_EQ(between, 0);
      EXPECT_GT(black, 0.005 * DibWidth(&flat) * DibHeight(&flat));
    }
    ReleaseDib(&flat);
  }
}

// Flattening in one step, the outline found: a flat page's rules and an open
// book's bent ones come out straight and level, within 0.6 % and 1.2 % of the
// page's height.
TEST_F(CliTest, FlattenFindsAndStraightensFlatAndBentPages) {
  testing::PhotoSetup book = TiltedPage();
  book.pageWidth = 150, book.pageHeight = 230, book.curl = 0.12, book.tilt = 20, book.fill = 0.8;
  book.backdrop = testing::Backdrop::Textured;
  for (const auto& [setup, limit] : {std::pair{TiltedPage(), 0.006}, std::pair{book, 0.012}}) {
    const PagePhoto page = WritePagePhoto(folder, "page.png", setup);
    const std::string out = folder.Path("flat.png");
    const CliRun run = Cli("flatten " + Quoted(page.file) + " -o " + Quoted(out) + " --size 600x900", folder);
    ASSERT_EQ(run.status, 0) << run.err;
    dib flat{};
    ASSERT_TRUE(ReadPictureFile(out, flat).done());
    for (const double v : page.photo.rules) {
      const std::vector<double> rows = RuleRows(flat, v, page.photo.ruleInset);
      ASSERT_GT(rows.size(), 450u) << v;
      const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
      EXPECT_LE(*high - *low, limit * 900) << "rule at " << v << ", curl " << setup.curl;
    }
    ReleaseDib(&flat);
  }
}

// Several photos go into a folder, named after them; a photo without a page
// is named and the others are still flattened.
TEST_F(CliTest, FlattenManyIntoAFolder) {
  const PagePhoto page = WritePagePhoto(folder, "page.png", TiltedPage());
  std::filesystem::create_directory(folder.Path("other"));
  std::filesystem::copy_file(page.file, folder.Path("other/page.png"));
  const std::string flat = folder.Path("flat");
  CliRun run = Cli("flatten " + Quoted(page.file) + " " + Quoted(folder.Path("other/page.png")) + " -o " +
                       Quoted(flat) + " --size a5@50 --format tif --jobs 2 --points '" + page.corners + "'",
                   folder);
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* name : {"flat/page.tif", "flat/page-2.tif"}) {
    const CliRun info = Cli("info " + Quoted(folder.Path(name)), folder);
    EXPECT_EQ(Field(info.out, "width"), "291") << name;  // 148 mm at 50 dpi
    EXPECT_EQ(Field(info.out, "height"), "413") << name;
  }
  const std::string blank =
      folder.Write("blank.bmp", testing::MakeBmp(64, 48, 24, {}, [](int, int) { return 0x808080u; }));
  run = Cli("flatten " + Quoted(blank) + " " + Quoted(page.file) + " -o " + Quoted(folder.Path("found")), folder);
  EXPECT_EQ(run.status, 3);
  EXPECT_NE(run.err.find(blank + ": no page found"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(folder.Path("found/blank.png")));
  // The photo's page is flattened once the detector finds it.
  EXPECT_NE(std::filesystem::exists(folder.Path("found/page.png")), run.err.find(page.file) != std::string::npos);
}

// Photos of text pages, each lying on a grey table at the same place: `size`
// gives each page's font size.
std::vector<std::string> TextPhotos(const TempFolder& folder, const std::vector<double>& sizes,
                                    std::vector<std::vector<std::string>>& words) {
  std::vector<std::string> files;
  for (const double size : sizes) {
    std::vector<std::string> drawn;
    dib text = testing::TextPagePicture({"serif", size, 800, 600}, &drawn);
    files.push_back(folder.Write(
        "text" + std::to_string(files.size()) + ".bmp", testing::MakeBmp(900, 700, 24, {}, [&](int x, int y) {
          return x >= 50 && x < 850 && y >= 50 && y < 650 ? getpixel(text, x - 50, y - 50) : 0x707070u;
        })));
    words.push_back(drawn);
    ReleaseDib(&text);
  }
  return files;
}

// Photos go into one PDF in their order, a page each at the paper's size;
// black and white at a bit a pixel; the text read with --ocr is found on its
// page. The PDF's options are refused where no PDF is written, and a
// language without data before any work is done.
TEST_F(CliTest, FlattenIntoOnePdf) {
  std::vector<std::vector<std::string>> words;
  const std::vector<std::string> photos = TextPhotos(folder, {18, 30}, words);
  const std::string pdf = folder.Path("scan.pdf"), both = Quoted(photos[0]) + " " + Quoted(photos[1]);
  const std::string points = " --points '50,50 849,50 849,649 50,649'";
  CliRun run =
      Cli("flatten " + both + " -o " + Quoted(pdf) + " --size a4 --look bw --ocr eng --jobs 2" + points, folder);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(testing::RunTool("qpdf --check " + Quoted(pdf)).status, 0);
  const std::vector<testing::PdfPageBox> boxes = testing::PdfPageBoxes(pdf);
  ASSERT_EQ(boxes.size(), 2u);
  for (const testing::PdfPageBox& box : boxes) {
    EXPECT_NEAR(box.width, 841.89, 0.01);  // the page lies across
    EXPECT_NEAR(box.height, 595.28, 0.01);
  }
  EXPECT_EQ(testing::PdfPictures(pdf), (std::vector<std::string>{"gray 1 ccitt", "gray 1 ccitt"}));
  for (int page = 1; page <= 2; ++page) {
    std::istringstream text(testing::RunTool("pdftotext -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                             " " + Quoted(pdf) + " -")
                                .out);
    std::vector<std::string> read;
    for (std::string word; text >> word;) read.push_back(word);
    EXPECT_GE(testing::WordsFound(words[static_cast<size_t>(page - 1)], read), 0.95) << page;
    EXPECT_LE(read.size(), words[static_cast<size_t>(page - 1)].size() * 105 / 100) << page;
  }

  for (const auto& [arguments, says] : std::vector<std::pair<std::string, std::string>>{
           {" -o " + Quoted(folder.Path("page.png")) + " --ocr eng", "are for a PDF"},
           {" -o " + Quoted(folder.Path("pages")) + " --quality 50", "are for a PDF"},
           {" -o " + Quoted(folder.Path("other.pdf")) + " --ocr eng+xq_none", "xq_none: no text recognition data"}}) {
    run = Cli("flatten " + both + arguments + points, folder);
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.Path("page.png")));
  EXPECT_FALSE(std::filesystem::exists(folder.Path("pages")));
  EXPECT_FALSE(std::filesystem::exists(folder.Path("other.pdf")));
}

}  // namespace
}  // namespace trellimap
