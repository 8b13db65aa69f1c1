#include "document/projectdocument.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "codecs/formatregistry.h"
#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "detect/pageoutline.h"
#include "i18n/translateunit.h"
#include "image/pixmill3.h"
#include "persist/projectfile.h"
#include "render/foundoutline.h"

namespace trellimap {

ProjectDocument::ProjectDocument() { changes_.Saved(ws_, false); }

Outcome ProjectDocument::OpenProject(const std::string& fname, WorkRunner& runner) {
  // Read beside the workspace, which the window keeps showing meanwhile; a
  // damaged or cut-short file leaves the work and its results as they were.
  ProjectRead read;
  Outcome outcome;
  runner.Run("Opening the project...", [&](Progress& progress) { outcome = ReadProject(fname, read, &progress); });
  if (!outcome.done()) return outcome;
  read.HandTo(ws_);
  projectFile_ = fname;
  pictureFile_[0] = pictureFile_[1] = {};
  found_[0] = found_[1] = std::nullopt;  // what was found, was found on other pictures
  changes_.Saved(ws_, true);
  return outcome;
}

Outcome ProjectDocument::SaveProject(const std::string& fname, WorkRunner& runner) {
  const LentWorkspace lent(ws_);
  Outcome outcome;
  runner.Run("Saving the project...",
             [&](Progress& progress) { outcome = SaveProjectfile(lent.Get(), fname, &progress); });
  if (!outcome.done()) return outcome;
  projectFile_ = fname;
  changes_.Saved(ws_, false);
  return outcome;
}

Outcome ProjectDocument::OpenPicture(size_t side, const std::string& fname, WorkRunner& runner) {
  dib loaded{};
  Outcome outcome;
  runner.Run("Opening the picture...", [&](Progress& progress) {
    outcome = ReadPictureFile(fname, loaded, &progress);
    // Told once more at its end, so that a stop asked for meanwhile still counts.
    if (outcome.done() && !progress.Report(1)) outcome = Outcome::Stopped();
  });
  if (!outcome.done()) {
    if (loaded.poi != nullptr) ReleaseDib(&loaded);
    return outcome;
  }
  ReplacePicture(&ws_.Side(side).picture, loaded);
  if (side == 1) ws_.flatPage.reset();
  found_[side].reset();
  pictureFile_[side] = fname;
  changes_.PictureReplaced(side);
  return outcome;
}

Outcome ProjectDocument::SaveResult(WarpDirection direction, const std::string& fname, WorkRunner& runner) const {
  const dib& picture = ws_.Result(direction);
  Outcome outcome;
  runner.Run("Saving the picture...",
             [&](Progress& progress) { outcome = WritePictureFile(picture, fname, &progress); });
  return outcome;
}

RenderOutcome ProjectDocument::Render(WarpDirection direction, WorkRunner& runner, int threads) {
  // Rendered beside the old result, which stays until the new one is complete.
  const DirectionSnapshot snapshot(ws_, direction, threads);
  // A flat page is finished as the workspace asks, in the same work.
  const bool flatPage = direction == WarpDirection::OneIntoTwo && ws_.flatPage;
  const PageFinish finish = ws_.finish;
  const double enlargement =
      flatPage ? PageEnlargement(ws_.Side(0).outline, ws_.flatPage->size.width, ws_.flatPage->size.height) : 0;
  dib made{};
  RenderOutcome outcome = RenderOutcome::Rendered;
  FinishedPage finished;
  runner.Run("Rendering the result...", [&](Progress& progress) {
    outcome = snapshot.Render(made, progress);
    if (outcome == RenderOutcome::Rendered && flatPage) finished = FinishPage(made, finish, enlargement);
  });
  if (outcome != RenderOutcome::Rendered) return outcome;
  ReplacePicture(&ws_.Result(direction), made);
  if (direction == WarpDirection::OneIntoTwo) pageFinished_ = flatPage ? std::optional(finished) : std::nullopt;
  changes_.Rendered(ws_, direction);
  return outcome;
}

PageSearch ProjectDocument::FindOutline(size_t side, WorkRunner& runner, const FindOptions& options) {
  const dib& picture = ws_.Side(side).picture;
  std::optional<PageOutline> found;
  PageDoubt doubt;
  bool stopped = false;
  // The picture is only read, here as by the window's repaints meanwhile.
  runner.Run("Looking for a page...", [&](Progress& progress) {
    found = FindPageOutline(picture, options);
    if (found) doubt = JudgeOutline(*found, picture);
    stopped = !progress.Report(1);
  });
  if (stopped) return PageSearch::Stopped;
  if (!found) return PageSearch::NoPage;
  PlaceFoundOutline(ws_.Side(side), *found);
  const OutlineState placed = CaptureState(ws_);
  found_[side] = Found{doubt, side == 0 ? placed.points1 : placed.points2};
  return PageSearch::Placed;
}

std::vector<std::string> ProjectDocument::Notes() const {
  // A doubtful page first: its corners are to be checked before anything is rendered from them.
  std::vector<std::string> notes;
  for (size_t side = 0; side < 2; ++side)
    if (const std::optional<PageDoubt> doubt = FoundDoubt(side); doubt && doubt->Doubtful())
      notes.push_back(TranslateFormat("Picture %1: the page found is doubtful (%2); check its corners",
                                      {std::to_string(side + 1), TranslateUtf8(DoubtWords(doubt->reason))}));
  for (const WarpDirection d : kBothDirections)
    if (Stale(d) && !(ws_.flatPage && d == WarpDirection::TwoIntoOne))
      notes.push_back(TranslateFormat("Result %1 is out of date: press Render", {std::to_string(ResultNumber(d))}));
  // What finishing the flat page came to: a step it could not take, a turn it chose.
  if (pageFinished_ && ws_.flatPage) {
    if (!pageFinished_->failure.empty())
      notes.push_back(TranslateFormat("The flat page is not finished: %1", {TranslateUtf8(pageFinished_->failure)}));
    else if (ws_.finish.turn == kTurnUpright && pageFinished_->turns != 0)
      notes.push_back(TranslateFormat("The flat page is turned %1\u00b0 clockwise so that its text reads upright",
                                      {std::to_string(90 * pageFinished_->turns)}));
  }
  return notes;
}

std::optional<PageDoubt> ProjectDocument::FoundDoubt(size_t side) const {
  if (!found_[side]) return std::nullopt;
  // Asked at every paint: the outline is compared where it lies, not copied.
  const TDynaArray& outline = ws_.Side(side).outline;
  const std::vector<TOutlinePoint>& found = found_[side]->outline;
  if (outline.count != found.size()) return std::nullopt;
  for (uint32_t i = 0; i < outline.count; ++i) {
    const TOutlinePoint &a = PointAt(outline, i), &b = found[i];
    if (a.x != b.x || a.y != b.y || a.iscorner != b.iscorner) return std::nullopt;
  }
  return found_[side]->doubt;
}

void ProjectDocument::ProposeWholePicture(size_t side) {
  const SideRef s = ws_.Side(side);
  PlaceOutline(s, InsetPresses(DibWidth(&s.picture), DibHeight(&s.picture), kProposedInset));
}

bool ProjectDocument::MakeFlatPage(const FlatPage& page, dib* replaced) {
  // Picture 2 leaves the workspace before the page takes its place, so that
  // it can be handed on.
  dib& field = ws_.Side(1).picture;
  const dib before = field;
  field = dib{};
  if (!PrepareFlatten(ws_, page)) {
    field = before;
    return false;
  }
  if (replaced != nullptr) {
    *replaced = before;
  } else {
    dib released = before;
    ReleaseDib(&released);
  }
  changes_.PictureReplaced(1);
  return true;
}

std::string ProjectDocument::Title(const std::string& programTitle) const {
  const auto nameOf = [](const std::string& file) { return std::filesystem::path(file).filename().string(); };
  std::string name = nameOf(projectFile_);
  for (size_t side = 0; side < 2 && projectFile_.empty(); ++side) {
    const std::string picture = side == 1 && ws_.flatPage ? TranslateUtf8("blank page") : nameOf(pictureFile_[side]);
    if (!picture.empty()) name += (name.empty() ? "" : ", ") + picture;
  }
  const std::string title = name.empty() ? programTitle : name + " \u2013 " + programTitle;
  return Modified() ? "*" + title : title;
}

bool ProjectDocument::FlatPageResult(WarpDirection direction) const {
  return ws_.flatPage && direction == WarpDirection::OneIntoTwo;
}

const std::string& ProjectDocument::ResultNamesake(WarpDirection direction) const {
  if (FlatPageResult(direction) && !pictureFile_[0].empty()) return pictureFile_[0];
  return projectFile_.empty() ? pictureFile_[DestinationSide(direction)] : projectFile_;
}

std::string ProjectDocument::ResultName(WarpDirection direction) const {
  const std::string& named = ResultNamesake(direction);
  const std::string stem = named.empty() ? "result" : std::filesystem::path(named).stem().string();
  if (FlatPageResult(direction)) return stem + "-flat." + std::string(kFlatPageExtension);
  return stem + "-result" + std::to_string(ResultNumber(direction)) + "." + std::string(kDefaultExtension);
}

}  // namespace trellimap
