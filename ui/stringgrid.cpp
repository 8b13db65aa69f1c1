#include "ui/stringgrid.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QWheelEvent>
#include <algorithm>

namespace trellimap {
namespace {

void SetSectionSizes(QTableView* view, int columnWidth, int rowHeight) {
  for (QHeaderView* sections : {view->horizontalHeader(), view->verticalHeader()}) {
    sections->hide();
    sections->setMinimumSectionSize(1);
    sections->setSectionResizeMode(QHeaderView::Fixed);
  }
  view->horizontalHeader()->setDefaultSectionSize(columnWidth);
  view->verticalHeader()->setDefaultSectionSize(rowHeight);
  view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}

// A view of the grid's own cells laid over one edge of its viewport. It only
// shows: it never scrolls by itself (the grid sets its position), takes no
// focus and no editing, and the mouse cannot pick its cells, as fixed cells
// are not picked; the wheel scrolls the grid underneath.
class FixedPart final : public QTableView {
 public:
  FixedPart(QTableView* grid, int columnWidth, int rowHeight) : QTableView(grid), grid_(grid) {
    setModel(grid->model());
    setSelectionModel(grid->selectionModel());
    SetSectionSizes(this, columnWidth, rowHeight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setEditTriggers(NoEditTriggers);
    setAutoScroll(false);
    setWordWrap(grid->wordWrap());
    QPalette colours = palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Button));
    colours.setColor(QPalette::Text, colours.color(QPalette::ButtonText));
    setPalette(colours);
  }

  void scrollTo(const QModelIndex& /*index*/, ScrollHint /*hint*/) override {}

 protected:
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
  void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
  void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
  void wheelEvent(QWheelEvent* event) override { QCoreApplication::sendEvent(grid_->viewport(), event); }

 private:
  QTableView* grid_;
};

// Scrolls one axis so that section `index` lies in the part of the viewport
// (of length `extent`) that the fixed part of length `covered` leaves free; at
// the start of that part when `atStart`. A fixed section is always in view.
void ScrollAxis(QScrollBar* bar, const QHeaderView* sections, int index, bool fixed, int covered, int extent,
                bool atStart) {
  if (fixed) {
    if (atStart) bar->setValue(0);
    return;
  }
  const int start = sections->sectionPosition(index);
  const int end = start + sections->sectionSize(index);
  int value = bar->value();
  if (atStart || start - covered < value)
    value = start - covered;
  else if (end > value + extent)
    value = end - extent;
  bar->setValue(std::max(value, 0));
}

}  // namespace

// The default line editor, reporting every change the user makes to its text,
// and the text the cell keeps when an edit is abandoned.
class TStringGrid::Delegate final : public QStyledItemDelegate {
 public:
  explicit Delegate(TStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      const QPersistentModelIndex cell(index);
      connect(line, &QLineEdit::textEdited, grid_, [grid = grid_, cell](const QString& text) {
        if (cell.isValid()) emit grid->EditTextChanged(cell.column(), cell.row(), text);
      });
    }
    open_ = editor;
    return editor;
  }

  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    // A committed edit has put the editor's text into the cell; one abandoned
    // (Esc) leaves the cell's old text, which the listener must get back.
    const auto* line = qobject_cast<QLineEdit*>(editor);
    if (line && index.isValid()) {
      const QString kept = index.data(Qt::EditRole).toString();
      if (line->text() != kept) emit grid_->EditTextChanged(index.column(), index.row(), kept);
    }
    if (open_ == editor) open_ = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
  }

  QWidget* OpenEditor() const { return open_; }

 private:
  TStringGrid* grid_;
  mutable QPointer<QWidget> open_;
};

