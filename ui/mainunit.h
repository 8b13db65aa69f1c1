#pragma once
// The main window: owner of the workspace, its frame, top bar, menu, dialogs
// and the four panes. Its handlers are thin and delegate to the core.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>
#include <QTranslator>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/pixelsurface.h"
#include "foundation/progress.h"
#include "i18n/translateunit.h"
#include "ui/editgestures.h"
#include "ui/edithost.h"
#include "ui/filedialog.h"
#include "ui/loupeview.h"
#include "ui/panes.h"
#include "ui/translatefunit.h"
#include "workspace/changetracker.h"
#include "workspace/workspace.h"

namespace trellimap {

class CommandMenus;

// The window's size and place, kept between runs in the options' folder.
inline constexpr const char* kWindowSettingsName = "window.ini";

class TMainForm : public QMainWindow, private EditHost {
  Q_OBJECT
 public:
  // `arguments` are the command-line arguments after the program's name;
  // the first showing of the window opens the files they name. The program's
  // folder (where translate.dat lies) is the running program's unless given.
  explicit TMainForm(QStringList arguments, std::string programFolder = {}, QWidget* parent = nullptr);
  ~TMainForm() override;

  Workspace& workspace() { return *ws; }

  // The methods that reach files; they delegate to the core.
  void TryToOpenFile(dib* field, const std::string& fname);
  void DepthUpTo(int32_t bitcount, dib* picture);
  void OpenProjectfile(const std::string& fname);
  void SaveProjectfile(const std::string& fname);
  void LoadOptions();
  void SaveOptions();
  std::string GetProgramDir(bool create);

  // Buttons that open and save files.
  void BitBtn1Click();  // "Open project..."
  void BitBtn2Click();  // "Save project as..."
  void SaveProject();   // to the project's file, else as "Save project as..." does
  void Open1BtnClick();
  void Open2BtnClick();
  void BitBtn3Click();  // "Save picture..." of result 1
  void BitBtn4Click();  // "Save picture..." of result 2

  // Painting: size the pane's drawing area to the zoomed picture, or redraw it.
  void PaintBox1Paint() { PaintPane(0); }
  void PaintBox2Paint() { PaintPane(1); }
  void PaintBox3Paint() { PaintPane(2); }
  void PaintBox4Paint() { PaintPane(3); }
  // Rendering: direction 1 into result 1, direction 2 into result 2.
  void BerechnenBtnClick();
  void Render2BtnClick();
  void ShoworiginalCheckClick();
  void TransCheckClick();
  void PerspectiveCheckClick();
  // Corner editing: a mouse press at pane position (X, Y).
  void PaintBox1MouseDown(MouseButton button, int X, int Y) { PressOnPane(0, button, X, Y); }
  void PaintBox2MouseDown(MouseButton button, int X, int Y) { PressOnPane(1, button, X, Y); }

  // The zoom in force for a pane (0 to 3), read afresh from its edit.
  int32_t PaneZoom(size_t pane) const override;
  // Sets a pane's zoom so that its whole picture fits the pane.
  void FitPane(size_t pane);
  // Ctrl+wheel over a pane: `notches` steps in or out, keeping the picture
  // point under (x, y) of the drawing area in place.
  void WheelZoomPane(size_t pane, int notches, int x, int y);

  // "Find outline": the outline of the picture pane under the pointer (else
  // the one the pointer was over last, else picture 1) becomes the page found
  // in its picture, as one step; a message when no page stands out.
  void FindOutline();
  // "Flatten...": asks for the page's size, then makes picture 2 a blank page
  // of that size with outline 2 on its corners, Perspective and Smooth on, as
  // one step, and renders result 1. Needs outline 1 complete.
  void FlattenPage();

  // Shows the workspace as it stands: option boxes (without rendering) and all panes.
  void ShowWorkspace() override;
  // Both directions, when both outlines are complete and "Render automatically" is on.
  void RenderBothIfAutomatic() override;

  // Dragging, undo and redo, the editing keys and the status bar.
  TEditGestures* Editing = nullptr;
  // File, Edit and Help.
  CommandMenus* Menus = nullptr;

  // Workspace held for the window's whole life (di1 … di4, outlines, options).
  std::unique_ptr<Workspace> ws;
  // Off-screen bitmaps of panes 1, 2, 3 and 4.
  PixelSurface bit0, bit2, bit3, bit4;
  bool dontchlang = false;
  bool donotrendernow = false;
  bool isfirst = false;
  int32_t& language = CurrentLanguage();  // the column every lookup uses
  int32_t languagesetto = 0;
  TTranslateForm* TranslateForm = nullptr;  // the translation editor, hidden until asked for
  std::string progpath;                     // the program's folder, ending in "/"

