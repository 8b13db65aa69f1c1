#include "document/projectdocument.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "image/pixmill3.h"
#include "tests/support/outlines.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/syntheticphoto.h"
#include "tests/support/testfiles.h"
#include "workspace/edithistory.h"

namespace trellimap {
namespace {

using testing::TempFolder;

constexpr const char* kProgram = "Vandoriq Trellimap 1.0";

// Runs work in place and asks it to stop at its first report.
class StoppingRunner final : public WorkRunner {
 public:
  void Run(const char*, const std::function<void(Progress&)>& work) override {
    struct Stop final : Progress {
      bool Report(double) override { return false; }
    } stop;
    work(stop);
  }
};

// What a document shows of itself, to tell that an operation changed nothing.
struct Look {
  OutlineState outlines;
  bool smooth;
  std::optional<FlatPage> flatPage;
  uint32_t pictures[4];
  std::string project, picture1, picture2, title;
  bool modified;
  bool operator==(const Look&) const = default;
};
Look LookOf(const ProjectDocument& doc) {
  const Workspace& ws = doc.workspace();
  return {
      CaptureState(ws),  ws.smooth,          ws.flatPage,        {ws.di1.poih, ws.di2.poih, ws.di3.poih, ws.di4.poih},
      doc.ProjectFile(), doc.PictureFile(0), doc.PictureFile(1), doc.Title(kProgram),
      doc.Modified()};
}

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void PlaceOutlines(Workspace& ws) {
  testing::FillOutline(ws.punkte1, {{10, 10, true}, {300, 20, true}, {310, 190, true}, {5, 180, true}, {10, 10, true}});
  testing::FillOutline(ws.punkte2, {{40, 5, true}, {280, 30, true}, {260, 170, true}, {20, 195, true}, {40, 5, true}});
  ws.ecken1 = ws.ecken2 = 4;
}

class ProjectDocumentTest : public ::testing::Test {
 protected:
  TempFolder folder;
  testing::RecordingMessages messages;  // nothing is shown: outcomes are the caller's to tell
  RunInPlace inPlace;
  ProjectDocument doc;
  // Picture 1 becomes a 400 × 300 synthetic photo of a page.
  void PhotoAsPicture1() {
    testing::PhotoSetup setup;
    setup.width = 400;
    setup.height = 300;
    testing::SyntheticPhoto photo = testing::MakePhoto(setup);
    ReplacePicture(&doc.workspace().di1, photo.picture);
    photo.picture = dib{};
  }
  std::string Picture(const std::string& name, int w, int h) {
    return folder.Write(name, testing::MakeBmp(w, h, 8, {{9, 9, 9}, {200, 100, 0}},
                                               [](int x, int y) { return static_cast<uint32_t>((x + y) & 1); }));
  }
};

TEST_F(ProjectDocumentTest, NamesFollowTheProjectElseThePictureDrawnOn) {
  EXPECT_EQ(doc.Title(kProgram), kProgram);
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(doc.ResultName(WarpDirection::OneIntoTwo), "result-result1.bmp");

  ASSERT_TRUE(doc.OpenPicture(1, Picture("wall.bmp", 30, 20), inPlace).done());
  EXPECT_EQ(DibBitCount(&doc.workspace().di2), 24);
  EXPECT_TRUE(doc.Modified());
  EXPECT_EQ(doc.Title(kProgram), std::string("*wall.bmp \u2013 ") + kProgram);  // named after the picture
  ASSERT_TRUE(doc.OpenPicture(0, Picture("photo.bmp", 10, 10), inPlace).done());
  EXPECT_EQ(doc.Title(kProgram), std::string("*photo.bmp, wall.bmp \u2013 ") + kProgram);
  EXPECT_EQ(doc.ResultName(WarpDirection::OneIntoTwo), "wall-result1.bmp");  // drawn on picture 2
  EXPECT_EQ(doc.ResultName(WarpDirection::TwoIntoOne), "photo-result2.bmp");

  const std::string project = folder.Path("work.gip");
  ASSERT_TRUE(doc.SaveProject(project, inPlace).done());
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(doc.Title(kProgram), std::string("work.gip \u2013 ") + kProgram);
  EXPECT_EQ(doc.ResultName(WarpDirection::TwoIntoOne), "work-result2.bmp");
  EXPECT_EQ(doc.ResultNamesake(WarpDirection::TwoIntoOne), project);
  EXPECT_TRUE(messages.shown.empty());
}

// Failed and stopped operations leave the document as it was; each failure
// says what went wrong in the user's terms.
TEST_F(ProjectDocumentTest, WhatFailsOrStopsChangesNothing) {
  ASSERT_TRUE(doc.OpenPicture(0, Picture("one.bmp", 12, 9), inPlace).done());
  const std::string good = folder.Path("good.gip");
  ASSERT_TRUE(doc.SaveProject(good, inPlace).done());
  PlaceOutlines(doc.workspace());
  std::vector<uint8_t> cut = Bytes(good);
  cut.resize(cut.size() / 2);
  // A flattened page's project whose settings at the end are damaged: none of it is taken.
  ProjectDocument flattened;
  Workspace& page = flattened.workspace();
  page.smooth = page.perspective = true;
  page.flatPage = FlatPage{{}, {kStartWidth, kStartHeight}};
  const std::string settings = folder.Path("settings.gip");
  ASSERT_TRUE(flattened.SaveProject(settings, inPlace).done());
  const std::vector<uint8_t> withSettings = Bytes(settings);
  std::vector<uint8_t> wrongTag = withSettings;
  wrongTag[wrongTag.size() - 50] = 'X';
  StoppingRunner stopping;
  const Look before = LookOf(doc);
  const struct {
    const char* what;
    std::function<Outcome()> run;
    Outcome::Kind kind;
    FileProblem problem;
  } cases[] = {
      {"missing picture", [&] { return doc.OpenPicture(0, folder.Path("none.bmp"), inPlace); }, Outcome::Kind::Failed,
       FileProblem::NoSuchFile},
      {"text as picture",
       [&] {
         return doc.OpenPicture(1, folder.Write("a.bmp", {'h', 'i'}), inPlace);
       },
       Outcome::Kind::Failed, FileProblem::NotThisFormat},
      {"stopped picture", [&] { return doc.OpenPicture(0, Picture("two.bmp", 5, 5), stopping); },
       Outcome::Kind::Stopped, FileProblem::None},
      {"missing project", [&] { return doc.OpenProject(folder.Path("none.gip"), inPlace); }, Outcome::Kind::Failed,
       FileProblem::CannotOpen},
      {"cut project", [&] { return doc.OpenProject(folder.Write("cut.gip", cut), inPlace); }, Outcome::Kind::Failed,
       FileProblem::CutShort},
      {"stopped project", [&] { return doc.OpenProject(good, stopping); }, Outcome::Kind::Stopped, FileProblem::None},
      {"settings of a wrong tag", [&] { return doc.OpenProject(folder.Write("tag.gip", wrongTag), inPlace); },
       Outcome::Kind::Failed, FileProblem::Damaged},
      {"settings cut short",
       [&] {
         return doc.OpenProject(folder.Write("short.gip", {withSettings.begin(), withSettings.end() - 1}), inPlace);
       },
       Outcome::Kind::Failed, FileProblem::Damaged},
      {"project into no folder", [&] { return doc.SaveProject(folder.Path("no/such.gip"), inPlace); },
       Outcome::Kind::Failed, FileProblem::CannotOpen},
      {"stopped save", [&] { return doc.SaveProject(folder.Path("other.gip"), stopping); }, Outcome::Kind::Stopped,
       FileProblem::None},
  };
  for (const auto& c : cases) {
    const Outcome outcome = c.run();
    EXPECT_EQ(outcome.kind, c.kind) << c.what;
    EXPECT_EQ(outcome.problem, c.problem) << c.what;
    EXPECT_EQ(LookOf(doc), before) << c.what;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.Path("other.gip")));
  EXPECT_TRUE(messages.shown.empty());
}

// A result counts as current from its render, or from the project it was
// opened with, until what it was made from changes; a stopped render keeps
// the old result.
TEST_F(ProjectDocumentTest, ResultsKnowWhetherTheyAreCurrent) {
  EXPECT_EQ(doc.Render(WarpDirection::OneIntoTwo, inPlace), RenderOutcome::Unfinished);
  EXPECT_TRUE(doc.NeverRendered(WarpDirection::OneIntoTwo));
  PlaceOutlines(doc.workspace());
  StoppingRunner stopping;
  const uint32_t old = doc.workspace().di3.poih;
  EXPECT_EQ(doc.Render(WarpDirection::OneIntoTwo, stopping), RenderOutcome::Stopped);
  EXPECT_EQ(doc.workspace().di3.poih, old);
  ASSERT_EQ(doc.Render(WarpDirection::OneIntoTwo, inPlace), RenderOutcome::Rendered);
  EXPECT_FALSE(doc.NeverRendered(WarpDirection::OneIntoTwo));
  EXPECT_FALSE(doc.Stale(WarpDirection::OneIntoTwo));
  EXPECT_TRUE(doc.NeverRendered(WarpDirection::TwoIntoOne));

  static_cast<TOutlinePoint*>(doc.workspace().punkte2.GetObject(1))->x += 3;
  EXPECT_TRUE(doc.Stale(WarpDirection::OneIntoTwo));
  const std::string project = folder.Path("p.gip");
  ASSERT_TRUE(doc.SaveProject(project, inPlace).done());
  EXPECT_TRUE(doc.Stale(WarpDirection::OneIntoTwo));  // saving renders nothing

  ProjectDocument opened;
  ASSERT_TRUE(opened.OpenProject(project, inPlace).done());
  for (const WarpDirection d : kBothDirections) {
    EXPECT_FALSE(opened.NeverRendered(d));
    EXPECT_FALSE(opened.Stale(d));
  }
  EXPECT_FALSE(opened.Modified());
  opened.PictureReplaced(0);
  EXPECT_TRUE(opened.Stale(WarpDirection::TwoIntoOne));
  EXPECT_TRUE(opened.Modified());
}

TEST_F(ProjectDocumentTest, APageFoundBecomesTheOutlineAndCanBeFlattened) {
  PhotoAsPicture1();
  StoppingRunner stopping;
  EXPECT_EQ(doc.FindOutline(0, stopping), PageSearch::Stopped);
  EXPECT_EQ(doc.workspace().ecken1, 0);
  EXPECT_EQ(doc.FindOutline(1, inPlace), PageSearch::NoPage);  // a blank picture
  ASSERT_EQ(doc.FindOutline(0, inPlace), PageSearch::Placed);
  EXPECT_EQ(doc.workspace().ecken1, 4);

  const uint32_t picture2 = doc.workspace().di2.poih;
  dib replaced{};
  ASSERT_TRUE(doc.MakeFlatPage({{PageSize::Kind::Pixels, 70, 99, 0}, {70, 99}}, &replaced));
  EXPECT_EQ(replaced.poih, picture2);  // handed over, not released
  ReleaseDib(&replaced);
  const Workspace& ws = doc.workspace();
  EXPECT_EQ(DibWidth(&ws.di2), 70);
  EXPECT_EQ(ws.ecken2, 4);
  EXPECT_TRUE(ws.smooth && ws.perspective);
  ASSERT_EQ(doc.Render(WarpDirection::OneIntoTwo, inPlace), RenderOutcome::Rendered);
  EXPECT_EQ(DibHeight(&ws.di3), 99);
}

// Result 1 of a flat page comes finished as the workspace asks (trimmed,
// turned, in its look), and a finish that cannot be done says why; a change
// of the finish is a step to undo and leaves result 1 out of date.
TEST_F(ProjectDocumentTest, AFlatPageIsFinishedAsAsked) {
  PhotoAsPicture1();
  ASSERT_EQ(doc.FindOutline(0, inPlace), PageSearch::Placed);
  ASSERT_TRUE(doc.MakeFlatPage({{PageSize::Kind::Pixels, 70, 99, 0}, {70, 99}}));
  Workspace& ws = doc.workspace();
  const struct {
    PageFinish finish;
    int width, height, bits, turns;
    bool fails;
  } cases[] = {{{trellimap::Look::BlackWhite, {10, true}, 1}, 79, 56, 1, 1, false},
               {{trellimap::Look::Grey, {3, false}, 2}, 64, 93, 24, 2, false},
               {{trellimap::Look::Clean, {40, false}, 0}, 70, 99, 24, 0, true}};
  for (const auto& c : cases) {
    EditHistory history;
    const OutlineState before = CaptureState(ws);
    ws.finish = c.finish;
    history.Record(before, ws);
    EXPECT_TRUE(history.CanUndo());
    ASSERT_EQ(doc.Render(WarpDirection::OneIntoTwo, inPlace), RenderOutcome::Rendered);
    EXPECT_EQ(DibWidth(&ws.di3), c.width);
    EXPECT_EQ(DibHeight(&ws.di3), c.height);
    EXPECT_EQ(DibBitCount(&ws.di3), c.bits);
    ASSERT_TRUE(doc.PageFinished());
    EXPECT_EQ(doc.PageFinished()->turns, c.turns);
    EXPECT_EQ(doc.PageFinished()->failure.empty(), !c.fails);
    ASSERT_TRUE(history.Undo(ws));
    EXPECT_EQ(ws.finish, before.finish);
    EXPECT_TRUE(doc.Stale(WarpDirection::OneIntoTwo));
  }
  ASSERT_TRUE(doc.OpenPicture(1, Picture("two.bmp", 12, 9), inPlace).done());
  ASSERT_EQ(doc.Render(WarpDirection::OneIntoTwo, inPlace), RenderOutcome::Rendered);
  EXPECT_FALSE(doc.PageFinished());
}

// What is judged of a found page holds while its outline is the one found:
// not once a point moved, nor on a project or a picture opened since, even
// with the same points.
TEST_F(ProjectDocumentTest, AFoundPagesDoubtHoldsWhileItsOutlineDoes) {
  PhotoAsPicture1();
  EXPECT_FALSE(doc.FoundDoubt(0));
  ASSERT_EQ(doc.FindOutline(0, inPlace), PageSearch::Placed);
  ASSERT_TRUE(doc.FoundDoubt(0));
  EXPECT_FALSE(doc.FoundDoubt(0)->Doubtful());
  EXPECT_GT(doc.FoundDoubt(0)->confidence, 0.9);
  EXPECT_FALSE(doc.FoundDoubt(1));
  static_cast<TOutlinePoint*>(doc.workspace().punkte1.GetObject(1))->x += 1;
  EXPECT_FALSE(doc.FoundDoubt(0));
  static_cast<TOutlinePoint*>(doc.workspace().punkte1.GetObject(1))->x -= 1;
  EXPECT_TRUE(doc.FoundDoubt(0));
  const std::string project = folder.Path("found.gip");
  ASSERT_TRUE(doc.SaveProject(project, inPlace).done());
  ASSERT_TRUE(doc.OpenProject(project, inPlace).done());
  EXPECT_FALSE(doc.FoundDoubt(0));
  ASSERT_EQ(doc.FindOutline(0, inPlace), PageSearch::Placed);
  ASSERT_TRUE(doc.OpenPicture(0, Picture("same.bmp", 400, 300), inPlace).done());
  EXPECT_FALSE(doc.FoundDoubt(0));
}

// A flattened photo's project opens as it was rendered: the same settings and
// flat page, both results current, and rendering again gives the same
// pictures. Picture 2 opened anew is no flat page any more.
TEST_F(ProjectDocumentTest, AFlattenedProjectOpensAsItWasRendered) {
  PhotoAsPicture1();
  ASSERT_EQ(doc.FindOutline(0, inPlace), PageSearch::Placed);
  const Workspace& ws = doc.workspace();
  const PageSize chosen = *ParsePageSize("a5@40");
  const FlatPage page{chosen, FlatPageSize(chosen, ws.punkte1, DibWidth(&ws.di1), DibHeight(&ws.di1))};
  ASSERT_TRUE(doc.MakeFlatPage(page));
  for (const WarpDirection d : kBothDirections) ASSERT_EQ(doc.Render(d, inPlace), RenderOutcome::Rendered);
  const std::string project = folder.Path("flat.gip");
  ASSERT_TRUE(doc.SaveProject(project, inPlace).done());

  ProjectDocument opened;
  ASSERT_TRUE(opened.OpenProject(project, inPlace).done());
  const Workspace& back = opened.workspace();
  EXPECT_TRUE(back.smooth && back.perspective);
  EXPECT_EQ(back.flatPage, page);
  EXPECT_FALSE(opened.Modified());
  for (const WarpDirection d : kBothDirections) {
    EXPECT_FALSE(opened.Stale(d));
    ASSERT_EQ(opened.Render(d, inPlace), RenderOutcome::Rendered);
    const dib &first = ws.Result(d), &again = back.Result(d);
    ASSERT_EQ(DibWidth(&again), DibWidth(&first));
    ASSERT_EQ(DibHeight(&again), DibHeight(&first));
    ASSERT_EQ(again.bytew, first.bytew);
    EXPECT_EQ(std::memcmp(again.poi, first.poi, static_cast<size_t>(first.bytew) * DibHeight(&first)), 0)
        << ResultNumber(d);
  }
  opened.workspace().smooth = false;
  EXPECT_TRUE(opened.Modified());
  EXPECT_TRUE(opened.Stale(WarpDirection::OneIntoTwo));
  opened.workspace().smooth = true;
  EXPECT_FALSE(opened.Stale(WarpDirection::OneIntoTwo));

  ASSERT_TRUE(opened.OpenPicture(0, Picture("one.bmp", 12, 9), inPlace).done());
  EXPECT_EQ(back.flatPage, page);
  ASSERT_TRUE(opened.OpenPicture(1, Picture("two.bmp", 12, 9), inPlace).done());
  EXPECT_FALSE(back.flatPage);
}

}  // namespace
}  // namespace trellimap
