#pragma once
// A file dialog as a component of its window: it keeps its name, filter and
// default extension (which the translation of the window reads and replaces)
// and asks the installed dialog implementation when executed.

#include <QObject>
#include <QString>

namespace trellimap {

class TFileDialog : public QObject {
  Q_OBJECT
 public:
  enum class Kind { Open, Save };
  TFileDialog(const QString& name, Kind kind, QObject* owner);

  QString Filter;      // "description|patterns|..."
  QString DefaultExt;  // with its dot, or empty
  QString FileName;    // the chosen file after a confirmed Execute
  bool ConfirmOverwrite = false;
  QString InitialDir;    // where the dialog starts: the folder of the file chosen last, unless set
  QString ProposedName;  // a file name offered in it, or empty

  // Shows the dialog; true when the user chose a file.
  bool Execute();

 private:
  Kind kind_;
};

}  // namespace trellimap
