#pragma once
// The document the window and the command line both work on: the workspace,
// the files it came from, and what changed since it was opened or saved and
// since each result was rendered. Each operation says what became of it;
// the long ones run through a WorkRunner, reading and writing apart from the
// workspace, which takes what they made only when they ended well.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "detect/doubt.h"
#include "foundation/outcome.h"
#include "foundation/workrunner.h"
#include "render/flatten.h"
#include "render/snapshots.h"
#include "scan/pagefinish.h"
#include "workspace/changetracker.h"
#include "workspace/workspace.h"

namespace trellimap {

// What looking for a page in a picture came to.
enum class PageSearch { Placed, NoPage, Stopped };

class ProjectDocument {
 public:
  // A new workspace, nothing unsaved.
  ProjectDocument();

  Workspace& workspace() { return ws_; }
  const Workspace& workspace() const { return ws_; }

  // Files. A failed or stopped operation changes neither the workspace nor
  // the names of the files it came from.

  // Opens the project `fname`: read whole, then it replaces the workspace;
  // both results count as rendered from it, with the Smooth and Perspective
  // it holds.
  Outcome OpenProject(const std::string& fname, WorkRunner& runner);
  // Saves the workspace as the project `fname`, which it is named after from then on.
  Outcome SaveProject(const std::string& fname, WorkRunner& runner);
  // Opens the picture `fname` as picture `side` (0 or 1), promoted to 24 bits;
  // picture 2 opened so is no flat page any more.
  Outcome OpenPicture(size_t side, const std::string& fname, WorkRunner& runner);
  // Writes `direction`'s result to `fname`, in the format its extension selects.
  Outcome SaveResult(WarpDirection direction, const std::string& fname, WorkRunner& runner) const;

  // Rendering and pages.

  // Renders `direction` as the workspace's options choose, on `threads`
  // threads (0: as many as the work is worth); the result replaces the old
  // one only when rendered.
  // Result 1 of a flat page is finished as the workspace's finish asks.
  RenderOutcome Render(WarpDirection direction, WorkRunner& runner, int threads = 0);
  // What finishing the flat page came to when result 1 was last rendered;
  // nothing when result 1 was no flat page.
  const std::optional<FinishedPage>& PageFinished() const { return pageFinished_; }
  // Makes the page found in picture `side` its outline, as clicking its
  // points would, and judges how far it can be trusted.
  PageSearch FindOutline(size_t side, WorkRunner& runner, const FindOptions& options = {});
  // What the status bar notes of the document: results out of date (not
  // result 2 while picture 2 is a flat page's blank), pages found in doubt,
  // a flat page that could not be finished or was turned to read upright.
  std::vector<std::string> Notes() const;
  // How far the outline of picture `side` can be trusted, while it is the
  // one FindOutline placed there; nothing once it has changed or was never found.
  std::optional<PageDoubt> FoundDoubt(size_t side) const;
  // Makes picture `side`'s outline its whole picture, a little in from the
  // edges, for the user to adjust where no page was found.
  void ProposeWholePicture(size_t side);
  // Makes picture 2 a blank page of `page.size` with outline 2 on its corners
  // and Perspective and Smooth on (outline 1 must be complete), and records
  // `page` as the workspace's flat page. Picture 2 as it was goes to
  // `*replaced` (the caller owns it then), or is released when that is null.
  // False, changing nothing, when there is no memory for the page.
  bool MakeFlatPage(const FlatPage& page, dib* replaced = nullptr);

  // Changes.

  // Picture `side` was replaced by another (an undo brought one back).
  void PictureReplaced(size_t side) { changes_.PictureReplaced(side); }
  // Picture `side` was put in place from `fname` without OpenPicture (the
  // pictures the program is started with): it is named after that file.
  void NamePicture(size_t side, const std::string& fname) { pictureFile_[side] = fname; }
  // The workspace as it stands is where the work starts from: nothing unsaved.
  void StartFromHere() { changes_.Saved(ws_, false); }
  // Whether outlines, options or pictures differ from what the project's file holds.
  bool Modified() const { return changes_.Modified(ws_); }
  // Whether `direction`'s result was rendered from something else than the workspace as it stands.
  bool Stale(WarpDirection direction) const { return changes_.Stale(ws_, direction); }
  // Whether `direction`'s result was never rendered (or opened with a project).
  bool NeverRendered(WarpDirection direction) const { return changes_.NeverRendered(direction); }

  // Names.

  // The project opened or saved last; empty for none.
  const std::string& ProjectFile() const { return projectFile_; }
  // The file picture `side` was opened from since, if any.
  const std::string& PictureFile(size_t side) const { return pictureFile_[side]; }
  // `programTitle` after the project's file name, or without a project the
  // names of the pictures opened (a flat page's blank named as such), with
  // "*" before while something is unsaved: "*work.gip – Vandoriq Trellimap
  // 1.0", "photo.jpg, wall.png – ...".
  std::string Title(const std::string& programTitle) const;
  // Whether `direction`'s result is the page Flatten makes.
  bool FlatPageResult(WarpDirection direction) const;
  // The file `direction`'s result is named after: a flat page's photo, else
  // the project, else the picture it is drawn on; empty for none.
  const std::string& ResultNamesake(WarpDirection direction) const;
  // The name proposed for `direction`'s result: "work-result1.bmp" after
  // its namesake, "result-result1.bmp" without one; a flat page
  // "photo-flat.png".
  std::string ResultName(WarpDirection direction) const;

 private:
  Workspace ws_;
  ChangeTracker changes_;
  std::string projectFile_;
  std::string pictureFile_[2];
  // The doubt of each side's found outline, with the outline it is of.
  struct Found {
    PageDoubt doubt;
    std::vector<TOutlinePoint> outline;
  };
  std::optional<Found> found_[2];
  std::optional<FinishedPage> pageFinished_;
};

}  // namespace trellimap
