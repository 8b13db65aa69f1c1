#include "codecs/pictureopening.h"

#include "codecs/picturedecoder.h"
#include "foundation/messagebox.h"
#include "i18n/plainreasons.h"
#include "i18n/translateunit.h"
#include "image/depthpromotion.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// One message for a failed read; a read that was stopped is no failure to report.
void ShowFailure(const std::string& fname, const Outcome& outcome) {
  if (outcome.failed()) ShowMessage(PictureReadFailure(fname, outcome.problem), {}, MsgIcon::Error, MsgButtons::Ok);
}

}  // namespace

std::string PictureReadFailure(const std::string& fname, FileProblem problem) {
  return TranslateFormat("Could not read the picture \"%1\": %2.", {fname, PlainReason(problem)});
}

void OpenDib(dib* d, const char* fname, int32_t /*flags*/, void* /*window*/) {
  const std::string path = fname ? fname : "";
  ShowFailure(path, ReadPicture(path, *d));
}

Outcome ReadPictureFile(const std::string& fname, dib& loaded, Progress* progress, Reduction* reduction) {
  Outcome outcome = ReadPicture(fname, loaded, progress, reduction);
  if (outcome.done() && DibBitCount(&loaded) != 24) DepthUpTo(24, &loaded);
  return outcome;
}

bool TryToOpenFile(dib* field, const std::string& fname) {
  dib loaded;
  const Outcome outcome = ReadPictureFile(fname, loaded);
  ShowFailure(fname, outcome);
  if (!outcome.done()) return false;
  ReplacePicture(field, loaded);
  return true;
}

}  // namespace trellimap
