#pragma once
// Photographed pages gathered into one document: each photo's page found on
// arrival (or the whole photo proposed where none is), a small picture of
// its flat page to show in a list, the pages put in order, turned or left
// out, then made into one PDF or into pictures in a folder.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "detect/doubt.h"
#include "document/flatpages.h"
#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "workspace/pointlist.h"

namespace trellimap {

// The longer side of a page's small picture, in pixels.
inline constexpr int32_t kScanThumbnailSide = 240;

struct ScanPage {
  std::string photo;                // the photo's file
  std::vector<PointPress> outline;  // the page's outline on the photo, in its pixels as it shows upright
  bool found = false;               // found in the photo; else the whole photo is proposed
  std::optional<PageDoubt> doubt;   // of a page found
  std::optional<int> turn;          // quarter turns clockwise given by hand; none: as the choices say
  int shownTurns = 0;               // the turns its small picture shows
  dib thumbnail{};                  // its flat page, small (24 bits); owned

  ScanPage() = default;
  ScanPage(ScanPage&& other) noexcept;
  ScanPage& operator=(ScanPage&& other) noexcept;
  ScanPage(const ScanPage&) = delete;
  ScanPage& operator=(const ScanPage&) = delete;
  ~ScanPage();

  bool Doubtful() const { return !found || (doubt && doubt->Doubtful()); }
};

class ScanBatch {
 public:
  // How the pages are made, for their small pictures and for export.
  void SetChoices(const FlattenChoices& choices);
  const FlattenChoices& Choices() const { return choices_; }

  // Adds the photo `photo` at the end, its page found and its small picture
  // made. Failed, adding nothing, when the photo cannot be read.
  Outcome Add(const std::string& photo);
  void Remove(size_t index);
  // Moves the page at `from` to stand at `to`.
  void Move(size_t from, size_t to);
  // Turns page `index` a quarter turn from how its small picture shows it
  // (1: clockwise, 3: anticlockwise).
  void Turn(size_t index, int quarters);
  // Page `index`'s outline, adjusted by hand.
  void SetOutline(size_t index, const std::vector<PointPress>& outline);

  const std::vector<ScanPage>& Pages() const { return pages_; }
  // The choices a page is made with: the batch's, with its own turn.
  FlattenChoices ChoicesFor(size_t index) const;
  // Whether pages were added or changed since the last export.
  bool Unsaved() const { return unsaved_ && !pages_.empty(); }

  // Makes every page and writes them, in their order, as the PDF `target`
  // (with `pdf`'s choices) or, for a target that is no PDF, into the folder
  // `target` as pictures of `format` ("png") named after their photos.
  // `progress` hears as pages are done and may stop the export. A PDF is
  // written whole or not at all; pictures each whole. Failed with the page's
  // photo and why, where a page could not be made or written.
  Outcome Export(const std::string& target, const PdfChoices& pdf, const std::string& format, Progress& progress);

 private:
  // The page's small picture made again, as its choices now make it.
  void Refresh(ScanPage& page) const;
  // The page's small picture made from `picture`, the photo read reduced
  // (handed over), with the page's `outline` on it, turned by `turn` where given.
  void MakeThumbnail(ScanPage& page, dib& picture, const std::vector<PointPress>& outline,
                     std::optional<int> turn) const;

  std::vector<ScanPage> pages_;
  FlattenChoices choices_;
  bool unsaved_ = false;
};

}  // namespace trellimap
