#include "ui/filecommands.h"

#include <QFileInfo>

#include "codecs/picturefilter.h"
#include "codecs/picturewriter.h"
#include "foundation/ioerror.h"
#include "foundation/messagebox.h"
#include "i18n/translateunit.h"
#include "ui/guarded.h"
#include "ui/mainframe.h"
#include "ui/outcomemessages.h"
#include "workspace/commandline.h"

namespace trellimap {

void FileCommands::OpenProject() {
  if (MayLeaveWork() && frame_.OpenDialog2->Execute()) OpenProjectfile(frame_.OpenDialog2->FileName.toStdString());
}

void FileCommands::SaveProject() {
  const std::string project = host_.Document().ProjectFile();
  if (project.empty())
    SaveProjectAs();
  else
    SaveProjectfile(project);
}

void FileCommands::SaveProjectAs() {
  if (frame_.SaveDialog1->Execute()) SaveProjectfile(frame_.SaveDialog1->FileName.toStdString());
}

void FileCommands::OpenPicture(size_t pane) {
  frame_.OfferedPictureFilter();  // the dialog offers its filter in the language in force
  if (frame_.OpenDialog1->Execute()) LoadPicture(pane, frame_.OpenDialog1->FileName.toStdString());
}

void FileCommands::SaveResult(WarpDirection direction) {
  const ProjectDocument& doc = host_.Document();
  const std::string which = std::to_string(ResultNumber(direction));
  std::string doubt;
  if (doc.NeverRendered(direction))
    doubt = TranslateFormat("Result %1 has not been rendered yet. Save it anyway?", {which});
  else if (doc.Stale(direction))
    doubt =
        TranslateFormat("Result %1 is out of date: it was rendered before the last change. Save it anyway?", {which});
  if (!doubt.empty()) {
    MsgAnswer answer = MsgAnswer::No;
    Guarded([&] { answer = ShowMessage(doubt, kApplicationTitle, MsgIcon::Question, MsgButtons::YesNo); });
    if (answer != MsgAnswer::Yes) return;
  }
  TFileDialog* dialog = frame_.SaveDialog2;
  dialog->ProposedName = QString::fromStdString(doc.ResultName(direction));
  // A flat page goes beside its photo; other results where the last was saved.
  if (dialog->InitialDir.isEmpty() || doc.FlatPageResult(direction)) {
    const std::string& near = doc.ResultNamesake(direction);
    if (!near.empty()) dialog->InitialDir = QFileInfo(QString::fromStdString(near)).absolutePath();
  }
  // Built as the dialog opens, so that its texts are in the language in force.
  dialog->Filter = QString::fromStdString(BuildSavePictureFilter(GetLangStringUtf8(6)));
  if (!dialog->Execute()) return;
  const std::string fname = WithDefaultExtension(dialog->FileName.toStdString());
  const Outcome outcome = doc.SaveResult(direction, fname, host_.Runner());
  Guarded([&] { ShowPictureSaveFailure(fname, outcome); });
}

bool FileCommands::Dropped(const std::vector<std::string>& files, int pane) {
  const DropPlan plan = PlanDrop(files, pane);
  if (plan.kind == DropPlan::Kind::Refuse) return false;
  if (plan.kind == DropPlan::Kind::Project) {
    if (MayLeaveWork()) OpenProjectfile(plan.files[0].second);
    return true;
  }
  for (const auto& [target, file] : plan.files) LoadPicture(static_cast<size_t>(target), file);
  return true;
}

void FileCommands::OpenProjectfile(const std::string& fname) {
  Outcome outcome = Outcome::Stopped();
  Guarded([&] {
    outcome = host_.Document().OpenProject(fname, host_.Runner());
    ShowProjectOpenFailure(fname, outcome);
  });
  if (!outcome.done()) return;
  RememberProjectFolder();
  host_.Editing().ForgetHistory();
  // A project that kept its panes' zooms is shown as it was looked at.
  host_.ZoomPanes(host_.Document().workspace().paneZooms);
  host_.ShowWorkspace();
  host_.Editing().UpdateStatus();
  host_.ShowChanges();
}

void FileCommands::SaveProjectfile(const std::string& fname) {
  host_.Document().workspace().paneZooms = host_.PaneZooms();
  Guarded([&] {
    const Outcome outcome = host_.Document().SaveProject(fname, host_.Runner());
    ShowProjectSaveFailure(fname, outcome);
    if (outcome.done()) RememberProjectFolder();
  });
  host_.ShowChanges();
}

void FileCommands::LoadPicture(size_t pane, const std::string& fname) {
  const Outcome outcome = host_.Document().OpenPicture(pane, fname, host_.Runner());
  Guarded([&] { ShowPictureOpenFailure(fname, outcome); });
  if (!outcome.done()) return;
  host_.ShowWhole(pane);
  host_.RepaintPane(pane);
  host_.ShowChanges();
}

bool FileCommands::MayLeaveWork() {
  if (!host_.Document().Modified()) return true;
  MsgAnswer answer = MsgAnswer::Cancel;
  Guarded([&] {
    answer = ShowMessage(TranslateUtf8("The outlines, options or pictures have changes that are not saved. Save them?"),
                         kApplicationTitle, MsgIcon::Question, MsgButtons::SaveDiscardCancel);
  });
  if (answer == MsgAnswer::Discard) return true;
  if (answer != MsgAnswer::Save) return false;
  SaveProject();
  return !host_.Document().Modified();
}

void FileCommands::RememberProjectFolder() const {
  const QString folder = QFileInfo(QString::fromStdString(host_.Document().ProjectFile())).absolutePath();
  frame_.OpenDialog2->InitialDir = frame_.SaveDialog1->InitialDir = folder;
}

}  // namespace trellimap
