#include "ui/pagecommands.h"

#include <QDialog>
#include <optional>
#include <utility>

#include "i18n/translateunit.h"
#include "image/pixmill3.h"
#include "render/flatten.h"
#include "ui/flattendialog.h"
#include "ui/outcomemessages.h"

namespace trellimap {

void PageCommands::FindOutline() {
  ProjectDocument& doc = host_.Document();
  const size_t pane = host_.CommandPane();
  if (host_.PictureMissing(pane))
    return Tell(TranslateUtf8("There is no picture here to look for a page in."), MsgIcon::Information);
  const OutlineState before = CaptureState(doc.workspace());
  const PageSearch found = doc.FindOutline(pane, host_.Runner());
  if (found == PageSearch::Stopped) return;
  if (found == PageSearch::NoPage) doc.ProposeWholePicture(pane);
  host_.Editing().OutlineReplaced(pane, before);
  host_.RenderBothIfAutomatic();
  if (found == PageSearch::Placed) return;
  host_.Editing().SelectPoint(pane, 0);
  host_.Editing().UpdateStatus(
      TranslateUtf8("No page found: the whole picture is proposed as the outline; adjust its corners."));
}

void PageCommands::FlattenPage() {
  ProjectDocument& doc = host_.Document();
  if (doc.workspace().Side(0).corners != 4)
    return Tell(TranslateUtf8("Place the page's outline on picture 1 first."), MsgIcon::Information);
  TFlattenDialog dialog(host_.DialogParent());
  if (dialog.exec() != QDialog::Accepted) return;
  const ConstSideRef photo = std::as_const(doc.workspace()).Side(0);
  const PageSize chosen = dialog.Chosen();
  const FlatSize flat = FlatPageSize(chosen, photo.outline, DibWidth(&photo.picture), DibHeight(&photo.picture));
  const OutlineState before = CaptureState(doc.workspace());
  const bool smoothBefore = doc.workspace().smooth;
  const std::optional<FlatPage> flatPageBefore = doc.workspace().flatPage;
  dib replaced{};
  if (!doc.MakeFlatPage({chosen, flat}, &replaced))
    return Tell(TranslateFormat("There is not enough memory for a page of %1 \u00d7 %2 pixels.",
                                {std::to_string(flat.width), std::to_string(flat.height)}),
                MsgIcon::Error);
  // The step owns the picture that was replaced, so that undo brings it back.
  host_.Editing().PictureReplaced(1, before, replaced, smoothBefore, flatPageBefore);
  host_.RenderResult(WarpDirection::OneIntoTwo);
}

}  // namespace trellimap
