#include "document/mockups.h"

#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "document/outputfiles.h"
#include "i18n/translateunit.h"
#include "image/depthpromotion.h"
#include "image/pixmill3.h"
#include "render/mockup.h"
#include "render/perspectivewarnings.h"

namespace trellimap {
namespace {

// The shares of one mockup's progress: reading the design, rendering, writing.
constexpr double kRead = 0.1, kRendered = 0.9;

}  // namespace

TemplateProblem CheckMockupTemplate(const Workspace& ws) {
  const ConstSideRef place = ws.Side(1);
  if (place.picture.poi == nullptr) return TemplateProblem::NoPicture;
  return place.corners == 4 ? TemplateProblem::None : TemplateProblem::OutlineIncomplete;
}

MockupTemplate::MockupTemplate(const Workspace& ws) : picture_(&ws.Side(1).picture) {
  // Without memory for the copy the picture is used as it is, as promoting it in place would leave it.
  if (DibBitCount(picture_) != 24 && PromotedCopy(*picture_, promoted_)) picture_ = &promoted_;
  CopyOutline(ws.Side(1).outline, outline_);
}

MockupTemplate::~MockupTemplate() {
  if (promoted_.poi != nullptr) ReleaseDib(&promoted_);
}

std::string MockupTemplate::Warning() const { return PerspectiveWarning(outline_, 2); }

MockupOutcome MockupTemplate::Make(const std::string& design, const std::string& output, int threads,
                                   Progress* progress) const {
  using Kind = MockupOutcome::Kind;
  PartProgress reading(progress, 0, kRead), rendering(progress, kRead, kRendered), writing(progress, kRendered, 1);
  const auto part = [progress](PartProgress& p) { return progress != nullptr ? &p : nullptr; };
  // Each design owns its picture, its copy of the outline and its result; the
  // template picture is only read.
  TDynaArray outline(sizeof(TOutlinePoint));
  if (!CopyOutline(outline_, outline)) return {Kind::NoMemory, {}};
  dib picture{};
  Outcome read;
  {
    const std::lock_guard<std::mutex> lock(reading_);
    read = ReadPictureFile(design, picture, part(reading));
  }
  if (read.stopped()) return {Kind::Stopped, read};
  if (!read.done()) return {Kind::NotRead, read};
  DepthUpTo(24, &picture);
  dib result{};
  const bool rendered = RenderMockup(picture, *picture_, outline, result, threads, part(rendering));
  ReleaseDib(&picture);
  MockupOutcome made;
  if (!rendered) {
    made = {Kind::Stopped, Outcome::Stopped()};
  } else if (result.poi == nullptr) {
    made = {Kind::NoMemory, {}};
  } else if (!NamesAFile(output)) {
    made = {Kind::NotWritten, Outcome::Failed(FileProblem::Folder, "is a folder, not a file")};
  } else {
    made.outcome = WritePictureFile(result, WithDefaultExtension(output), part(writing));
    made.kind = made.outcome.done() ? Kind::Written : made.outcome.stopped() ? Kind::Stopped : Kind::NotWritten;
  }
  ReleaseDib(&result);
  return made;
}

std::vector<MockupOutcome> MakeMockups(const MockupTemplate& from, const std::vector<std::string>& designs,
                                       const std::vector<std::string>& outputs, Progress& progress) {
  std::vector<MockupOutcome> outcomes;
  const double count = static_cast<double>(designs.size());
  for (size_t i = 0; i < designs.size() && progress.Report(static_cast<double>(i) / count); ++i) {
    PartProgress part(&progress, static_cast<double>(i) / count, static_cast<double>(i + 1) / count);
    outcomes.push_back(from.Make(designs[i], outputs[i], 0, &part));
    if (outcomes.back().kind == MockupOutcome::Kind::Stopped) break;
  }
  return outcomes;
}

std::string MockupFailure(const MockupOutcome& made, const std::string& design, const std::string& output) {
  switch (made.kind) {
    case MockupOutcome::Kind::NotRead:
      return PictureReadFailure(design, made.outcome.problem);
    case MockupOutcome::Kind::NoMemory:
      return TranslateFormat("There is not enough memory for the mockup of \"%1\".", {design});
    case MockupOutcome::Kind::NotWritten:
      return PictureSaveFailure(output, made.outcome);
    case MockupOutcome::Kind::Written:
    case MockupOutcome::Kind::Stopped:
      break;
  }
  return {};
}

}  // namespace trellimap
