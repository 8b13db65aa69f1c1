#pragma once
// The main window's frame: the top bar, the two columns of panes (the
// pictures above their results) with their tool rows and fit buttons, the
// Language menu, the file dialogs, the hints over empty picture panes and
// the loupes, and where all of them stand as the window is resized. The
// frame holds the controls; the window connects them to what they do.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <array>

#include "ui/filedialog.h"
#include "ui/loupeview.h"
#include "ui/panes.h"

namespace trellimap {

struct MainFrame {
  // Builds the frame on `window`, each control under its name, in the order
  // the translation table meets them.
  explicit MainFrame(QMainWindow& window);

  // The smallest size that still shows every control, and the window's first
  // size and place.
  void SizeAndPlace(QMainWindow& window) const;
  // The top bar across the client area and the two columns below it, which
  // share its width by halves.
  void LayOutClient() const;
  // A column's two panes share its height by halves.
  void LayOutColumn(const QWidget* column) const;
  // The things lying over pane `pane`'s visible area follow its size.
  void LayOutOverPane(size_t pane) const;
  // The open-picture dialog's filter, its entries put into the language in
  // force as it is offered (TranslateFilterEntries).
  QString OfferedPictureFilter() const;

  QWidget* client = nullptr;
  // Top bar.
  QWidget* Panel2 = nullptr;
  QPushButton* BitBtn1 = nullptr;  // "Open project..."
  QPushButton* BitBtn2 = nullptr;  // "Save project as..."
  QCheckBox* ShoworiginalCheck = nullptr;
  QCheckBox* TransCheck = nullptr;
  QCheckBox* RenderCheck = nullptr;
  QCheckBox* SmoothCheck = nullptr;  // resampled results; off at every start
  // Perspective-true results; off at every start. Unnamed: its text is an
  // addition's, looked up once the language is in force.
  QCheckBox* PerspectiveCheck = nullptr;
  // Columns and panes (1 top left, 2 top right, 3 bottom left, 4 bottom right).
  QWidget* Panel1 = nullptr;
  QWidget* Panel3 = nullptr;
  std::array<Pane, 4> panes;
  // Beside the zoom edits of the picture panes; over the top right corner of
  // the result panes, whose tool rows are full.
  std::array<QToolButton*, 4> fitButtons{};
  std::array<QLabel*, 2> pictureHints{};  // over an empty picture pane, unnamed
  QLabel* unmadeHint = nullptr;           // over result 2 while picture 2 is a flat page's blank
  std::array<TLoupeView*, 2> loupes{};    // in the picture panes
  // Menu.
  QMenu* Language1 = nullptr;
  QAction* English1 = nullptr;
  QAction* Deutsch1 = nullptr;
  QAction* N1 = nullptr;
  QAction* bersetzen1 = nullptr;
  // Dialogs.
  TFileDialog* OpenDialog1 = nullptr;  // pictures
  TFileDialog* OpenDialog2 = nullptr;  // projects
  TFileDialog* SaveDialog1 = nullptr;  // projects
  TFileDialog* SaveDialog2 = nullptr;  // result pictures

 private:
  void BuildTopBar();
  void BuildPanes();
  void BuildMenu(QMainWindow& window);
  void BuildDialogs(QMainWindow& window);
};

}  // namespace trellimap
