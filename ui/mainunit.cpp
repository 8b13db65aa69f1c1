#include "ui/mainunit.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTranslator>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>

#include "codecs/picturefilter.h"
#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "detect/pageoutline.h"
#include "foundation/messagebox.h"
#include "i18n/plainreasons.h"
#include "i18n/translateunit.h"
#include "image/depthpromotion.h"
#include "image/pixmill3.h"
#include "persist/optionsfile.h"
#include "persist/projectfile.h"
#include "persist/tableplace.h"
#include "render/chosenrenderer.h"
#include "render/flatten.h"
#include "render/foundoutline.h"
#include "render/workspacerender.h"
#include "ui/commandmenus.h"
#include "ui/flattendialog.h"
#include "ui/guarded.h"
#include "ui/named.h"
#include "ui/outcomemessages.h"
#include "ui/progressrunner.h"
#include "ui/translatewalk.h"
#include "ui/windowfont.h"
#include "ui/windowlayout.h"
#include "view/loupe.h"
#include "view/panegeometry.h"
#include "workspace/commandline.h"
#include "workspace/outlineguidance.h"
#include "workspace/programpath.h"

namespace trellimap {
namespace {

constexpr PaneNames kPaneNames[4] = {
    {"Panel4", "Panel8", "Open1Btn", "Label1", "ZoomEd", nullptr, "ScrollBox1", "PaintBox1"},
    {"Panel6", "Panel9", "Open2Btn", "Label2", "ZoomEd2", nullptr, "ScrollBox2", "PaintBox2"},
    {"Panel5", "Panel10", "BitBtn3", "Label3", "Zoomed3", "BerechnenBtn", "ScrollBox3", "PaintBox3"},
    {"Panel7", "Panel11", "BitBtn4", "Label4", "ZoomEd4", "Render2Btn", "ScrollBox4", "PaintBox4"},
};

constexpr const char* kProjectFilter = "Project file (*.gip)|*.gip";

// The pane that shows the result of `direction`.
size_t ResultPane(WarpDirection direction) { return 2 + SourceSide(direction); }

// The right edge of the rightmost control on `bar`.
int ControlsRight(const QWidget* bar) {
  int right = 0;
  for (const QWidget* control : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    right = std::max(right, control->geometry().right() + 1);
  return right;
}

}  // namespace

TMainForm::TMainForm(QStringList arguments, std::string programFolder, QWidget* parent)
    : QMainWindow(parent), arguments_(std::move(arguments)), programFolder_(std::move(programFolder)) {
  setObjectName(QStringLiteral("MainForm"));
  setAcceptDrops(true);
  BuildFrame();
  FormCreate();
  TranslateForm = new TTranslateForm(this);
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildFrame() {
  setWindowTitle(QStringLiteral("Vandoriq Trellimap 1.0"));
  setFont(WindowFont());
  client_ = new QWidget(this);
  client_->setBackgroundRole(QPalette::Button);
  client_->setAutoFillBackground(true);
  setCentralWidget(client_);
  BuildTopBar(client_);

  Panel1 = Named(new QWidget(client_), "Panel1");
  Panel3 = Named(new QWidget(client_), "Panel3");
  panes[0] = BuildPane(Panel1, kPaneNames[0], false);
  panes[2] = BuildPane(Panel1, kPaneNames[2], true);
  panes[1] = BuildPane(Panel3, kPaneNames[1], false);
  panes[3] = BuildPane(Panel3, kPaneNames[3], true);
  for (QWidget* w : {client_, Panel1, Panel3}) w->installEventFilter(this);

  BuildMenu();
  BuildDialogs();
  BuildEditing();
  Menus = new CommandMenus(*this);
  ConnectPanes();

  // The smallest window still shows every control of the top bar and of the
  // tool rows: each column, half the width, holds a whole tool row.
  int toolRows = 0;
  for (const Pane& p : panes) toolRows = std::max(toolRows, ControlsRight(p.toolRow));
  client_->setMinimumSize(std::max(ControlsRight(Panel2), 2 * toolRows),
                          layout::kTopBarHeight + 2 * (panes[0].toolRow->height() + layout::kMinimumViewHeight));

  // The client area between the menu and the status bar as designed, the
  // window centred on the screen; on a screen too small for it (or scaled
  // up) the window takes the room there is, its panes shrinking, so that
  // no part of it lies off the screen.
  resize(layout::kClientWidth,
         layout::kClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect room = screen->availableGeometry();
    resize(std::min(width(), room.width() - layout::kFrameAllowance),
           std::min(height(), room.height() - layout::kTitleBarAllowance));
    QRect frame(QPoint(0, 0), size() + QSize(layout::kFrameAllowance, layout::kTitleBarAllowance));
    frame.moveCenter(room.center());
    move(std::max(frame.left(), room.left()), std::max(frame.top(), room.top()));
  }
}

void TMainForm::BuildTopBar(QWidget* client) {
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

void TMainForm::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  Language1 = Named(bar->addMenu(QStringLiteral("Language")), "Language1");
  auto* group = new QActionGroup(this);
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
  connect(English1, &QAction::triggered, this, &TMainForm::English1Click);
  connect(Deutsch1, &QAction::triggered, this, &TMainForm::Deutsch1Click);
  connect(bersetzen1, &QAction::triggered, this, &TMainForm::bersetzen1Click);
}

void TMainForm::UseToolkitTexts(bool german) {
  if (toolkitTexts_) QCoreApplication::removeTranslator(toolkitTexts_.get());
  toolkitTexts_.reset();
  if (!german) return;
  // The toolkit's own texts (file dialogs, standard buttons, edit menus) from its translations.
  auto texts = std::make_unique<QTranslator>();
  if (texts->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(texts.get()))
    toolkitTexts_ = std::move(texts);
}

void TMainForm::BuildEditing() {
  Editing = new TEditGestures(*this, this);
  const struct {
    QKeySequence keys;
    std::function<void()> act;
  } shortcuts[] = {
      {QKeySequence(Qt::Key_Left), [this] { Editing->Nudge(-1, 0); }},
      {QKeySequence(Qt::Key_Right), [this] { Editing->Nudge(1, 0); }},
      {QKeySequence(Qt::Key_Up), [this] { Editing->Nudge(0, -1); }},
      {QKeySequence(Qt::Key_Down), [this] { Editing->Nudge(0, 1); }},
      {QKeySequence(Qt::SHIFT | Qt::Key_Left), [this] { Editing->Nudge(-10, 0); }},
      {QKeySequence(Qt::SHIFT | Qt::Key_Right), [this] { Editing->Nudge(10, 0); }},
      {QKeySequence(Qt::SHIFT | Qt::Key_Up), [this] { Editing->Nudge(0, -10); }},
      {QKeySequence(Qt::SHIFT | Qt::Key_Down), [this] { Editing->Nudge(0, 10); }},
  };
  // Window-wide, but an edit with the focus keeps its own keys (it claims them first).
  for (const auto& s : shortcuts) connect(new QShortcut(s.keys, this), &QShortcut::activated, this, s.act);

  for (size_t i = 0; i < 2; ++i) {
    FitBtn[i] = Named(new QToolButton(panes[i].toolRow), i == 0 ? "Fit1Btn" : "Fit2Btn");
    FitBtn[i]->setIcon(QApplication::style()->standardIcon(QStyle::SP_TitleBarNormalButton));
    FitBtn[i]->setToolTip(QStringLiteral("Fit the picture to its pane"));
    layout::PlaceAt(FitBtn[i], layout::kFitButton);
    connect(FitBtn[i], &QToolButton::clicked, this, [this, i] { FitPane(i); });
    setTabOrder(panes[i].zoom, FitBtn[i]);  // beside its zoom edit, as it stands
  }
  for (const Pane& p : panes) p.label->installEventFilter(this);
}

void TMainForm::BuildDialogs() {
  OpenDialog1 = new TFileDialog(QStringLiteral("OpenDialog1"), TFileDialog::Kind::Open, this);
  OpenDialog2 = new TFileDialog(QStringLiteral("OpenDialog2"), TFileDialog::Kind::Open, this);
  SaveDialog1 = new TFileDialog(QStringLiteral("SaveDialog1"), TFileDialog::Kind::Save, this);
  SaveDialog2 = new TFileDialog(QStringLiteral("SaveDialog2"), TFileDialog::Kind::Save, this);
  for (TFileDialog* d : {OpenDialog2, SaveDialog1}) {
    d->Filter = QString::fromLatin1(kProjectFilter);
    d->DefaultExt = QStringLiteral(".gip");
  }
  SaveDialog1->ConfirmOverwrite = true;
  SaveDialog2->DefaultExt = QStringLiteral(".bmp");
  SaveDialog2->ConfirmOverwrite = true;
}

void TMainForm::FormCreate() {
  progpath = programFolder_.empty() ? ProgramFolder() : FolderWithSeparator(programFolder_ + "/");
  ws = std::make_unique<Workspace>();
  changes_.Saved(*ws, false);
  for (size_t side = 0; side < 2; ++side) startPicture_[side] = ws->Side(side).picture.poih;
  for (PixelSurface* s : {&bit0, &bit2, &bit3, &bit4}) s->SetSize(0, 0);
  Guarded([&] {
    const TablePlace table = ChooseTablePlace(progpath);
    InitTranslationFiles(table.read, table.save);
  });
  LoadOptions();
  // Looked up in this order, so a new table records text 5 before text 6.
  const std::string allPictures = GetLangStringUtf8(5);
  const std::string allFiles = GetLangStringUtf8(6);
  OpenDialog1->Filter = QString::fromStdString(BuildPictureFilter(allPictures, allFiles));
  // The size and place the window had when it was last closed, kept on the screen.
  const QString settings = QString::fromStdString(GetProgramDir(false) + kWindowSettingsName);
  if (QFileInfo::exists(settings))
    restoreGeometry(QSettings(settings, QSettings::IniFormat).value(QStringLiteral("geometry")).toByteArray());
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FormShow();
}

void TMainForm::FormShow() {
  if (isfirst) return;
  isfirst = true;
  Guarded([&] {
    RegisterLangStrings();
    language = languagesetto;
    UseToolkitTexts(language == 1);
    if (languagesetto != 0) TranslateApplication({this, TranslateForm});
    baseTitle_ = windowTitle().toStdString();
    Menus->Translate();
    for (QLabel* hint : pictureHint_) {
      hint->setText(QString::fromStdString(TranslateUtf8("Open a picture, or drop one here")));
      hint->setGeometry(hint->parentWidget()->rect());
    }
    // Texts of the additions, once the language is in force.
    PerspectiveCheck->setText(QString::fromStdString(TranslateUtf8("Perspective")));
    for (const Pane& p : panes) {
      p.label->adjustSize();
      p.label->setToolTip(QString::fromStdString(TranslateUtf8("Double-click: fit the picture to its pane")));
    }
    Editing->UpdateStatus();
  });
  if (arguments_.size() >= 1) {
    const std::string first = arguments_[0].toStdString();
    if (HasProjectExtension(first))
      OpenProjectfile(first);
    else
      TryToOpenFile(&ws->Side(0).picture, first);
  }
  if (arguments_.size() >= 2) TryToOpenFile(&ws->Side(1).picture, arguments_[1].toStdString());
  // Pictures named on the command line are where the work starts from.
  if (projectFile_.empty()) changes_.Saved(*ws, false);
  ShowChanges();
}

namespace {

// The local files a drag carries; empty when it carries anything else.
std::vector<std::string> DraggedFiles(const QMimeData* data) {
  std::vector<std::string> files;
  if (data == nullptr || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) return {};
    files.push_back(url.toLocalFile().toStdString());
  }
  return files;
}

}  // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QPoint at = event->position().toPoint();
  int pane = -1;
  for (int i = 0; i < 2; ++i)
    if (panes[static_cast<size_t>(i)].panel->rect().contains(panes[static_cast<size_t>(i)].panel->mapFrom(this, at)))
      pane = i;
  const DropPlan plan = PlanDrop(DraggedFiles(event->mimeData()), pane);
  if (plan.kind == DropPlan::Kind::Refuse) return;
  event->acceptProposedAction();
  if (plan.kind == DropPlan::Kind::Project) {
    if (MayLeaveWork()) OpenProjectfile(plan.files[0].second);
    return;
  }
  for (const auto& [target, file] : plan.files) LoadPicture(static_cast<size_t>(target), file);
}

namespace {

// A workspace for a save on another thread: copies of the window's outlines
// (a repaint walks the window's own, moving their cursors) and options, and
// the window's pictures lent to it, which nothing changes while the window
// waits and which it never releases.
class LentWorkspace {
 public:
  explicit LentWorkspace(Workspace& from) {
    RestoreState(ws_, CaptureState(from));
    ws_.renderautomatically = from.renderautomatically;
    for (size_t i = 0; i < 4; ++i) {
      ReleaseDib(ws_.Pictures()[i]);
      *ws_.Pictures()[i] = *from.Pictures()[i];
    }
  }
  ~LentWorkspace() {
    for (dib* d : ws_.Pictures()) *d = dib{};
  }
  LentWorkspace(const LentWorkspace&) = delete;
  LentWorkspace& operator=(const LentWorkspace&) = delete;
  Workspace& Get() { return ws_; }