TStringGrid::TStringGrid(int columns, int columnWidth, int rowHeight, QWidget* parent) : QTableWidget(parent) {
  SetSectionSizes(this, columnWidth, rowHeight);
  setColumnCount(columns);
  setRowCount(1);
  setSelectionMode(ContiguousSelection);
  setSelectionBehavior(SelectItems);
  setWordWrap(false);
  setItemDelegate(new Delegate(this));

  headerRow_ = new FixedPart(this, columnWidth, rowHeight);
  fixedColumn_ = new FixedPart(this, columnWidth, rowHeight);
  corner_ = new FixedPart(this, columnWidth, rowHeight);
  fixedColumn_->hide();
  corner_->hide();
  viewport()->stackUnder(headerRow_);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &TStringGrid::SyncFixedParts);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TStringGrid::SyncFixedParts);
  for (QTableView* part : {headerRow_, fixedColumn_}) {
    connect(part->horizontalScrollBar(), &QScrollBar::rangeChanged, this, &TStringGrid::SyncFixedParts);
    connect(part->verticalScrollBar(), &QScrollBar::rangeChanged, this, &TStringGrid::SyncFixedParts);
  }
}

void TStringGrid::SetFixedCols(int count) {
  fixedCols_ = count > 0 ? 1 : 0;
  PlaceFixedParts();
}

bool TStringGrid::IsFixedCell(const QModelIndex& index) const {
  return index.row() == 0 || (fixedCols_ == 1 && index.column() == 0);
}

void TStringGrid::SelectAndShowAtTopLeft(int row, int column) {
  setCurrentCell(row, column, QItemSelectionModel::ClearAndSelect);
  scrollTo(model()->index(row, column), PositionAtTop);
}

void TStringGrid::CommitEditor() {
  QWidget* editor = static_cast<Delegate*>(itemDelegate())->OpenEditor();
  if (!editor) return;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool TStringGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (IsFixedCell(index)) return false;
  return QTableWidget::edit(index, trigger, event);
}

// Row 0, and column 0 while it is fixed, cover the viewport's edges: a cell is
// in view only in the rest. PositionAtTop brings the cell to the top left of
// that rest; every other hint only makes the cell visible.
void TStringGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid() || index.model() != model()) return;
  const bool atTopLeft = hint == PositionAtTop;
  const int headerHeight = rowHeight(0);
  const int fixedWidth = fixedCols_ == 1 ? columnWidth(0) : 0;
  ScrollAxis(verticalScrollBar(), verticalHeader(), index.row(), index.row() == 0, headerHeight, viewport()->height(),
             atTopLeft);
  ScrollAxis(horizontalScrollBar(), horizontalHeader(), index.column(), fixedCols_ == 1 && index.column() == 0,
             fixedWidth, viewport()->width(), atTopLeft);
  update(index);
}

// The keyboard moves only among the cells that are not fixed.
QModelIndex TStringGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  const QModelIndex next = QTableWidget::moveCursor(cursorAction, modifiers);
  if (!next.isValid()) return next;
  const int row = next.row() == 0 && rowCount() > 1 ? 1 : next.row();
  const int column = fixedCols_ == 1 && next.column() == 0 && columnCount() > 1 ? 1 : next.column();
  return model()->index(row, column);
}

void TStringGrid::updateGeometries() {
  QTableWidget::updateGeometries();
  PlaceFixedParts();
}

void TStringGrid::PlaceFixedParts() {
  if (!corner_) return;  // still being built
  const QRect area = viewport()->geometry();
  const int height = rowCount() > 0 ? std::min(rowHeight(0), area.height()) : 0;
  const int width = columnCount() > 0 ? std::min(columnWidth(0), area.width()) : 0;
  const bool columnFixed = fixedCols_ == 1 && width > 0;
  headerRow_->setGeometry(area.x(), area.y(), area.width(), height);
  headerRow_->setVisible(height > 0);
  fixedColumn_->setGeometry(area.x(), area.y(), width, area.height());
  fixedColumn_->setVisible(columnFixed);
  corner_->setGeometry(area.x(), area.y(), width, height);
  corner_->setVisible(columnFixed && height > 0);
  corner_->raise();
  SyncFixedParts();
}

// The header row follows the grid sideways, the fixed column up and down.
void TStringGrid::SyncFixedParts() {
  headerRow_->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
  headerRow_->verticalScrollBar()->setValue(0);
  fixedColumn_->horizontalScrollBar()->setValue(0);
  fixedColumn_->verticalScrollBar()->setValue(verticalScrollBar()->value());
  corner_->horizontalScrollBar()->setValue(0);
  corner_->verticalScrollBar()->setValue(0);
}

}  // namespace trellimap
