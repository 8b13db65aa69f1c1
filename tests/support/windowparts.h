#pragma once
// The main window's parts as tests find them: controls by the object names
// the window gives them, as a user's tools would, and its other parts
// (menus, gestures, the translation editor) by their kind.

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QString>
#include <QToolButton>
#include <QWidget>

#include "ui/commandmenus.h"
#include "ui/editgestures.h"
#include "ui/filedialog.h"
#include "ui/panes.h"
#include "ui/translatefunit.h"

namespace trellimap::testing {

// The child of `window` named `name` (null when there is none).
template <class T = QWidget>
T* Part(const QObject& window, const char* name) {
  return name == nullptr ? nullptr : window.findChild<T*>(QString::fromLatin1(name));
}

// Pane `index` (0 to 3) of the main window.
inline Pane PaneOf(const QObject& window, size_t index) {
  const PaneNames& n = kPaneNames[index];
  return {Part(window, n.panel),
          Part(window, n.toolRow),
          Part<QPushButton>(window, n.fileButton),
          Part<QLabel>(window, n.label),
          Part<TZoomEdit>(window, n.zoom),
          Part<QPushButton>(window, n.renderButton),
          Part<QScrollArea>(window, n.scrollBox),
          Part<TPaintBox>(window, n.paintBox)};
}

// The "Perspective" box of the top bar: the one check box there without a name.
inline QCheckBox* PerspectiveBox(const QObject& window) {
  for (QCheckBox* box : Part(window, "Panel2")->findChildren<QCheckBox*>())
    if (box->objectName().isEmpty()) return box;
  return nullptr;
}

}  // namespace trellimap::testing
