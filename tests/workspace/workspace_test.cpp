#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include "image/pixmill3.h"
#include "workspace/commandline.h"
#include "workspace/programpath.h"

namespace trellimap {
namespace {

TEST(Workspace, StartsWithFourBlackPicturesAndEmptyOutlines) {
  Workspace ws;
  for (const dib* d : {&ws.di1, &ws.di2, &ws.di3, &ws.di4}) {
    ASSERT_NE(d->poi, nullptr);
    EXPECT_EQ(DibWidth(d), 320);
    EXPECT_EQ(DibHeight(d), 200);
    EXPECT_EQ(DibBitCount(d), 24);
    EXPECT_EQ(getpixel(*d, 100, 100), 0u);
  }
  EXPECT_EQ(ws.punkte1.count, 0u);
  EXPECT_EQ(ws.punkte2.count, 0u);
  EXPECT_EQ(ws.ecken1, 0);
  EXPECT_EQ(ws.ecken2, 0);
  EXPECT_TRUE(ws.renderautomatically);
  EXPECT_FALSE(ws.showoriginal || ws.transparent);

  // Both lists mirror their current record into the one shared pointer.
  static_cast<TOutlinePoint*>(ws.punkte1.Add())->x = 1;
  EXPECT_EQ(ws.apunkt->x, 1);
  ws.punkte2.Add();
  EXPECT_EQ(ws.apunkt->x, 0);
}

TEST(CommandLine, ProjectExtensionInAnyCase) {
  for (const char* yes : {"a.gip", "A.GIP", "dir/x.GiP", ".gip", "my.pictures/p.gIp"})
    EXPECT_TRUE(HasProjectExtension(yes));
  for (const char* no : {"a.gipx", "a.gi", "gip", "a.bmp", "dir.gip/file", ""}) EXPECT_FALSE(HasProjectExtension(no));
}

TEST(CommandLine, HelpVersionAndTheEndOfOptions) {
  using Action = ProgramCommand::Action;
  const struct {
    std::vector<std::string> arguments;
    Action action;
    std::vector<std::string> files;
    std::vector<std::string> ignored = {};
  } cases[] = {
      {{"--help"}, Action::Help, {}},
      {{"a.png", "--version"}, Action::Version, {}},
      {{"a.gip"}, Action::Run, {"a.gip"}},
      {{"--", "--help", "b.png"}, Action::Run, {"--help", "b.png"}},
      {{"a.png", "--", "--"}, Action::Run, {"a.png", "--"}},
      {{"-x.png"}, Action::Run, {"-x.png"}},
      {{"--bogus", "a.png"}, Action::Refuse, {}},
      {{"a.png", "b.png", "c.png", "d.png"}, Action::Run, {"a.png", "b.png"}, {"c.png", "d.png"}},
      {{"-platform", "offscreen", "a.png", "--style=fusion", "-reverse", "b.png"}, Action::Run, {"a.png", "b.png"}},
      {{"--platform", "xcb", "--", "--bogus"}, Action::Run, {"--bogus"}}};
  for (const auto& c : cases) {
    const ProgramCommand command = ParseProgramArguments(c.arguments);
    EXPECT_EQ(command.action, c.action);
    EXPECT_EQ(command.files, c.files);
    EXPECT_EQ(command.ignored, c.ignored);
  }
}

TEST(CommandLine, DropsOpenAProjectTwoPicturesOrOneOnItsPane) {
  using Kind = DropPlan::Kind;
  EXPECT_EQ(PlanDrop({"p.GIP"}, -1).kind, Kind::Project);
  EXPECT_EQ(PlanDrop({"a.png", "b.jpg"}, 3).files,
            (std::vector<std::pair<int, std::string>>{{0, "a.png"}, {1, "b.jpg"}}));
  EXPECT_EQ(PlanDrop({"a.png"}, 1).files, (std::vector<std::pair<int, std::string>>{{1, "a.png"}}));
  for (const auto& [files, pane] : std::vector<std::pair<std::vector<std::string>, int>>{
           {{"a.png"}, -1}, {{"a.png"}, 2}, {{"p.gip", "a.png"}, 0}, {{"a", "b", "c"}, 0}, {{}, 0}})
    EXPECT_EQ(PlanDrop(files, pane).kind, Kind::Refuse) << files.size() << " on " << pane;
}

TEST(ProgramPath, FolderEndsInOneSeparator) {
  EXPECT_EQ(FolderWithSeparator("/usr/bin/trellimap"), "/usr/bin/");
  EXPECT_EQ(FolderWithSeparator("/usr/bin/"), "/usr/bin/");
  EXPECT_EQ(FolderWithSeparator("trellimap"), "./");
  EXPECT_EQ(ProgramFolder().back(), '/');
}

}  // namespace
}  // namespace trellimap
