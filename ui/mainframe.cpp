#include "ui/mainframe.h"

#include <QActionGroup>
#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <algorithm>
#include <initializer_list>

#include "codecs/picturefilter.h"
#include "ui/named.h"
#include "ui/windowfont.h"
#include "ui/windowlayout.h"
#include "view/panegeometry.h"

namespace trellimap {
namespace {

constexpr const char* kProjectFilter = "Project file (*.gip)|*.gip";

// The right edge of the rightmost control on `bar`.
int ControlsRight(const QWidget* bar) {
  int right = 0;
  for (const QWidget* control : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    right = std::max(right, control->geometry().right() + 1);
  return right;
}

}  // namespace

MainFrame::MainFrame(QMainWindow& window) {
  window.setWindowTitle(QStringLiteral("Vandoriq Trellimap 1.0"));
  window.setFont(WindowFont());
  client = new QWidget(&window);
  client->setBackgroundRole(QPalette::Button);
  client->setAutoFillBackground(true);
  window.setCentralWidget(client);
  BuildTopBar();
  BuildPanes();
  BuildMenu(window);
  BuildDialogs(window);
}

void MainFrame::BuildTopBar() {
  Panel2 = Named(new QWidget(client), "Panel2");
  QStyle* style = QApplication::style();
  BitBtn1 = Named(new QPushButton(QStringLiteral("Open project..."), Panel2), "BitBtn1");
  BitBtn1->setIcon(style->standardIcon(QStyle::SP_DirOpenIcon));
  layout::PlaceAt(BitBtn1, layout::kOpenProject);
  BitBtn2 = Named(new QPushButton(QStringLiteral("Save project as..."), Panel2), "BitBtn2");
  BitBtn2->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));
  layout::PlaceAt(BitBtn2, layout::kSaveProject);
  ShoworiginalCheck =
      Named(new QCheckBox(QStringLiteral("Show original pictures in the background"), Panel2), "ShoworiginalCheck");
  layout::PlaceAt(ShoworiginalCheck, layout::kShowOriginal);
  TransCheck = Named(new QCheckBox(QStringLiteral("Make transparent"), Panel2), "TransCheck");
  layout::PlaceAt(TransCheck, layout::kTransparent);
  RenderCheck = Named(new QCheckBox(QStringLiteral("Render automatically"), Panel2), "RenderCheck");
  layout::PlaceAt(RenderCheck, layout::kRenderAutomatically);
  RenderCheck->setChecked(true);
  SmoothCheck = Named(new QCheckBox(QStringLiteral("Smooth results"), Panel2), "SmoothCheck");
  layout::PlaceAt(SmoothCheck, layout::kSmooth);
  PerspectiveCheck = new QCheckBox(Panel2);
  layout::PlaceAt(PerspectiveCheck, layout::kPerspective);
}

void MainFrame::BuildPanes() {
  Panel1 = Named(new QWidget(client), "Panel1");
  Panel3 = Named(new QWidget(client), "Panel3");
  panes[0] = BuildPane(Panel1, kPaneNames[0], false);
  panes[2] = BuildPane(Panel1, kPaneNames[2], true);
  panes[1] = BuildPane(Panel3, kPaneNames[1], false);
  panes[3] = BuildPane(Panel3, kPaneNames[3], true);
  static constexpr const char* kFitNames[] = {"Fit1Btn", "Fit2Btn", "Fit3Btn", "Fit4Btn"};
  for (size_t i = 0; i < panes.size(); ++i) {
    const Pane& p = panes[i];
    const bool result = i >= 2;
    QToolButton* fit = Named(new QToolButton(result ? p.scrollBox->viewport() : p.toolRow), kFitNames[i]);
    fit->setIcon(QApplication::style()->standardIcon(QStyle::SP_TitleBarNormalButton));
    fit->setToolTip(QStringLiteral("Fit the picture to its pane"));
    fit->setAutoFillBackground(result);  // seen over any picture
    layout::PlaceAt(fit, layout::kFitButton);
    QWidget::setTabOrder(p.zoom, fit);  // beside its zoom edit
    fitButtons[i] = fit;
    if (i == 3) {
      unmadeHint = Named(new QLabel(p.scrollBox->viewport()), "UnmadeHint");
      unmadeHint->setAlignment(Qt::AlignCenter);
      unmadeHint->setWordWrap(true);
      unmadeHint->setAutoFillBackground(true);  // hides the result that was there before
      unmadeHint->hide();
      fit->raise();
    }
    if (result) continue;
    QLabel* hint = new QLabel(p.scrollBox->viewport());
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setCursor(Qt::PointingHandCursor);
    pictureHints[i] = hint;
    loupes[i] = new TLoupeView(p.scrollBox->viewport());
  }
}

