#include "ui/filedialog.h"

#include <QFileInfo>

#include "foundation/filedialogs.h"

namespace trellimap {

TFileDialog::TFileDialog(const QString& name, Kind kind, QObject* owner) : QObject(owner), kind_(kind) {
  setObjectName(name);
}

bool TFileDialog::Execute() {
  FileDialogRequest request;
  request.save = kind_ == Kind::Save;
  request.filter = Filter.toStdString();
  request.defaultExt = DefaultExt.toStdString();
  request.confirmOverwrite = ConfirmOverwrite;
  request.folder = InitialDir.toStdString();
  request.proposedName = ProposedName.toStdString();
  std::string chosen;
  if (!Dialogs().Run(request, &chosen)) return false;
  FileName = QString::fromStdString(chosen);
  InitialDir = QFileInfo(FileName).absolutePath();
  return true;
}

}  // namespace trellimap
