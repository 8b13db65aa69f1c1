#pragma once
// The translation editor: the whole translation table as a grid (row 0 the
// language names, grid row r table row r - 1, grid column c language c), where
// the user types translations, searches all cells and deletes rows. Every edit
// goes into the table at once; translate.dat is written one second after the
// last edit, when the window closes with an edit not yet written, and after
// every use of Delete row.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

#include "ui/stringgrid.h"

namespace trellimap {

class TTranslateForm : public QDialog {
  Q_OBJECT
 public:
  explicit TTranslateForm(QWidget* parent = nullptr);
  ~TTranslateForm() override;

  // Shows the table as it is now; called before the window is shown.
  void FillStringGrid();

  void BackBtnClick();
  // Find: every cell containing FilterEdit's text (only a to z fold case),
  // header row first, each asking whether to go on.
  void FilterBtnClick();
  // Asks before deleting the current row's table row; always saves and refills.
  void DeleteRowBtnClick();
  void FixedColCheckClick();
  // The editor of cell (ACol, ARow) now holds Value.
  void StringGrid1SetEditText(int ACol, int ARow, const QString& Value);
  void Timer1Timer();
  void FormClose();

  // Closing by any means (close box, Back, done) runs FormClose; it is never refused.
  void done(int result) override;

  QWidget* Panel1 = nullptr;
  QPushButton* BackBtn = nullptr;
  QPushButton* Button1 = nullptr;  // never shown
  QPushButton* Button2 = nullptr;  // never shown
  QWidget* Panel2 = nullptr;
  QLineEdit* FilterEdit = nullptr;
  QPushButton* FilterBtn = nullptr;
  QPushButton* DeleteRowBtn = nullptr;  // the window's cancel button: Esc activates it
  QCheckBox* FixedColCheck = nullptr;
  TStringGrid* StringGrid1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QTimer* Timer1 = nullptr;  // one second after the last edit

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPanels();
  // The Delete key acts as Delete row while no cell is being edited.
  bool StringGrid1KeyDown(int key);
  void PlaceFixedColCheck();
  bool AskToGoOn(const QString& search);
};

// The client area of the window.
inline constexpr int kTranslateClientWidth = 705;
inline constexpr int kTranslateClientHeight = 453;

}  // namespace trellimap
