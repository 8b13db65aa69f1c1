#include "ui/pagecommands.h"

#include <QDialog>
#include <QSettings>
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
  const ConstSideRef photo = std::as_const(doc.workspace()).Side(0);
  const auto sizeOf = [&photo](const PageSize& size) {
    return FlatPageSize(size, photo.outline, DibWidth(&photo.picture), DibHeight(&photo.picture));
  };
  const QSettings recalled(QString::fromStdString(host_.WindowSettingsFile(false)), QSettings::IniFormat);
  TFlattenDialog dialog(host_.DialogParent(), sizeOf, RecalledFlattenChoice(recalled), RecalledFinish(recalled));
  if (dialog.exec() != QDialog::Accepted) return;
  const PageSize chosen = dialog.Chosen();
  QSettings remembered(QString::fromStdString(host_.WindowSettingsFile(true)), QSettings::IniFormat);
  RememberFlattenChoice(remembered, chosen);
  RememberFinish(remembered, dialog.Finish());
  const FlatSize flat = sizeOf(chosen);
  const OutlineState before = CaptureState(doc.workspace());
  doc.workspace().finish = dialog.Finish();
  const bool smoothBefore = doc.workspace().smooth;
  const std::optional<FlatPage> flatPageBefore = doc.workspace().flatPage;
  dib replaced{};
  const std::string width = std::to_string(flat.width), height = std::to_string(flat.height);
  if (!doc.MakeFlatPage({chosen, flat}, &replaced)) {
    doc.workspace().finish = before.finish;
    return Tell(TranslateFormat("There is not enough memory for a page of %1 \u00d7 %2 pixels.", {width, height}),
                MsgIcon::Error);
  }
  // The step owns the picture that was replaced, so that undo brings it back.
  host_.Editing().PictureReplaced(1, before, replaced, smoothBefore, flatPageBefore);
  host_.ShowWhole(1);  // the blank page, as a picture opened is shown
  if (!host_.RenderResult(WarpDirection::OneIntoTwo)) return;
  host_.ShowWhole(ResultPane(WarpDirection::OneIntoTwo));
  host_.Editing().UpdateStatus(TranslateFormat(
      "The flat page, %1 \u00d7 %2 pixels, is result 1; picture 2 is the blank page it is drawn on.", {width, height}));
}

void PageCommands::ChangeFinish(const std::function<void(PageFinish&)>& change) {
  ProjectDocument& doc = host_.Document();
  if (!doc.workspace().flatPage)
    return Tell(TranslateUtf8("Result 1 is no flat page: flatten a page first."), MsgIcon::Information);
  const OutlineState before = CaptureState(doc.workspace());
  change(doc.workspace().finish);
  host_.Editing().OptionChanged(before);
  if (host_.RenderResult(WarpDirection::OneIntoTwo)) host_.ShowWhole(ResultPane(WarpDirection::OneIntoTwo));
}

void PageCommands::TurnPage(int quarters) {
  const std::optional<FinishedPage>& shown = host_.Document().PageFinished();
  const int turned = shown ? shown->turns : 0;
  ChangeFinish([&](PageFinish& finish) { finish.turn = (turned + quarters) % 4; });
}

void PageCommands::GiveLook(Look look) {
  ChangeFinish([look](PageFinish& finish) { finish.look = look; });
}

}  // namespace trellimap
