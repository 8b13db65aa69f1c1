#pragma once
// Message boxes and file dialogs of the desktop program, on Qt.

#include <QString>
#include <QStringList>

#include "foundation/filedialogs.h"
#include "foundation/messagebox.h"

namespace trellimap {

class QtMessageBoxes final : public MessageBoxes {
 public:
  MsgAnswer Show(const std::string& text, const std::string& caption, MsgIcon icon, MsgButtons buttons) override;
};

class QtFileDialogs final : public FileDialogs {
 public:
  bool Run(const FileDialogRequest& request, std::string* fileName) override;
  bool RunSeveral(const FileDialogRequest& request, std::vector<std::string>* fileNames) override;
};

// "desc|*.A;*.B|desc2|*.C" as Qt name filters "desc (*.[aA] *.[bB]);;desc2 (...)".
// Patterns become case-insensitive, since file names on Linux keep their case.
QString ToQtNameFilters(const QString& filter);

// The buttons' texts, each that has no Alt key ("&" before a letter) given
// one: its first letter no other button's key uses, so that Alt with a
// letter presses it in any language.
QStringList WithAltKeys(const QStringList& texts);

}  // namespace trellimap
