#include "ui/outcomemessages.h"

#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "foundation/ioerror.h"
#include "foundation/messagebox.h"
#include "i18n/plainreasons.h"
#include "i18n/translateunit.h"
#include "ui/guarded.h"

namespace trellimap {
namespace {

void ShowError(const std::string& text, const std::string& caption) {
  ShowMessage(text, caption, MsgIcon::Error, MsgButtons::Ok);
}

}  // namespace

void ShowProjectOpenFailure(const std::string& fname, const Outcome& outcome) {
  if (!outcome.failed()) return;
  switch (outcome.problem) {
    case FileProblem::CannotOpen:
      return ShowError(GetLangStringUtf8(8), {});
    case FileProblem::NotThisFormat:
      return ShowError(TranslateFormat("The file \"%1\" is not a project file.", {fname}), kApplicationTitle);
    case FileProblem::CutShort:
      return ShowError(
          TranslateFormat("The project file \"%1\" is cut short: it ends before all its pictures.", {fname}),
          kApplicationTitle);
    case FileProblem::Damaged:  // the detail names the file and the picture
      return ShowError(outcome.detail, kApplicationTitle);
    default:
      return ShowError(TranslateFormat("The project file \"%1\" could not be read: %2.", {fname, outcome.detail}),
                       kApplicationTitle);
  }
}

void ShowProjectSaveFailure(const std::string& fname, const Outcome& outcome) {
  if (!outcome.failed()) return;
  if (outcome.problem == FileProblem::CannotOpen) return ShowError(GetLangStringUtf8(7), {});
  // The previous file stays; the message says why in the user's words.
  ShowError(TranslateFormat("Could not save the project \"%1\": %2.", {fname, PlainReason(outcome.problem)}),
            kApplicationTitle);
}

void ShowPictureOpenFailure(const std::string& fname, const Outcome& outcome) {
  if (outcome.failed()) ShowError(PictureReadFailure(fname, outcome.problem), {});
}

void ShowPictureSaveFailure(const std::string& fname, const Outcome& outcome) {
  if (outcome.failed()) ShowError(PictureSaveFailure(fname, outcome), {});
}

void Tell(const std::string& text, MsgIcon icon) {
  Guarded([&] { ShowMessage(text, kApplicationTitle, icon, MsgButtons::Ok); });
}

}  // namespace trellimap