void MainFrame::BuildMenu(QMainWindow& window) {
  QMenuBar* bar = window.menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  Language1 = Named(bar->addMenu(QStringLiteral("Language")), "Language1");
  auto* group = new QActionGroup(&window);
  group->setExclusive(true);
  English1 = Named(Language1->addAction(QStringLiteral("English")), "English1");
  Deutsch1 = Named(Language1->addAction(QStringLiteral("Deutsch")), "Deutsch1");
  for (QAction* a : {English1, Deutsch1}) {
    a->setCheckable(true);
    group->addAction(a);
  }
  English1->setChecked(true);
  N1 = Named(Language1->addSeparator(), "N1");
  bersetzen1 = Named(Language1->addAction(QString::fromUtf8("Übersetzen...")), "bersetzen1");
}

void MainFrame::BuildDialogs(QMainWindow& window) {
  OpenDialog1 = new TFileDialog(QStringLiteral("OpenDialog1"), TFileDialog::Kind::Open, &window);
  OpenDialog2 = new TFileDialog(QStringLiteral("OpenDialog2"), TFileDialog::Kind::Open, &window);
  SaveDialog1 = new TFileDialog(QStringLiteral("SaveDialog1"), TFileDialog::Kind::Save, &window);
  SaveDialog2 = new TFileDialog(QStringLiteral("SaveDialog2"), TFileDialog::Kind::Save, &window);
  for (TFileDialog* d : {OpenDialog2, SaveDialog1}) {
    d->Filter = QString::fromLatin1(kProjectFilter);
    d->DefaultExt = QStringLiteral(".gip");
  }
  SaveDialog1->ConfirmOverwrite = true;
  SaveDialog2->DefaultExt = QStringLiteral(".bmp");
  SaveDialog2->ConfirmOverwrite = true;
}

void MainFrame::SizeAndPlace(QMainWindow& window) const {
  // The smallest window still shows every control of the top bar and of the
  // tool rows: each column, half the width, holds a whole tool row.
  int toolRows = 0;
  for (const Pane& p : panes) toolRows = std::max(toolRows, ControlsRight(p.toolRow));
  client->setMinimumSize(std::max(ControlsRight(Panel2), 2 * toolRows),
                         layout::kTopBarHeight + 2 * (panes[0].toolRow->height() + layout::kMinimumViewHeight));

  // The client area between the menu and the status bar as designed, the
  // window centred on the screen; on a screen too small for it (or scaled
  // up) the window takes the room there is, its panes shrinking, so that
  // no part of it lies off the screen.
  window.resize(layout::kClientWidth, layout::kClientHeight + window.menuBar()->sizeHint().height() +
                                          window.statusBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect room = screen->availableGeometry();
    window.resize(std::min(window.width(), room.width() - layout::kFrameAllowance),
                  std::min(window.height(), room.height() - layout::kTitleBarAllowance));
    QRect frame(QPoint(0, 0), window.size() + QSize(layout::kFrameAllowance, layout::kTitleBarAllowance));
    frame.moveCenter(room.center());
    window.move(std::max(frame.left(), room.left()), std::max(frame.top(), room.top()));
  }
}

void MainFrame::LayOutClient() const {
  const int width = client->width();
  const int below = client->height() - layout::kTopBarHeight;
  Panel2->setGeometry(0, 0, width, layout::kTopBarHeight);
  const Split columns = HalfSplit(width);
  Panel1->setGeometry(0, layout::kTopBarHeight, columns.first, below);
  Panel3->setGeometry(columns.first, layout::kTopBarHeight, columns.second, below);
}

void MainFrame::LayOutOverPane(size_t pane) const {
  const QWidget* view = panes[pane].scrollBox->viewport();
  if (pane < 2) {
    pictureHints[pane]->setGeometry(view->rect());
    return;
  }
  fitButtons[pane]->move(view->width() - layout::kFitButton.width - layout::kOverPaneMargin, layout::kOverPaneMargin);
  if (pane == 3) unmadeHint->setGeometry(view->rect());
}

QString MainFrame::OfferedPictureFilter() const {
  OpenDialog1->Filter = QString::fromStdString(TranslateFilterEntries(OpenDialog1->Filter.toStdString()));
  return OpenDialog1->Filter;
}

void MainFrame::LayOutColumn(const QWidget* column) const {
  const size_t upper = column == Panel1 ? 0 : 1;
  const Split rows = HalfSplit(column->height());
  panes[upper].panel->setGeometry(0, 0, column->width(), rows.first);
  panes[upper + 2].panel->setGeometry(0, rows.first, column->width(), rows.second);
}

}  // namespace trellimap
