#include "document/scanbatch.h"

#include <algorithm>
#include <utility>

#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "detect/pageoutline.h"
#include "document/outputfiles.h"
#include "image/pixmill3.h"
#include "render/foundoutline.h"

namespace trellimap {
namespace {

RunInPlace inPlace;

// `page` shrunk to `longest` pixels on its longer side (or as it is, where
// it is no larger), each pixel the mean of those it covers; 24 bits.
dib Shrunk(const dib& page, int32_t longest) {
  const int32_t w = DibWidth(&page), h = DibHeight(&page);
  const double scale = std::min(1.0, static_cast<double>(longest) / std::max(w, h));
  const int32_t sw = std::max(1, static_cast<int32_t>(w * scale)), sh = std::max(1, static_cast<int32_t>(h * scale));
  dib small{};
  newdib(&small, sw, sh, 24, nullptr, 0);
  if (small.poi == nullptr) return small;
  for (int32_t y = 0; y < sh; ++y)
    for (int32_t x = 0; x < sw; ++x) {
      const int32_t x0 = x * w / sw, x1 = std::max(x0 + 1, (x + 1) * w / sw);
      const int32_t y0 = y * h / sh, y1 = std::max(y0 + 1, (y + 1) * h / sh);
      uint64_t sum[3] = {0, 0, 0};
      for (int32_t v = y0; v < y1; ++v)
        for (int32_t u = x0; u < x1; ++u) {
          const uint32_t c = DibPixelColour(page, u, v);
          for (int k = 0; k < 3; ++k) sum[k] += (c >> (8 * k)) & 0xFF;
        }
      const auto n = static_cast<uint64_t>((x1 - x0) * (y1 - y0));
      setpixel(small, x, y, static_cast<uint32_t>(sum[0] / n | (sum[1] / n) << 8 | (sum[2] / n) << 16));
    }
  return small;
}

std::vector<PointPress> Scaled(const std::vector<PointPress>& presses, double factor) {
  std::vector<PointPress> scaled = presses;
  for (PointPress& p : scaled) {
    p.x = static_cast<int32_t>(p.x * factor);
    p.y = static_cast<int32_t>(p.y * factor);
  }
  return scaled;
}

// The photo read reduced for finding its page, as detection reads it.
Outcome ReadReduced(const std::string& photo, dib& picture, int32_t& factor) {
  Reduction reduction{kFindingSide};
  const Outcome read = ReadPictureFile(photo, picture, nullptr, &reduction);
  factor = reduction.factor;
  return read;
}

}  // namespace

ScanPage::ScanPage(ScanPage&& other) noexcept
    : photo(std::move(other.photo)),
      outline(std::move(other.outline)),
      found(other.found),
      doubt(other.doubt),
      turn(other.turn),
      shownTurns(other.shownTurns),
      thumbnail(std::exchange(other.thumbnail, dib{})) {}

ScanPage& ScanPage::operator=(ScanPage&& other) noexcept {
  if (this != &other) {
    ReleaseDib(&thumbnail);
    photo = std::move(other.photo);
    outline = std::move(other.outline);
    found = other.found;
    doubt = other.doubt;
    turn = other.turn;
    shownTurns = other.shownTurns;
    thumbnail = std::exchange(other.thumbnail, dib{});
  }
  return *this;
}

ScanPage::~ScanPage() { ReleaseDib(&thumbnail); }

void ScanBatch::SetChoices(const FlattenChoices& choices) {
  choices_ = choices;
  for (ScanPage& page : pages_) Refresh(page);
}

FlattenChoices ScanBatch::ChoicesFor(size_t index) const {
  FlattenChoices choices = choices_;
  if (pages_[index].turn) choices.finish.turn = *pages_[index].turn;
  return choices;
}

Outcome ScanBatch::Add(const std::string& photo) {
  dib picture{};
  int32_t factor = 1;
  if (const Outcome read = ReadReduced(photo, picture, factor); !read.done()) return read;
  ScanPage page;
  page.photo = photo;
  std::vector<PointPress> onReduced;
  if (std::optional<PageOutline> found = FindPageOutline(picture, {})) {
    page.found = true;
    page.doubt = JudgeOutline(*found, picture);
    onReduced = FoundPresses(*found);
    found->Enlarge(factor);
    page.outline = FoundPresses(*found);
  } else {
    onReduced = InsetPresses(DibWidth(&picture), DibHeight(&picture), kProposedInset);
    page.outline = Scaled(onReduced, factor);
  }
  pages_.push_back(std::move(page));
  MakeThumbnail(pages_.back(), picture, onReduced, pages_.back().turn);
  unsaved_ = true;
  return Outcome::Done();
}

void ScanBatch::Remove(size_t index) {
  pages_.erase(pages_.begin() + static_cast<ptrdiff_t>(index));
  unsaved_ = true;
}

void ScanBatch::Move(size_t from, size_t to) {
  if (from == to || from >= pages_.size() || to >= pages_.size()) return;
  ScanPage page = std::move(pages_[from]);
  pages_.erase(pages_.begin() + static_cast<ptrdiff_t>(from));
  pages_.insert(pages_.begin() + static_cast<ptrdiff_t>(to), std::move(page));
  unsaved_ = true;
}

void ScanBatch::Turn(size_t index, int quarters) {
  ScanPage& page = pages_[index];
  page.turn = (page.shownTurns + quarters) % 4;
  Refresh(page);
  unsaved_ = true;
}

void ScanBatch::SetOutline(size_t index, const std::vector<PointPress>& outline) {
  ScanPage& page = pages_[index];
  if (outline.size() == page.outline.size() &&
      std::equal(outline.begin(), outline.end(), page.outline.begin(), [](const PointPress& a, const PointPress& b) {
        return a.x == b.x && a.y == b.y && a.button == b.button;
      }))
    return;
  page.outline = outline;
  page.found = true;  // placed by hand: no doubt left to say
  page.doubt.reset();
  Refresh(page);
  unsaved_ = true;
}

void ScanBatch::Refresh(ScanPage& page) const {
  dib picture{};
  int32_t factor = 1;
  if (!ReadReduced(page.photo, picture, factor).done()) return;
  MakeThumbnail(page, picture, Scaled(page.outline, 1.0 / factor), page.turn);
}

void ScanBatch::MakeThumbnail(ScanPage& page, dib& picture, const std::vector<PointPress>& outline,
                              std::optional<int> turn) const {
  ProjectDocument doc;
  Workspace& ws = doc.workspace();
  ReplacePicture(&ws.di1, picture);
  picture = dib{};
  PlaceOutline(ws.Side(0), outline);
  ReleaseDib(&page.thumbnail);
  if (ws.ecken1 != 4) return;
  FlattenChoices choices = choices_;
  if (turn) choices.finish.turn = *turn;
  if (!FlattenPicture1(doc, choices, inPlace).done()) return;
  page.shownTurns = doc.PageFinished() ? doc.PageFinished()->turns : 0;
  page.thumbnail = Shrunk(ws.Result(WarpDirection::OneIntoTwo), kScanThumbnailSide);
}

Outcome ScanBatch::Export(const std::string& target, const PdfChoices& pdf, const std::string& format,
                          Progress& progress) {
  const bool intoPdf = NamesAPdf(target);
  std::vector<std::string> photos;
  for (const ScanPage& page : pages_) photos.push_back(page.photo);
  const std::vector<std::string> names = intoPdf ? std::vector<std::string>{} : NamesInFolder(photos, target, format);
  if (!intoPdf && !MakeFolder(target))
    return Outcome::Failed(FileProblem::None, target + ": the folder could not be made");
  std::vector<PdfPage> made;
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (!progress.Report(static_cast<double>(i) / static_cast<double>(pages_.size()))) return Outcome::Stopped();
    const ScanPage& page = pages_[i];
    const auto failed = [&page](const std::string& why) {
      return Outcome::Failed(FileProblem::None, page.photo + ": " + why);
    };
    ProjectDocument doc;
    if (const Outcome read = doc.OpenPicture(0, page.photo, inPlace); !read.done()) return failed(read.detail);
    PlaceOutline(doc.workspace().Side(0), page.outline);
    if (doc.workspace().ecken1 != 4) return failed("the page's outline needs four corners");
    const FlattenChoices choices = ChoicesFor(i);
    if (const Outcome flat = FlattenPicture1(doc, choices, inPlace); !flat.done()) return failed(flat.detail);
    const dib& flatPage = doc.workspace().Result(WarpDirection::OneIntoTwo);
    if (intoPdf) {
      std::optional<PdfPage> coded = PdfPageOf(flatPage, choices.size, pdf);
      if (!coded) return failed("the flat page could not be coded for the PDF");
      made.push_back(std::move(*coded));
    } else if (const Outcome written = WritePictureFile(flatPage, names[i]); !written.done()) {
      return Outcome::Failed(written.problem, names[i] + ": " + written.detail);
    }
  }
  if (!progress.Report(1)) return Outcome::Stopped();
  if (intoPdf) {
    if (Outcome written = WritePdf(made, PdfInfoFor(target), target); !written.done()) return written;
  }
  unsaved_ = false;
  return Outcome::Done();
}

}  // namespace trellimap
