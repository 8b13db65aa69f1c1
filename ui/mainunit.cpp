#include "ui/mainunit.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QUrl>
#include <algorithm>
#include <tuple>
#include <utility>

#include "codecs/picturefilter.h"
#include "codecs/pictureopening.h"
#include "foundation/messagebox.h"
#include "i18n/translateunit.h"
#include "image/depthpromotion.h"
#include "persist/optionsfile.h"
#include "persist/tableplace.h"
#include "render/foundoutline.h"
#include "render/workspacerender.h"
#include "ui/commandmenus.h"
#include "ui/editgestures.h"
#include "ui/guarded.h"
#include "ui/mainframe.h"
#include "ui/outcomemessages.h"
#include "ui/translatefunit.h"
#include "ui/translatewalk.h"
#include "view/panegeometry.h"
#include "workspace/commandline.h"
#include "workspace/outlineguidance.h"
#include "workspace/programpath.h"

namespace trellimap {
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

TMainForm::TMainForm(QStringList arguments, std::string programFolder, QWidget* parent)
    : QMainWindow(parent), arguments_(std::move(arguments)), programFolder_(std::move(programFolder)) {
  setObjectName(QStringLiteral("MainForm"));
  setAcceptDrops(true);
  frame_ = std::make_unique<MainFrame>(*this);
  editing_ = new TEditGestures(*this, this);
  panes_ = std::make_unique<PaneDisplay>(*frame_, document_, *editing_);
  FileHost& fileHost = *this;
  files_ = std::make_unique<FileCommands>(fileHost, *frame_);
  menus_ = new CommandMenus(*this, frame_->Language1, *this);
  ConnectControls();
  ConnectPanes();
  frame_->SizeAndPlace(*this);
  FormCreate();
  TranslateForm = new TTranslateForm(this);
}

TMainForm::~TMainForm() = default;

void TMainForm::ConnectControls() {
  const MainFrame& f = *frame_;
  for (QWidget* w : {f.client, f.Panel1, f.Panel3}) w->installEventFilter(this);
  connect(f.English1, &QAction::triggered, this, &TMainForm::English1Click);
  connect(f.Deutsch1, &QAction::triggered, this, &TMainForm::Deutsch1Click);
  connect(f.bersetzen1, &QAction::triggered, this, &TMainForm::bersetzen1Click);
  // The arrow keys move the point last used, window-wide; an edit with the
  // focus keeps its own (it claims them first).
  for (const auto& [key, dx, dy] :
       {std::tuple{Qt::Key_Left, -1, 0}, {Qt::Key_Right, 1, 0}, {Qt::Key_Up, 0, -1}, {Qt::Key_Down, 0, 1}})
    for (const int step : {1, 10}) {
      const QKeySequence keys = step == 1 ? QKeySequence(key) : QKeySequence(Qt::SHIFT | key);
      connect(new QShortcut(keys, this), &QShortcut::activated, this,
              [this, dx, dy, step] { editing_->Nudge(dx * step, dy * step); });
    }
  connect(f.BitBtn1, &QPushButton::clicked, this, &TMainForm::BitBtn1Click);
  connect(f.BitBtn2, &QPushButton::clicked, this, &TMainForm::BitBtn2Click);
  // toggled also reports changes made by the program, which donotrendernow guards.
  connect(f.ShoworiginalCheck, &QCheckBox::toggled, this, &TMainForm::ShoworiginalCheckClick);
  connect(f.TransCheck, &QCheckBox::toggled, this, &TMainForm::TransCheckClick);
  connect(f.RenderCheck, &QCheckBox::toggled, this, [this](bool on) { workspace().renderautomatically = on; });
  connect(f.SmoothCheck, &QCheckBox::toggled, this, [this](bool on) {
    workspace().smooth = on;
    RenderBothIfAutomatic();
    ShowChanges();
  });
  connect(f.PerspectiveCheck, &QCheckBox::toggled, this, &TMainForm::PerspectiveCheckClick);
}

void TMainForm::ConnectPanes() {
  const MainFrame& f = *frame_;
  for (size_t i = 0; i < f.panes.size(); ++i) {
    const Pane& p = f.panes[i];
    connect(p.zoom, &QSpinBox::textChanged, this, [this, i] { PaintPane(i); });
    p.paintBox->SetComposer([this, i](const PaneArea& area, int32_t scale) { return panes_->Compose(i, area, scale); });
    p.paintBox->SetZoomHandler([this, i](int notches, int x, int y) { panes_->WheelZoom(i, notches, x, y); });
    p.label->installEventFilter(this);
    p.scrollBox->viewport()->installEventFilter(this);
    connect(f.fitButtons[i], &QToolButton::clicked, this, [this, i] { FitPane(i); });
  }
  for (size_t i = 0; i < 2; ++i) {
    TPaintBox* box = f.panes[i].paintBox;
    box->SetPressHandler([this, i](MouseButton b, int x, int y) {
      if (PictureMissing(i))
        OpenPicture(i);
      else
        editing_->Press(i, b, x, y);
    });
    box->SetDragHandlers([this, i](int x, int y) { editing_->Move(i, x, y); },
                         [this, i](int x, int y) { editing_->Release(i, x, y); });
    box->SetLabelSource([this, i] { return editing_->CornerLabels(i); });
    box->SetSelectionSource([this, i] { return editing_->SelectedMark(i); });
    box->SetStepHandler([this](bool forward) { editing_->StepSelection(forward); });
    f.pictureHints[i]->installEventFilter(this);
  }
  connect(f.panes[0].fileButton, &QPushButton::clicked, this, &TMainForm::Open1BtnClick);
  connect(f.panes[1].fileButton, &QPushButton::clicked, this, &TMainForm::Open2BtnClick);
  connect(f.panes[2].fileButton, &QPushButton::clicked, this, &TMainForm::BitBtn3Click);
  connect(f.panes[3].fileButton, &QPushButton::clicked, this, &TMainForm::BitBtn4Click);
  connect(f.panes[2].renderButton, &QPushButton::clicked, this, &TMainForm::BerechnenBtnClick);
  connect(f.panes[3].renderButton, &QPushButton::clicked, this, &TMainForm::Render2BtnClick);
}

void TMainForm::FormCreate() {
  progpath = programFolder_.empty() ? ProgramFolder() : FolderWithSeparator(programFolder_ + "/");
  for (size_t side = 0; side < 2; ++side) startPicture_[side] = workspace().Side(side).picture.poih;
  Guarded([&] {
    const TablePlace table = ChooseTablePlace(progpath);
    InitTranslationFiles(table.read, table.save);
  });
  LoadOptions();
  // Looked up in this order, so a new table records text 5 before text 6.
  const std::string allPictures = GetLangStringUtf8(5);
  const std::string allFiles = GetLangStringUtf8(6);
  frame_->OpenDialog1->Filter = QString::fromStdString(BuildPictureFilter(allPictures, allFiles));
  // The size and place the window had when it was last closed, kept on the screen.
  const QString settings = QString::fromStdString(WindowSettingsFile(false));
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
    englishTexts_.Remember({this, TranslateForm});
    PutLanguageInForce();
  });
  if (arguments_.size() >= 1) {
    const std::string first = arguments_[0].toStdString();
    if (HasProjectExtension(first))
      OpenProjectfile(first);
    else
      TryToOpenFile(&workspace().Side(0).picture, first);
  }
  if (arguments_.size() >= 2) TryToOpenFile(&workspace().Side(1).picture, arguments_[1].toStdString());
  // Pictures named on the command line are where the work starts from, shown whole.
  for (size_t side = 0; side < 2; ++side)
    if (!document_.PictureFile(side).empty()) ShowWhole(side);
  if (document_.ProjectFile().empty()) document_.StartFromHere();
  ShowChanges();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QPoint at = event->position().toPoint();
  int pane = -1;
  for (int i = 0; i < 2; ++i) {
    const QWidget* panel = frame_->panes[static_cast<size_t>(i)].panel;
    if (panel->rect().contains(panel->mapFrom(this, at))) pane = i;
  }
  if (files_->Dropped(DraggedFiles(event->mimeData()), pane)) event->acceptProposedAction();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  const MainFrame& f = *frame_;
  for (size_t i = 0; i < 2; ++i) {
    QLabel* hint = f.pictureHints[i];
    if (watched == hint && event->type() == QEvent::MouseButtonPress) {
      OpenPicture(i);
      return true;
    }
    if (watched == hint->parentWidget() && event->type() == QEvent::Enter) lastPointerPane_ = i;
  }
  for (size_t i = 0; i < f.panes.size(); ++i)
    if (watched == f.panes[i].scrollBox->viewport() && event->type() == QEvent::Resize) f.LayOutOverPane(i);
  if (event->type() == QEvent::MouseButtonDblClick)
    for (size_t i = 0; i < f.panes.size(); ++i)
      if (watched == f.panes[i].label) FitPane(i);
  if (event->type() == QEvent::Resize) {
    if (watched == f.client) FormResize();
    if (watched == f.Panel1) Panel1Resize();
    if (watched == f.Panel3) Panel3Resize();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormResize() { frame_->LayOutClient(); }
void TMainForm::Panel1Resize() { frame_->LayOutColumn(frame_->Panel1); }
void TMainForm::Panel3Resize() { frame_->LayOutColumn(frame_->Panel3); }

void TMainForm::PressOnPane(size_t pane, MouseButton button, int X, int Y) {
  const SideRef side = workspace().Side(pane);
  const int32_t x = PaneToPicture(X, PaneZoom(pane));
  const int32_t y = PaneToPicture(Y, PaneZoom(pane));
  const PressEffect effect = PressOnOutline(side.outline, side.corners, button, x, y);
  if (effect == PressEffect::Ignored) return;
  if (effect == PressEffect::Completed && workspace().Side(1 - pane).corners == 4 && RendersAutomatically())
    RenderBoth();
  PaintPane(pane);
}

bool TMainForm::PictureMissing(size_t pane) const {
  return std::as_const(document_).workspace().Side(pane).picture.poih == startPicture_[pane];
}

bool TMainForm::RendersAutomatically() const { return frame_->RenderCheck->isChecked(); }

size_t TMainForm::CommandPane() const {
  for (size_t pane = 0; pane < 2; ++pane)
    if (PointerOver(pane)) return pane;
  return lastPointerPane_;
}

void TMainForm::Undo() { editing_->Undo(); }
void TMainForm::Redo() { editing_->Redo(); }
void TMainForm::RemoveLastPoint() { editing_->RemoveLastPoint(); }
void TMainForm::RemoveSelectedPoint() { editing_->RemoveSelectedPoint(); }

bool TMainForm::RenderResult(WarpDirection direction) {
  const bool first = document_.NeverRendered(direction);
  const RenderOutcome outcome = document_.Render(direction, runner_);
  if (outcome == RenderOutcome::Unfinished) {
    editing_->UpdateStatus(UnfinishedOutlineWarning());
    return true;
  }
  if (outcome == RenderOutcome::Stopped) return false;
  // A result is shown whole the first time, as a picture is when it is opened.
  if (first) ShowWhole(ResultPane(direction));
  PaintPane(ResultPane(direction));
  ShowChanges();
  return true;
}

void TMainForm::RenderBoth() {
  BerechnenBtnClick();
  Render2BtnClick();
}

void TMainForm::RenderBothIfAutomatic() {
  if (donotrendernow || !OutlinesComplete(workspace()) || !RendersAutomatically()) return;
  // Cancel stops both; a flat page's blank is not warped back into the photo.
  if (RenderResult(WarpDirection::OneIntoTwo) && !workspace().flatPage) RenderResult(WarpDirection::TwoIntoOne);
}

void TMainForm::ShoworiginalCheckClick() {
  RenderOptionClicked(&Workspace::showoriginal, frame_->ShoworiginalCheck->isChecked());
}
void TMainForm::TransCheckClick() { RenderOptionClicked(&Workspace::transparent, frame_->TransCheck->isChecked()); }
void TMainForm::PerspectiveCheckClick() {
  RenderOptionClicked(&Workspace::perspective, frame_->PerspectiveCheck->isChecked());
}

void TMainForm::RenderOptionClicked(bool Workspace::*option, bool checked) {
  const OutlineState before = CaptureState(workspace());
  workspace().*option = checked;
  editing_->OptionChanged(before);
  RenderBothIfAutomatic();
  ShowChanges();
}

void TMainForm::ShowWorkspace() {
  const Workspace& ws = workspace();
  donotrendernow = true;  // the stored results are shown, not rendered again
  frame_->ShoworiginalCheck->setChecked(ws.showoriginal);
  frame_->TransCheck->setChecked(ws.transparent);
  frame_->PerspectiveCheck->setChecked(ws.perspective);
  frame_->SmoothCheck->setChecked(ws.smooth);
  donotrendernow = false;
  frame_->RenderCheck->setChecked(ws.renderautomatically);
  for (size_t pane = 0; pane < frame_->panes.size(); ++pane) PaintPane(pane);
}

void TMainForm::ShowChanges() {
  if (!isfirst) return;  // shown with the window, once its texts are in the language in force
  for (size_t i = 0; i < 2; ++i) frame_->pictureHints[i]->setVisible(PictureMissing(i));
  setWindowTitle(QString::fromStdString(document_.Title(baseTitle_)));
  const bool flat = workspace().flatPage.has_value();
  frame_->unmadeHint->setVisible(flat);
  panes_->ShowStale(ResultPane(WarpDirection::OneIntoTwo), document_.Stale(WarpDirection::OneIntoTwo));
  panes_->ShowStale(ResultPane(WarpDirection::TwoIntoOne), !flat && document_.Stale(WarpDirection::TwoIntoOne));
  editing_->UpdateStatus();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if ((scan_ != nullptr && !scan_->MayClose()) || !files_->MayLeaveWork()) {
    event->ignore();
    return;
  }
  // Kept beside options.dat, in a file of its own: that file's layout is fixed.
  QSettings(QString::fromStdString(WindowSettingsFile(true)), QSettings::IniFormat)
      .setValue(QStringLiteral("geometry"), saveGeometry());
  event->accept();
}

void TMainForm::ScanPages() {
  if (scan_ == nullptr) {
    scan_ = new TScanDialog(this, *this, frame_->OpenDialog1->Filter.toStdString());
    // Beside the window's right edge, where its picture 2 lies: pane 1 and
    // result 1, where a page is reviewed, stay in sight.
    scan_->adjustSize();
    const QRect room = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    scan_->move(std::clamp(frame.right() - scan_->width() / 2, room.left(), room.right() - scan_->width()),
                std::clamp(frame.top(), room.top(), room.bottom() - scan_->height()));
  }
  scan_->show();
  scan_->raise();
}

bool TMainForm::ReviewPage(const std::string& photo, const std::vector<PointPress>& outline,
                           const FlattenChoices& choices) {
  // The window's own work is asked about once; from then on it shows the list's pages.
  if (!reviewing_ && !files_->MayLeaveWork()) return false;
  reviewing_ = true;
  const Outcome opened = document_.OpenPicture(0, photo, runner_);
  Guarded([&] { ShowPictureOpenFailure(photo, opened); });
  if (!opened.done()) return false;
  PlaceOutline(workspace().Side(0), outline);
  const Outcome flat = FlattenPicture1(document_, choices, runner_);
  if (flat.failed()) Tell(flat.detail, MsgIcon::Error);
  editing_->ForgetHistory();
  ShowWorkspace();
  for (const size_t pane : {size_t{0}, size_t{1}, ResultPane(WarpDirection::OneIntoTwo)}) ShowWhole(pane);
  editing_->UpdateStatus();
  ShowChanges();
  return true;
}

std::vector<PointPress> TMainForm::ReviewedOutline() const { return OutlinePresses(document_.workspace().Side(0)); }

void TMainForm::TryToOpenFile(dib* field, const std::string& fname) {
  if (!trellimap::TryToOpenFile(field, fname)) return;
  if (field == &workspace().di2) workspace().flatPage.reset();
  for (size_t side = 0; side < 2; ++side)
    if (field == &workspace().Side(side).picture) document_.NamePicture(side, fname);
}

void TMainForm::DepthUpTo(int32_t bitcount, dib* picture) { trellimap::DepthUpTo(bitcount, picture); }

void TMainForm::LoadOptions() {
  languagesetto = 0;
  language = 0;
  dontchlang = true;
  frame_->English1->setChecked(true);
  dontchlang = false;
  languagesetto = ReadOptions(GetProgramDir(false));
  dontchlang = true;
  if (languagesetto == 0) frame_->English1->setChecked(true);
  if (languagesetto == 1) frame_->Deutsch1->setChecked(true);
  dontchlang = false;
}

// Written when a language is chosen, so the choice holds even if the program
// does not end normally.
void TMainForm::SaveOptions() { WriteOptions(GetProgramDir(true), language); }

std::string TMainForm::GetProgramDir(bool create) { return DataFolder(create, progpath); }

void TMainForm::English1Click() { ChooseLanguage(frame_->English1, 0); }
void TMainForm::Deutsch1Click() { ChooseLanguage(frame_->Deutsch1, 1); }

void TMainForm::ChooseLanguage(QAction* item, int32_t column) {
  if (dontchlang) return;
  item->setChecked(true);
  language = column;
  SaveOptions();
  Guarded([&] { PutLanguageInForce(); });
  ShowChanges();
}

void TMainForm::PutLanguageInForce() {
  toolkitTexts_.Use(language == 1);
  englishTexts_.Retranslate({this, TranslateForm}, language != 0);
  baseTitle_ = windowTitle().toStdString();
  menus_->Translate();
  for (QLabel* hint : frame_->pictureHints)
    hint->setText(QString::fromStdString(TranslateUtf8("Open a picture, or drop one here")));
  frame_->unmadeHint->setText(
      QString::fromStdString(TranslateUtf8("Result 2 is not made while picture 2 is a flat page's blank.")));
  for (size_t pane = 0; pane < frame_->panes.size(); ++pane) frame_->LayOutOverPane(pane);
  // Texts of the additions, once the language is in force.
  frame_->PerspectiveCheck->setText(QString::fromStdString(TranslateUtf8("Perspective")));
  for (const Pane& p : frame_->panes) {
    p.label->adjustSize();
    p.label->setToolTip(QString::fromStdString(TranslateUtf8("Double-click: fit the picture to its pane")));
  }
  editing_->UpdateStatus();
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
