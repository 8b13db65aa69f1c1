#pragma once
// The main window: it maps the user's events to the document it owns and
// shows the document's state. The frame of controls, the editing gestures,
// the page commands and the menus are parts of their own; the handlers named
// here forward to them or to the document.

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/pixelsurface.h"
#include "document/projectdocument.h"
#include "i18n/translateunit.h"
#include "ui/edithost.h"
#include "ui/filecommands.h"
#include "ui/pagecommands.h"
#include "ui/panedisplay.h"
#include "ui/progressrunner.h"
#include "ui/scandialog.h"
#include "ui/toolkittexts.h"
#include "ui/translatewalk.h"
#include "ui/windowcommands.h"

namespace trellimap {

class CommandMenus;
class TEditGestures;
class TTranslateForm;
struct MainFrame;

// The window's size and place, kept between runs in the options' folder.
inline constexpr const char* kWindowSettingsName = "window.ini";

class TMainForm : public QMainWindow,
                  private EditHost,
                  private WindowCommands,
                  private PageHost,
                  private FileHost,
                  private ScanHost {
  Q_OBJECT
 public:
  // `arguments` are the command-line arguments after the program's name;
  // the first showing of the window opens the files they name. The program's
  // folder (where translate.dat lies) is the running program's unless given.
  explicit TMainForm(QStringList arguments, std::string programFolder = {}, QWidget* parent = nullptr);
  ~TMainForm() override;

  ProjectDocument& Document() override { return document_; }
  Workspace& workspace() { return document_.workspace(); }
  // The program's folder, ending in "/".
  const std::string& ProgramPath() const { return progpath; }

  // The methods that reach files; they delegate to the document and the core.
  void TryToOpenFile(dib* field, const std::string& fname);
  void DepthUpTo(int32_t bitcount, dib* picture);
  void OpenProjectfile(const std::string& fname) { files_->OpenProjectfile(fname); }
  void SaveProjectfile(const std::string& fname) { files_->SaveProjectfile(fname); }
  void LoadOptions();
  void SaveOptions();
  std::string GetProgramDir(bool create);

  // Buttons that open and save files.
  void BitBtn1Click() { OpenProject(); }                  // "Open project..."
  void BitBtn2Click() { SaveProjectAs(); }                // "Save project as..."
  void SaveProject() override { files_->SaveProject(); }  // to the project's file, else as "Save project as..." does
  void Open1BtnClick() { OpenPicture(0); }
  void Open2BtnClick() { OpenPicture(1); }
  void BitBtn3Click() { SaveResult(WarpDirection::OneIntoTwo); }  // "Save picture..." of result 1
  void BitBtn4Click() { SaveResult(WarpDirection::TwoIntoOne); }  // "Save picture..." of result 2

  // Painting: size the pane's drawing area to the zoomed picture, or redraw it.
  void PaintBox1Paint() { PaintPane(0); }
  void PaintBox2Paint() { PaintPane(1); }
  void PaintBox3Paint() { PaintPane(2); }
  void PaintBox4Paint() { PaintPane(3); }
  // Rendering: direction 1 into result 1, direction 2 into result 2.
  void BerechnenBtnClick() { RenderResult(WarpDirection::OneIntoTwo); }
  void Render2BtnClick() { RenderResult(WarpDirection::TwoIntoOne); }
  void ShoworiginalCheckClick();
  void TransCheckClick();
  void PerspectiveCheckClick();
  // Corner editing: a mouse press at pane position (X, Y).
  void PaintBox1MouseDown(MouseButton button, int X, int Y) { PressOnPane(0, button, X, Y); }
  void PaintBox2MouseDown(MouseButton button, int X, int Y) { PressOnPane(1, button, X, Y); }

  // The zoom in force for a pane (0 to 3), read afresh from its edit.
  int32_t PaneZoom(size_t pane) const override { return panes_->Zoom(pane); }
  // Sets a pane's zoom so that its whole picture fits the pane.
  void FitPane(size_t pane) { panes_->Fit(pane); }
  // Fits a pane whose picture is larger than it at its zoom; one that fits keeps its zoom.
  void ShowWhole(size_t pane) override { panes_->FitIfLarger(pane); }
  std::array<int32_t, 4> PaneZooms() const override { return panes_->Zooms(); }
  void ZoomPanes(const std::array<int32_t, 4>& zooms) override { panes_->SetZooms(zooms); }
  std::string WindowSettingsFile(bool create) override { return GetProgramDir(create) + kWindowSettingsName; }
  // The off-screen bitmap pane `pane` (0 to 3) was last composed into.
  const PixelSurface& PaneBitmap(size_t pane) const { return panes_->Bitmap(pane); }

  // "Find outline" and "Flatten..." (see PageCommands).
  void FindOutline() override { pages_.FindOutline(); }
  void FlattenPage() override { pages_.FlattenPage(); }
  void TurnPage(int quarters) override { pages_.TurnPage(quarters); }
  void GiveLook(Look look) override { pages_.GiveLook(look); }

  // Shows the workspace as it stands: option boxes (without rendering) and all panes.
  void ShowWorkspace() override;
  // The title, the results' out-of-date marks and the status bar after a change.
  void ShowChanges() override;
  // Both directions, when both outlines are complete and "Render automatically" is on.
  void RenderBothIfAutomatic() override;

 protected:
  void showEvent(QShowEvent* event) override;
  // Unsaved changes are asked about first.
  void closeEvent(QCloseEvent* event) override;
  // Files dropped on the window open as the buttons open them.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void FormResize();
  void Panel1Resize();
  void Panel3Resize();
  void English1Click();
  void Deutsch1Click();
  void bersetzen1Click();
  void ConnectControls();
  void ConnectPanes();
  // An option box that shapes a render and is undoable: the option takes the
  // box's state as one step, and the results follow.
  void RenderOptionClicked(bool Workspace::*option, bool checked);
  // The Language menu's `item` was chosen, for the table's column `column`:
  // every text of the window changes at once.
  void ChooseLanguage(QAction* item, int32_t column);
  // Every text in the language in force: Qt's own, the components', the additions'.
  void PutLanguageInForce();
  void TellToRestart();
  void PaintPane(size_t pane) { panes_->Paint(pane); }
  void PressOnPane(size_t pane, MouseButton button, int X, int Y);
  // Renders one direction with progress and Cancel, and shows it in its
  // result pane; false when cancelled.
  bool RenderResult(WarpDirection direction) override;

  // The menus' commands.
  void OpenProject() override { files_->OpenProject(); }
  void SaveProjectAs() override { files_->SaveProjectAs(); }
  void OpenPicture(size_t side) override { files_->OpenPicture(side); }
  void SaveResult(WarpDirection direction) override { files_->SaveResult(direction); }
  void MakeMockups() override { files_->MakeMockups(); }
  // "Scan pages...": the list of pages, made at the first asking, shown beside the window.
  void ScanPages() override;
  void Quit() override { close(); }
  void Undo() override;
  void Redo() override;
  void RemoveLastPoint() override;
  void RemoveSelectedPoint() override;

  // What the edit gestures and the page commands ask of the window.
  Workspace& EditedWorkspace() override { return document_.workspace(); }
  void ClickPicture(size_t pane, MouseButton button, int x, int y) override { PressOnPane(pane, button, x, y); }
  void RepaintPane(size_t pane) override { PaintPane(pane); }
  void RenderBoth() override;
  bool RendersAutomatically() const override;
  bool SettingOptions() const override { return donotrendernow; }
  bool PointerOver(size_t pane) const override { return panes_->PointerOver(pane); }
  bool PictureMissing(size_t pane) const override;
  void WorkspaceChanged() override { ShowChanges(); }
  std::vector<std::string> StatusNotes() const override { return document_.Notes(); }
  void ShowLoupe(size_t pane, int32_t x, int32_t y, int pointerX, int pointerY) override {
    panes_->ShowLoupe(pane, x, y, pointerX, pointerY);
  }
  void HideLoupe() override { panes_->HideLoupe(); }
  void PictureSwapped(size_t side) override { document_.PictureReplaced(side); }
  QStatusBar* StatusBar() override { return statusBar(); }
  WorkRunner& Runner() override { return runner_; }
  size_t CommandPane() const override;
  TEditGestures& Editing() override { return *editing_; }
  QWidget* DialogParent() override { return this; }

  // What the list of scanned pages asks of the window.
  bool ReviewPage(const std::string& photo, const std::vector<PointPress>& outline,
                  const FlattenChoices& choices) override;
  std::vector<PointPress> ReviewedOutline() const override;

  ProjectDocument document_;
  std::unique_ptr<MainFrame> frame_;
  TEditGestures* editing_ = nullptr;  // dragging, undo and redo, the editing keys and the status bar
  CommandMenus* menus_ = nullptr;     // File, Edit and Help
  std::unique_ptr<PaneDisplay> panes_;
  std::unique_ptr<FileCommands> files_;
  PageCommands pages_{*this};
  TScanDialog* scan_ = nullptr;  // the list of scanned pages, once asked for
  bool reviewing_ = false;       // the window shows a page of that list, its own work given up
  DialogRunner runner_{this};
  TTranslateForm* TranslateForm = nullptr;  // the translation editor, hidden until asked for
  bool dontchlang = false;
  bool donotrendernow = false;
  bool isfirst = false;
  int32_t& language = CurrentLanguage();  // the column every lookup uses
  int32_t languagesetto = 0;
  std::string progpath;  // the program's folder, ending in "/"

  std::string baseTitle_ = "Vandoriq Trellimap 1.0";  // in the language in force
  uint32_t startPicture_[2] = {0, 0};                 // the handles of the empty pictures of the start
  size_t lastPointerPane_ = 0;                        // the picture pane the pointer entered last
  ToolkitTexts toolkitTexts_;                         // Qt's own texts in the language in force
  ComponentTexts englishTexts_;                       // the components' texts before any translation
  QStringList arguments_;
  std::string programFolder_;
};

}  // namespace trellimap
