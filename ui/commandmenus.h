#pragma once
// The menus beside "Language": File, Edit and Help, each command with its
// key, so that everything the window does can be reached from the keyboard
// (Alt with a menu's letter, or F10 for the first menu). They carry no
// component names: their texts are looked up once the window's own are
// translated, so the table's first rows stay those of the window itself.

#include <QKeySequence>
#include <QObject>
#include <functional>
#include <vector>

#include "ui/windowcommands.h"

class QAction;
class QDialog;
class QMainWindow;
class QMenu;

namespace trellimap {

class CommandMenus : public QObject {
  Q_OBJECT
 public:
  // The menus go on `window`'s menu bar around its menu `language`.
  CommandMenus(QMainWindow& window, QMenu* language, WindowCommands& commands);

  // Every text in the language in force, menus with their letter (Alt+letter).
  void Translate();
  // The short window listing the gestures and keys (F1).
  void ShowKeys();

  QMenu* File = nullptr;
  QMenu* Edit = nullptr;
  QMenu* Help = nullptr;

 private:
  struct Text {
    QObject* item;  // a QMenu or a QAction
    const char* english;
  };
  QAction* Add(QMenu* menu, const char* text, const QList<QKeySequence>& keys, std::function<void()> command);
  QMenu* AddMenu(QAction* before, const char* title);
  QMenu* AddSubmenu(QMenu* menu, const char* title);

  QMainWindow& window_;
  std::vector<Text> texts_;
  QDialog* keys_ = nullptr;
};

}  // namespace trellimap
