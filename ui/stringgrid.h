#pragma once
// A grid of text cells whose row 0 is a fixed header row: it stays at the top
// while the grid scrolls down, cannot be edited and is drawn like a header.
// Optionally the first column is fixed too: it stays at the left while the
// grid scrolls sideways and its cells cannot be edited.
//
// Row 0 and column 0 are ordinary rows and columns of the table (row 0 holds
// the column titles as cell texts); the fixed parts are drawn by views of the
// same cells laid over the edges of the grid's viewport, sharing its selection.

#include <QTableView>
#include <QTableWidget>

namespace trellimap {

class TStringGrid : public QTableWidget {
  Q_OBJECT
 public:
  TStringGrid(int columns, int columnWidth, int rowHeight, QWidget* parent = nullptr);

  // 0 or 1: whether column 0 is fixed.
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int count);

  // Selects the single cell (row, column), makes it current and scrolls so that
  // it is the first cell visible below and right of the fixed parts.
  void SelectAndShowAtTopLeft(int row, int column);

  // Whether a cell editor is open.
  bool IsEditing() const { return state() == EditingState; }
  // Closes an open cell editor, keeping its text in the cell.
  void CommitEditor();

 signals:
  // The text in the editor of cell (row, column) changed: once per keystroke or
  // other change by the user, and once more when an edit is abandoned with the
  // text the cell keeps.
  void EditTextChanged(int column, int row, const QString& text);

 protected:
  using QTableWidget::edit;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  void updateGeometries() override;

 private:
  class Delegate;
  bool IsFixedCell(const QModelIndex& index) const;
  void PlaceFixedParts();
  void SyncFixedParts();

  int fixedCols_ = 0;
  // The fixed parts: views of the header row, of column 0 and of the corner
  // cell where they meet (the last two shown only while column 0 is fixed).
  QTableView* headerRow_ = nullptr;
  QTableView* fixedColumn_ = nullptr;
  QTableView* corner_ = nullptr;
};

}  // namespace trellimap
