#include "ui/commandmenus.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <string>

#include "foundation/ioerror.h"
#include "foundation/messagebox.h"
#include "i18n/translateunit.h"
#include "ui/finishfields.h"
#include "ui/guarded.h"
#include "ui/translated.h"
#include "workspace/commandline.h"

namespace trellimap {
namespace {

// What the keys and gestures do, for the list F1 shows: the keys, then what they do.
constexpr const char* kKeys[][2] = {
    {"Left click", "places corners 1 to 4 in order"},
    {"Right or middle click", "adds a point that bends side 1 or side 3"},
    {"Drag a point", "moves it; the results follow"},
    {"Click a point of a finished outline", "selects it for the arrow keys"},
    {"Tab, Shift+Tab", "select the next or the previous point"},
    {"Delete", "removes the selected point if it bends a side"},
    {"Ctrl+Z, Ctrl+Shift+Z or Ctrl+Y", "undoes or redoes a change of the outlines or options"},
    {"Backspace", "takes back the last point"},
    {"Ctrl+D", "finds a page's outline in the picture under the pointer"},
    {"Ctrl+[, Ctrl+]", "turn the flat page left or right"},
    {"Arrow keys (with Shift: 10 pixels)", "move the point last clicked, dragged or brought back"},
    {"Ctrl + wheel", "zooms a pane around the pointer"},
    {"Double-click on a zoom label", "fits the picture to its pane"},
    {"Ctrl+O, Ctrl+S, Ctrl+Shift+S", "open, save, and save the project under a new name"},
    {"Alt with a menu's letter, F10", "open the menus"},
};

}  // namespace

CommandMenus::CommandMenus(QMainWindow& window, QMenu* languageMenu, WindowCommands& commands)
    : QObject(&window), window_(window) {
  QMenuBar* bar = window.menuBar();
  QAction* language = languageMenu->menuAction();
  WindowCommands* c = &commands;
  File = AddMenu(language, "File");
  Add(File, "Open project...", {QKeySequence::Open}, [c] { c->OpenProject(); });
  Add(File, "Save project", {QKeySequence(Qt::CTRL | Qt::Key_S)}, [c] { c->SaveProject(); });
  Add(File, "Save project as...", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, [c] { c->SaveProjectAs(); });
  File->addSeparator();
  Add(File, "Open picture 1...", {}, [c] { c->OpenPicture(0); });
  Add(File, "Open picture 2...", {}, [c] { c->OpenPicture(1); });
  Add(File, "Save result 1...", {}, [c] { c->SaveResult(WarpDirection::OneIntoTwo); });
  Add(File, "Save result 2...", {}, [c] { c->SaveResult(WarpDirection::TwoIntoOne); });
  Add(File, "Mockups...", {}, [c] { c->MakeMockups(); });
  Add(File, "Scan pages...", {}, [c] { c->ScanPages(); });
  File->addSeparator();
  Add(File, "Quit", {QKeySequence(Qt::CTRL | Qt::Key_Q)}, [c] { c->Quit(); });

  Edit = AddMenu(language, "Edit");
  Add(Edit, "Undo", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, [c] { c->Undo(); });
  Add(Edit, "Redo", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
      [c] { c->Redo(); });
  Add(Edit, "Remove last point", {QKeySequence(Qt::Key_Backspace)}, [c] { c->RemoveLastPoint(); });
  Add(Edit, "Remove selected point", {QKeySequence(QKeySequence::Delete)}, [c] { c->RemoveSelectedPoint(); });
  Edit->addSeparator();
  Add(Edit, "Find outline", {QKeySequence(Qt::CTRL | Qt::Key_D)}, [c] { c->FindOutline(); });
  Add(Edit, "Flatten...", {}, [c] { c->FlattenPage(); });
  Add(Edit, "Turn page left", {QKeySequence(Qt::CTRL | Qt::Key_BracketLeft)}, [c] { c->TurnPage(3); });
  Add(Edit, "Turn page right", {QKeySequence(Qt::CTRL | Qt::Key_BracketRight)}, [c] { c->TurnPage(1); });
  QMenu* looks = AddSubmenu(Edit, "Page look");
  for (size_t look = 0; look < std::size(kLookNames); ++look)
    Add(looks, kLookNames[look], {}, [c, look] { c->GiveLook(static_cast<Look>(look)); });

  Help = AddMenu(nullptr, "Help");
  Add(Help, "Keys and gestures", {QKeySequence(Qt::Key_F1)}, [this] { ShowKeys(); });
  Add(Help, "About Trellimap", {}, [] {
    Guarded([] {
      ShowMessage(std::string("Vandoriq Trellimap ") + kVersion + "\n\n" +
                      TranslateUtf8("Warps one picture into the shape of a region of another."),
                  kApplicationTitle, MsgIcon::Information, MsgButtons::Ok);
    });
  });

  // F10 opens the first menu; "Language", whose text carries no letter, opens with Alt+L.
  connect(new QShortcut(QKeySequence(Qt::Key_F10), &window), &QShortcut::activated, this,
          [bar] { bar->setActiveAction(bar->actions().value(0)); });
  connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_L), &window), &QShortcut::activated, this,
          [bar, language] { bar->setActiveAction(language); });
}

QMenu* CommandMenus::AddMenu(QAction* before, const char* title) {
  auto* menu = new QMenu(QString::fromLatin1(title), window_.menuBar());
  if (before != nullptr)
    window_.menuBar()->insertMenu(before, menu);
  else
    window_.menuBar()->addMenu(menu);
  texts_.push_back({menu, title});
  return menu;
}

QMenu* CommandMenus::AddSubmenu(QMenu* menu, const char* title) {
  QMenu* submenu = menu->addMenu(QString::fromLatin1(title));
  texts_.push_back({submenu, title});
  return submenu;
}

QAction* CommandMenus::Add(QMenu* menu, const char* text, const QList<QKeySequence>& keys,
                           std::function<void()> command) {
  QAction* action = menu->addAction(QString::fromLatin1(text));
  action->setShortcuts(keys);
  connect(action, &QAction::triggered, this, std::move(command));
  texts_.push_back({action, text});
  return action;
}

void CommandMenus::Translate() {
  for (const Text& t : texts_) {
    if (auto* menu = qobject_cast<QMenu*>(t.item))  // the menu bar's menus open with Alt and their first letter
      menu->setTitle((window_.menuBar()->actions().contains(menu->menuAction()) ? QStringLiteral("&") : QString()) +
                     Tr(t.english));
    else
      static_cast<QAction*>(t.item)->setText(Tr(t.english));
  }
  // The keys list is made again, in the new language, when next asked for.
  if (keys_ != nullptr) keys_->deleteLater();
  keys_ = nullptr;
}

void CommandMenus::ShowKeys() {
  if (keys_ != nullptr) {
    keys_->show();
    keys_->raise();
    return;
  }
  // Made on first asking, in the language in force; it stays beside the window while wanted.
  keys_ = new QDialog(&window_);
  QDialog& dialog = *keys_;
  dialog.setWindowTitle(Tr("Keys and gestures"));
  auto* layout = new QVBoxLayout(&dialog);
  QString rows;
  for (const auto& [keys, what] : kKeys)
    rows += QStringLiteral("<tr><td><b>%1</b></td><td>&nbsp;&nbsp;%2</td></tr>")
                .arg(Tr(keys).toHtmlEscaped(), Tr(what).toHtmlEscaped());
  auto* list = new QLabel(QStringLiteral("<table>%1</table>").arg(rows), &dialog);
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.show();
}

}  // namespace trellimap