  // Top bar.
  QWidget* Panel2 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
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
  QToolButton* FitBtn[2] = {nullptr, nullptr};  // beside the zoom edits of the picture panes
  // Menu.
  QMenu* Language1 = nullptr;
  QAction* English1 = nullptr;
  QAction* Deutsch1 = nullptr;
  QAction* N1 = nullptr;
  QAction* bersetzen1 = nullptr;
  // Dialogs.
  TFileDialog* OpenDialog1 = nullptr;
  TFileDialog* OpenDialog2 = nullptr;
  TFileDialog* SaveDialog1 = nullptr;
  TFileDialog* SaveDialog2 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  // Unsaved changes are asked about first.
  void closeEvent(QCloseEvent* event) override;
  // Files dropped on the window open as the buttons open them.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // One of the boxes whose option shapes a render and is undoable: the option
  // takes the box's state as one step, and the results follow.
  void RenderOptionClicked(bool Workspace::*option, const QCheckBox* box);
  void BuildFrame();
  void BuildTopBar(QWidget* client);
  void BuildMenu();
  void BuildDialogs();
  void FormCreate();
  void FormShow();
  void FormResize();
  void Panel1Resize();
  void Panel3Resize();
  void English1Click();
  void Deutsch1Click();
  void bersetzen1Click();
  void ChooseLanguage(QAction* item, int32_t column);
  void TellToRestart();
  void ConnectPanes();
  void PaintPane(size_t pane);
  // What the edit gestures ask of the window.
  Workspace& EditedWorkspace() override { return *ws; }
  void ClickPicture(size_t pane, MouseButton button, int x, int y) override { PressOnPane(pane, button, x, y); }
  void RepaintPane(size_t pane) override { PaintPane(pane); }
  void RenderBoth() override;
  bool RendersAutomatically() const override { return RenderCheck->isChecked(); }
  bool SettingOptions() const override { return donotrendernow; }
  bool PointerOver(size_t pane) const override;
  bool PictureMissing(size_t pane) const override { return ws->Side(pane).picture.poih == startPicture_[pane]; }
  // An empty picture pane says how to fill it, and a click on it opens a picture.
  void ShowPictureHints();
  void WorkspaceChanged() override { ShowChanges(); }
  std::vector<std::string> StatusNotes() const override;
  void ShowLoupe(size_t pane, int32_t x, int32_t y, int pointerX, int pointerY) override;
  void HideLoupe() override;
  void PictureSwapped(size_t side) override { changes_.PictureReplaced(side); }
  // The picture pane a command from the menu or a key acts on.
  size_t CommandPane() const;
  // The title, the results' out-of-date marks and the status bar after a change.
  void ShowChanges();
  // Asks what to do with unsaved changes; false when the user keeps the work (or its save failed).
  bool MayLeaveWork();
  // The project dialogs start in the folder of the project opened or saved last.
  void RememberProjectFolder();
  // The file `direction`'s result is named after: the project, else the picture it is drawn on.
  const std::string& ResultNamesake(WarpDirection direction) const;
  // The name "Save picture..." proposes for `direction`'s result.
  std::string ResultName(WarpDirection direction) const;
  QStatusBar* StatusBar() override { return statusBar(); }
  // Runs `work` on a worker thread, with a progress dialog saying `doing`
  // (through the translation table) when it takes longer than a moment.
  bool RunWork(const char* doing, const std::function<bool(Progress&)>& work);
  // `area` in device pixels, `scale` to a pane pixel.
  const PixelSurface* ComposeArea(size_t pane, const PaneArea& area, int32_t scale);
  void PressOnPane(size_t pane, MouseButton button, int X, int Y);
  void BuildEditing();
  // Qt's own texts in German while German is in force; otherwise its English.
  void UseToolkitTexts(bool german);
  void OpenPicture(size_t pane);
  // Picture pane `pane` (0 or 1) loads `fname` and is repainted.
  void LoadPicture(size_t pane, const std::string& fname);
  // Renders one direction with progress and Cancel, and shows it in its result pane;
  // false when cancelled.
  bool RenderResult(WarpDirection direction);
  // "Save picture..." of a result; one not rendered from what is shown now is asked about first.
  void SavePicture(WarpDirection direction);
  PixelSurface& PaneBitmap(size_t pane);

  QWidget* client_ = nullptr;
  ChangeTracker changes_;
  std::string projectFile_;                           // the project opened or saved last; empty for none
  std::string pictureFile_[2];                        // the files pictures 1 and 2 were loaded from, if any
  std::string baseTitle_ = "Vandoriq Trellimap 1.0";  // in the language in force
  bool shownStale_[2] = {false, false};               // by direction, as the result panes show it
  uint32_t startPicture_[2] = {0, 0};                 // the handles of the empty pictures of the start
  QLabel* pictureHint_[2] = {nullptr, nullptr};
  TLoupeView* loupe_[2] = {nullptr, nullptr};
  size_t lastPointerPane_ = 0;  // the picture pane the pointer entered last
  std::unique_ptr<QTranslator> toolkitTexts_;
  QStringList arguments_;
  std::string programFolder_;
};

}  // namespace trellimap