 private:
  Workspace ws_;
};

}  // namespace

void TMainForm::ShowPictureHints() {
  for (size_t i = 0; i < 2; ++i) pictureHint_[i]->setVisible(PictureMissing(i));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  for (size_t i = 0; i < 2; ++i) {
    if (watched == pictureHint_[i] && event->type() == QEvent::MouseButtonPress) {
      OpenPicture(i);
      return true;
    }
    if (pictureHint_[i] != nullptr && watched == pictureHint_[i]->parentWidget() && event->type() == QEvent::Resize)
      pictureHint_[i]->setGeometry(pictureHint_[i]->parentWidget()->rect());
    if (pictureHint_[i] != nullptr && watched == pictureHint_[i]->parentWidget() && event->type() == QEvent::Enter)
      lastPointerPane_ = i;
  }
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (size_t i = 0; i < panes.size(); ++i)
      if (watched == panes[i].label) FitPane(i);
  }
  if (event->type() == QEvent::Resize) {
    if (watched == client_) FormResize();
    if (watched == Panel1) Panel1Resize();
    if (watched == Panel3) Panel3Resize();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormResize() {
  const int width = client_->width();
  const int below = client_->height() - layout::kTopBarHeight;
  Panel2->setGeometry(0, 0, width, layout::kTopBarHeight);
  const Split columns = HalfSplit(width);
  Panel1->setGeometry(0, layout::kTopBarHeight, columns.first, below);
  Panel3->setGeometry(columns.first, layout::kTopBarHeight, columns.second, below);
}

void TMainForm::Panel1Resize() {
  const Split rows = HalfSplit(Panel1->height());
  panes[0].panel->setGeometry(0, 0, Panel1->width(), rows.first);
  panes[2].panel->setGeometry(0, rows.first, Panel1->width(), rows.second);
}

void TMainForm::Panel3Resize() {
  const Split rows = HalfSplit(Panel3->height());
  panes[1].panel->setGeometry(0, 0, Panel3->width(), rows.first);
  panes[3].panel->setGeometry(0, rows.first, Panel3->width(), rows.second);
}

void TMainForm::ConnectPanes() {
  for (size_t i = 0; i < panes.size(); ++i) {
    const Pane& p = panes[i];
    connect(p.zoom, &QSpinBox::textChanged, this, [this, i] { PaintPane(i); });
    p.paintBox->SetComposer([this, i](const PaneArea& area, int32_t scale) { return ComposeArea(i, area, scale); });
  }
  for (size_t i = 0; i < 2; ++i) {
    TPaintBox* box = panes[i].paintBox;
    box->SetPressHandler([this, i](MouseButton b, int x, int y) {
      if (PictureMissing(i))
        OpenPicture(i);
      else
        Editing->Press(i, b, x, y);
    });
    // Over the empty pane, unnamed so that the window's translation passes it by.
    pictureHint_[i] = new QLabel(panes[i].scrollBox->viewport());
    pictureHint_[i]->setAlignment(Qt::AlignCenter);
    pictureHint_[i]->setWordWrap(true);
    pictureHint_[i]->setCursor(Qt::PointingHandCursor);
    pictureHint_[i]->installEventFilter(this);
    panes[i].scrollBox->viewport()->installEventFilter(this);
    box->SetDragHandlers([this, i](int x, int y) { Editing->Move(i, x, y); },
                         [this, i](int x, int y) { Editing->Release(i, x, y); });
    box->SetLabelSource([this, i] { return Editing->CornerLabels(i); });
    loupe_[i] = new TLoupeView(panes[i].scrollBox->viewport());
  }
  for (size_t i = 0; i < panes.size(); ++i)
    panes[i].paintBox->SetZoomHandler([this, i](int notches, int x, int y) { WheelZoomPane(i, notches, x, y); });
  connect(panes[0].fileButton, &QPushButton::clicked, this, &TMainForm::Open1BtnClick);
  connect(panes[1].fileButton, &QPushButton::clicked, this, &TMainForm::Open2BtnClick);
  connect(panes[2].fileButton, &QPushButton::clicked, this, &TMainForm::BitBtn3Click);
  connect(panes[3].fileButton, &QPushButton::clicked, this, &TMainForm::BitBtn4Click);
  connect(BitBtn1, &QPushButton::clicked, this, &TMainForm::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TMainForm::BitBtn2Click);
  connect(panes[2].renderButton, &QPushButton::clicked, this, &TMainForm::BerechnenBtnClick);
  connect(panes[3].renderButton, &QPushButton::clicked, this, &TMainForm::Render2BtnClick);
  // toggled also reports changes made by the program, which donotrendernow guards.
  connect(ShoworiginalCheck, &QCheckBox::toggled, this, &TMainForm::ShoworiginalCheckClick);
  connect(TransCheck, &QCheckBox::toggled, this, &TMainForm::TransCheckClick);
  connect(RenderCheck, &QCheckBox::toggled, this, [this](bool on) { ws->renderautomatically = on; });
  connect(SmoothCheck, &QCheckBox::toggled, this, [this](bool on) {
    ws->smooth = on;
    RenderBothIfAutomatic();
    ShowChanges();
  });
  connect(PerspectiveCheck, &QCheckBox::toggled, this, &TMainForm::PerspectiveCheckClick);
}

int32_t TMainForm::PaneZoom(size_t pane) const { return ZoomFromText(panes[pane].zoom->cleanText().toStdString()); }

PixelSurface& TMainForm::PaneBitmap(size_t pane) {
  PixelSurface* bitmaps[] = {&bit0, &bit2, &bit3, &bit4};
  return *bitmaps[pane];
}

void TMainForm::PaintPane(size_t pane) {
  TPaintBox* box = panes[pane].paintBox;
  const PaneArea size = ZoomedPicture(*ws->Pictures()[pane], PaneZoom(pane));
  if (box->width() != size.width || box->height() != size.height) {
    box->resize(size.width, size.height);  // the platform paints the resized area
    return;
  }
  box->repaint();
}

const PixelSurface* TMainForm::ComposeArea(size_t pane, const PaneArea& area, int32_t scale) {
  const int32_t zoom = PaneZoom(pane);
  const PaneArea size = ZoomedPicture(*ws->Pictures()[pane], zoom);
  TPaintBox* box = panes[pane].paintBox;
  if (box->width() != size.width || box->height() != size.height) {
    box->resize(size.width, size.height);
    return nullptr;
  }
  // While a point is dragged, the results follow it in reduced form.
  if (const dib* preview = pane >= 2 ? Editing->PreviewFor(pane) : nullptr) {
    ComposeStretched(*preview, {0, 0, size.width * scale, size.height * scale}, area, PaneBitmap(pane));
    return &PaneBitmap(pane);
  }
  const TDynaArray* outline = pane < 2 ? &ws->Side(pane).outline : nullptr;
  ComposePane(*ws->Pictures()[pane], zoom, outline, area, PaneBitmap(pane), scale);
  // A result no longer made from what the picture panes show is drawn faded.
  if (pane >= 2 && shownStale_[pane - 2]) Fade(PaneBitmap(pane));
  return &PaneBitmap(pane);
}

void TMainForm::PressOnPane(size_t pane, MouseButton button, int X, int Y) {
  const SideRef side = ws->Side(pane);
  const int32_t x = PaneToPicture(X, PaneZoom(pane));
  const int32_t y = PaneToPicture(Y, PaneZoom(pane));
  const PressEffect effect = PressOnOutline(side.outline, side.corners, button, x, y);
  if (effect == PressEffect::Ignored) return;
  if (effect == PressEffect::Completed && ws->Side(1 - pane).corners == 4 && RenderCheck->isChecked()) RenderBoth();
  PaintPane(pane);
}

void TMainForm::RenderBoth() {
  BerechnenBtnClick();
  Render2BtnClick();
}

void TMainForm::ShowLoupe(size_t pane, int32_t x, int32_t y, int pointerX, int pointerY) {
  const QWidget* view = panes[pane].scrollBox->viewport();
  const QPoint pointer = panes[pane].paintBox->mapTo(view, QPoint(pointerX, pointerY));
  const dib& picture = ws->Side(pane).picture;
  loupe_[pane]->Show(picture, PlaceLoupe(x, y, DibWidth(&picture), DibHeight(&picture), pointer.x(), pointer.y(),
                                         view->width(), view->height()));
}

void TMainForm::HideLoupe() {
  for (TLoupeView* loupe : loupe_) loupe->hide();
}

size_t TMainForm::CommandPane() const {
  for (size_t pane = 0; pane < 2; ++pane)
    if (PointerOver(pane)) return pane;
  return lastPointerPane_;
}

void TMainForm::FindOutline() {
  const size_t pane = CommandPane();
  const dib& picture = ws->Side(pane).picture;
  // The picture is only read, here as by the panes' repaints meanwhile.
  std::optional<PageOutline> found;
  const bool done = RunWork("Looking for a page...", [&](Progress& progress) {
    found = FindPageOutline(picture);
    return progress.Report(1);
  });
  if (!done) return;
  if (!found) {
    Guarded([] {
      ShowMessage(TranslateUtf8("No page found in this picture."), kApplicationTitle, MsgIcon::Information,
                  MsgButtons::Ok);
    });
    return;
  }
  const OutlineState before = CaptureState(*ws);
  PlaceFoundOutline(ws->Side(pane), *found);
  Editing->OutlineReplaced(pane, before);
  RenderBothIfAutomatic();
}

void TMainForm::FlattenPage() {
  if (ws->Side(0).corners != 4) {
    Guarded([] {
      ShowMessage(TranslateUtf8("Place the page's outline on picture 1 first."), kApplicationTitle,
                  MsgIcon::Information, MsgButtons::Ok);
    });
    return;
  }
  TFlattenDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  const ConstSideRef photo = std::as_const(*ws).Side(0);
  const FlatSize flat =
      FlatPageSize(dialog.Chosen(), photo.outline, DibWidth(&photo.picture), DibHeight(&photo.picture));
  const OutlineState before = CaptureState(*ws);
  const bool smoothBefore = ws->smooth;
  // Picture 2 leaves the workspace before the page takes its place, so that
  // the undo step can own it.
  dib& field = ws->Side(1).picture;
  const dib replaced = field;
  field = dib{};
  if (!PrepareFlatten(*ws, flat)) {
    field = replaced;
    Guarded([&] {
      ShowMessage(TranslateFormat("There is not enough memory for a page of %1 \u00d7 %2 pixels.",
                                  {std::to_string(flat.width), std::to_string(flat.height)}),
                  kApplicationTitle, MsgIcon::Error, MsgButtons::Ok);
    });
    return;
  }
  changes_.PictureReplaced(1);
  Editing->PictureReplaced(1, before, replaced, smoothBefore);
  RenderResult(WarpDirection::OneIntoTwo);
}

bool TMainForm::PointerOver(size_t pane) const {
  const QWidget* view = panes[pane].scrollBox;
  return view->isVisible() && view->rect().contains(view->mapFromGlobal(QCursor::pos()));
}

void TMainForm::BerechnenBtnClick() { RenderResult(WarpDirection::OneIntoTwo); }
void TMainForm::Render2BtnClick() { RenderResult(WarpDirection::TwoIntoOne); }

bool TMainForm::RunWork(const char* doing, const std::function<bool(Progress&)>& work) {
  return RunWithProgress(this, QString::fromLatin1(kApplicationTitle), QString::fromStdString(TranslateUtf8(doing)),
                         work);
}

bool TMainForm::RenderResult(WarpDirection direction) {
  // Rendered on a worker thread from a snapshot, beside the old result, which
  // the panes keep showing; the new one takes its place here, and only when complete.
  const DirectionSnapshot snapshot(*ws, direction);
  dib made{};
  RenderOutcome outcome = RenderOutcome::Rendered;
  RunWork("Rendering the result...", [&](Progress& progress) {
    outcome = snapshot.Render(made, progress);
    return true;
  });
  if (outcome == RenderOutcome::Unfinished) {
    Editing->UpdateStatus(UnfinishedOutlineWarning());
    return true;
  }
  if (outcome == RenderOutcome::Stopped) return false;
  ReplacePicture(&ws->Result(direction), made);
  changes_.Rendered(*ws, direction);
  PaintPane(ResultPane(direction));
  ShowChanges();
  return true;
}

void TMainForm::ShoworiginalCheckClick() { RenderOptionClicked(&Workspace::showoriginal, ShoworiginalCheck); }

void TMainForm::TransCheckClick() { RenderOptionClicked(&Workspace::transparent, TransCheck); }

void TMainForm::PerspectiveCheckClick() { RenderOptionClicked(&Workspace::perspective, PerspectiveCheck); }

void TMainForm::RenderOptionClicked(bool Workspace::*option, const QCheckBox* box) {
  const OutlineState before = CaptureState(*ws);
  (*ws).*option = box->isChecked();
  Editing->OptionChanged(before);
  RenderBothIfAutomatic();
  ShowChanges();
}

void TMainForm::FitPane(size_t pane) {
  const dib& picture = *ws->Pictures()[pane];
  const QSize view = panes[pane].scrollBox->maximumViewportSize();
  panes[pane].zoom->setValue(FitZoom(DibWidth(&picture), DibHeight(&picture), view.width(), view.height()));
}

void TMainForm::WheelZoomPane(size_t pane, int notches, int x, int y) {
  const int32_t from = PaneZoom(pane), to = WheelZoom(from, notches);
  if (to == from) return;
  QScrollArea* view = panes[pane].scrollBox;
  const QPoint pointer = panes[pane].paintBox->mapTo(view->viewport(), QPoint(x, y));
  const int scrollX = view->horizontalScrollBar()->value(), scrollY = view->verticalScrollBar()->value();
  panes[pane].zoom->setValue(to);  // resizes the drawing area, and the scroll bars with it
  view->horizontalScrollBar()->setValue(ScrollKeepingPoint(scrollX, pointer.x(), from, to));
  view->verticalScrollBar()->setValue(ScrollKeepingPoint(scrollY, pointer.y(), from, to));
}

void TMainForm::RenderBothIfAutomatic() {
  if (donotrendernow || !OutlinesComplete(*ws) || !RenderCheck->isChecked()) return;
  // Cancel stops both.
  if (RenderResult(WarpDirection::OneIntoTwo)) RenderResult(WarpDirection::TwoIntoOne);
}

void TMainForm::TryToOpenFile(dib* field, const std::string& fname) {
  if (!trellimap::TryToOpenFile(field, fname)) return;
  for (size_t side = 0; side < 2; ++side)
    if (field == &ws->Side(side).picture) pictureFile_[side] = fname;
}

void TMainForm::RememberProjectFolder() {
  const QString folder = QFileInfo(QString::fromStdString(projectFile_)).absolutePath();
  OpenDialog2->InitialDir = SaveDialog1->InitialDir = folder;
}

const std::string& TMainForm::ResultNamesake(WarpDirection direction) const {
  return projectFile_.empty() ? pictureFile_[DestinationSide(direction)] : projectFile_;
}

std::string TMainForm::ResultName(WarpDirection direction) const {
  const std::string& named = ResultNamesake(direction);
  const std::string stem = named.empty() ? "result" : std::filesystem::path(named).stem().string();
  return stem + "-result" + std::to_string(ResultPane(direction) - 1) + "." + std::string(kDefaultExtension);
}

void TMainForm::DepthUpTo(int32_t bitcount, dib* picture) { trellimap::DepthUpTo(bitcount, picture); }

void TMainForm::OpenProjectfile(const std::string& fname) {
  // Read on a worker thread beside the workspace, which the panes keep
  // showing; the workspace takes what was read only when the whole file was
  // read, so a damaged or cut-short file leaves the work, its results and
  // its history as they were.
  ProjectRead read;
  Outcome outcome;
  Guarded([&] {
    RunWork("Opening the project...", [&](Progress& progress) {
      outcome = ReadProject(fname, read, &progress);
      return true;
    });
  });
  Guarded([&] { ShowProjectOpenFailure(fname, outcome); });
  if (!outcome.done()) return;
  Guarded([&] { read.HandTo(*ws); });
  projectFile_ = fname;
  pictureFile_[0] = pictureFile_[1] = {};
  RememberProjectFolder();
  changes_.Saved(*ws, true);
  Editing->ForgetHistory();
  ShowWorkspace();
  Editing->UpdateStatus();
  ShowChanges();
}

bool TMainForm::MayLeaveWork() {
  if (!changes_.Modified(*ws)) return true;
  MsgAnswer answer = MsgAnswer::Cancel;
  Guarded([&] {
    answer = ShowMessage(TranslateUtf8("The outlines, options or pictures have changes that are not saved. Save them?"),
                         kApplicationTitle, MsgIcon::Question, MsgButtons::SaveDiscardCancel);
  });
  if (answer == MsgAnswer::Discard) return true;
  if (answer != MsgAnswer::Save) return false;
  SaveProject();
  return !changes_.Modified(*ws);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!MayLeaveWork()) {
    event->ignore();
    return;
  }
  // Kept beside options.dat, in a file of its own: that file's layout is fixed.
  QSettings(QString::fromStdString(GetProgramDir(true) + kWindowSettingsName), QSettings::IniFormat)
      .setValue(QStringLiteral("geometry"), saveGeometry());
  event->accept();
}

std::vector<std::string> TMainForm::StatusNotes() const {
  std::vector<std::string> notes;
  for (const WarpDirection d : kBothDirections)
    if (changes_.Stale(*ws, d))
      notes.push_back(TranslateFormat("Result %1 is out of date: press Render", {std::to_string(ResultPane(d) - 1)}));
  return notes;
}

void TMainForm::ShowChanges() {
  if (!isfirst) return;  // shown with the window, once its texts are in the language in force
  const bool modified = changes_.Modified(*ws);
  ShowPictureHints();
  const std::string name = std::filesystem::path(projectFile_).filename().string();
  std::string title = name.empty() ? baseTitle_ : name + " \u2013 " + baseTitle_;
  if (modified) title = "*" + title;
  setWindowTitle(QString::fromStdString(title));
  for (const WarpDirection d : kBothDirections) {
    const bool stale = changes_.Stale(*ws, d);
    if (stale != shownStale_[SourceSide(d)]) {
      shownStale_[SourceSide(d)] = stale;
      PaintPane(ResultPane(d));
    }
  }
  Editing->UpdateStatus();
}

void TMainForm::ShowWorkspace() {
  donotrendernow = true;  // the stored results are shown, not rendered again
  ShoworiginalCheck->setChecked(ws->showoriginal);
  TransCheck->setChecked(ws->transparent);
  PerspectiveCheck->setChecked(ws->perspective);
  SmoothCheck->setChecked(ws->smooth);
  donotrendernow = false;
  RenderCheck->setChecked(ws->renderautomatically);
  for (size_t pane = 0; pane < panes.size(); ++pane) PaintPane(pane);
}

void TMainForm::SaveProjectfile(const std::string& fname) {
  Guarded([&] {
    LentWorkspace lent(*ws);
    Outcome outcome;
    RunWork("Saving the project...", [&](Progress& progress) {
      outcome = trellimap::SaveProjectfile(lent.Get(), fname, &progress);
      return true;
    });
    ShowProjectSaveFailure(fname, outcome);
    if (!outcome.done()) return;
    projectFile_ = fname;
    RememberProjectFolder();
    changes_.Saved(*ws, false);
  });
  ShowChanges();
}

void TMainForm::BitBtn1Click() {
  if (MayLeaveWork() && OpenDialog2->Execute()) OpenProjectfile(OpenDialog2->FileName.toStdString());
}

void TMainForm::SaveProject() {
  if (projectFile_.empty())
    BitBtn2Click();
  else
    SaveProjectfile(projectFile_);
}

void TMainForm::BitBtn2Click() {
  if (SaveDialog1->Execute()) SaveProjectfile(SaveDialog1->FileName.toStdString());
}

void TMainForm::Open1BtnClick() { OpenPicture(0); }
void TMainForm::Open2BtnClick() { OpenPicture(1); }

void TMainForm::BitBtn3Click() { SavePicture(WarpDirection::OneIntoTwo); }
void TMainForm::BitBtn4Click() { SavePicture(WarpDirection::TwoIntoOne); }

void TMainForm::SavePicture(WarpDirection direction) {
  const std::string which = std::to_string(ResultPane(direction) - 1);
  std::string doubt;
  if (changes_.NeverRendered(direction))
    doubt = TranslateFormat("Result %1 has not been rendered yet. Save it anyway?", {which});
  else if (changes_.Stale(*ws, direction))
    doubt =
        TranslateFormat("Result %1 is out of date: it was rendered before the last change. Save it anyway?", {which});
  if (!doubt.empty()) {
    MsgAnswer answer = MsgAnswer::No;
    Guarded([&] { answer = ShowMessage(doubt, kApplicationTitle, MsgIcon::Question, MsgButtons::YesNo); });
    if (answer != MsgAnswer::Yes) return;
  }
  const dib& picture = ws->Result(direction);
  SaveDialog2->ProposedName = QString::fromStdString(ResultName(direction));
  if (SaveDialog2->InitialDir.isEmpty()) {
    const std::string& near = ResultNamesake(direction);
    if (!near.empty()) SaveDialog2->InitialDir = QFileInfo(QString::fromStdString(near)).absolutePath();
  }
  // Built as the dialog opens, so that its texts are in the language in force.
  SaveDialog2->Filter = QString::fromStdString(BuildSavePictureFilter(GetLangStringUtf8(6)));
  if (!SaveDialog2->Execute()) return;
  const std::string fname = WithDefaultExtension(SaveDialog2->FileName.toStdString());
  Outcome written;
  RunWork("Saving the picture...", [&](Progress& progress) {
    written = WritePictureFile(picture, fname, &progress);
    return written.done();
  });
  // The file's own problems in the user's words; the writer's words for the rest.
  if (written.failed())
    Guarded([&] {
      ShowMessage(TranslateFormat(
                      "Could not save the picture \"%1\": %2.",
                      {fname, written.problem != FileProblem::None ? PlainReason(written.problem) : written.detail}),
                  {}, MsgIcon::Error, MsgButtons::Ok);
    });
}

void TMainForm::OpenPicture(size_t pane) {
  OpenDialog1->Filter = QString::fromStdString(TranslateFilterEntries(OpenDialog1->Filter.toStdString()));
  if (OpenDialog1->Execute()) LoadPicture(pane, OpenDialog1->FileName.toStdString());
}

void TMainForm::LoadPicture(size_t pane, const std::string& fname) {
  // Read on a worker thread; a failure is told here, and the pane's picture
  // is replaced here only when the read was neither failed nor cancelled.
  dib loaded{};
  Outcome outcome;
  const bool read = RunWork("Opening the picture...", [&](Progress& progress) {
    outcome = ReadPictureFile(fname, loaded, &progress);
    return outcome.done() && progress.Report(1);
  });
  if (outcome.failed())
    Guarded([&] { ShowMessage(PictureReadFailure(fname, outcome.problem), {}, MsgIcon::Error, MsgButtons::Ok); });
  if (!read) {
    if (loaded.poi != nullptr) ReleaseDib(&loaded);
    return;
  }
  ReplacePicture(&ws->Side(pane).picture, loaded);
  pictureFile_[pane] = fname;
  changes_.PictureReplaced(pane);
  PaintPane(pane);
  ShowChanges();
}

void TMainForm::LoadOptions() {
  languagesetto = 0;
  language = 0;
  dontchlang = true;
  English1->setChecked(true);
  dontchlang = false;
  languagesetto = ReadOptions(GetProgramDir(false));
  dontchlang = true;
  if (languagesetto == 0) English1->setChecked(true);
  if (languagesetto == 1) Deutsch1->setChecked(true);
  dontchlang = false;
}

// Written when a language is chosen, so the choice holds even if the program
// does not end normally.
void TMainForm::SaveOptions() { WriteOptions(GetProgramDir(true), language); }

std::string TMainForm::GetProgramDir(bool create) { return DataFolder(create, progpath); }

void TMainForm::English1Click() { ChooseLanguage(English1, 0); }
void TMainForm::Deutsch1Click() { ChooseLanguage(Deutsch1, 1); }

void TMainForm::ChooseLanguage(QAction* item, int32_t column) {
  if (dontchlang) return;
  item->setChecked(true);
  language = column;
  SaveOptions();
  TellToRestart();
}

void TMainForm::bersetzen1Click() {
  TranslateForm->FillStringGrid();
  TranslateForm->exec();
  TellToRestart();
}

void TMainForm::TellToRestart() {
  Guarded([] { ShowMessage(GetLangStringUtf8(1), GetLangStringUtf8(2), MsgIcon::Information, MsgButtons::Ok); });
}

}  // namespace trellimap
