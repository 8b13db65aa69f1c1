#include "ui/translatefunit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QTableWidgetItem>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "foundation/messagebox.h"
#include "i18n/translateunit.h"
#include "ui/guarded.h"
#include "ui/named.h"
#include "ui/windowfont.h"

namespace trellimap {
namespace {

constexpr int kColumnWidth = 250;
constexpr int kRowHeight = 24;
constexpr int kPanel1Height = 35;
constexpr int kPanel2Height = 40;
constexpr int kStatusBarHeight = 19;
constexpr int kFixedColCheckWidth = 161;
constexpr int kSaveDelayMs = 1000;

QPushButton* Button(const QString& caption, QWidget* panel, const char* name, QRect geometry) {
  auto* button = Named(new QPushButton(caption, panel), name);
  button->setGeometry(geometry);
  // No button is the dialog's default: Enter in the grid or the search field
  // must not close the window or delete a row.
  button->setAutoDefault(false);
  return button;
}

// Upper case for the search: only a to z change, every other character
// (umlauts included) must match exactly.
QString UpperAToZ(QString text) {
  for (QChar& ch : text) {
    if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) ch = QChar(ch.unicode() - ('a' - 'A'));
  }
  return text;
}

QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }

}  // namespace

TTranslateForm::TTranslateForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TranslateForm"));
  setWindowTitle(QStringLiteral("Translate"));
  setFont(WindowFont());
  BuildPanels();

  StringGrid1 = Named(new TStringGrid(kLanguageColumns, kColumnWidth, kRowHeight, this), "StringGrid1");
  for (int c = 0; c < kLanguageColumns; ++c) {
    auto* title = new QTableWidgetItem();
    title->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    StringGrid1->setItem(0, c, title);
  }
  StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
  StatusBar1->setFixedHeight(kStatusBarHeight);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(Panel2);
  layout->addWidget(StringGrid1, 1);
  layout->addWidget(StatusBar1);

  Timer1 = Named(new QTimer(this), "Timer1");
  Timer1->setInterval(kSaveDelayMs);

  connect(BackBtn, &QPushButton::clicked, this, &TTranslateForm::BackBtnClick);
  connect(FilterBtn, &QPushButton::clicked, this, &TTranslateForm::FilterBtnClick);
  connect(DeleteRowBtn, &QPushButton::clicked, this, &TTranslateForm::DeleteRowBtnClick);
  connect(FixedColCheck, &QCheckBox::toggled, this, &TTranslateForm::FixedColCheckClick);
  connect(StringGrid1, &TStringGrid::EditTextChanged, this, &TTranslateForm::StringGrid1SetEditText);
  connect(Timer1, &QTimer::timeout, this, &TTranslateForm::Timer1Timer);
  StringGrid1->installEventFilter(this);

  resize(kTranslateClientWidth, kTranslateClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

TTranslateForm::~TTranslateForm() {
  // The children are destroyed after this part of the window: nothing they do
  // on the way may reach its handlers.
  StringGrid1->removeEventFilter(this);
  Panel2->removeEventFilter(this);
  disconnect(StringGrid1, nullptr, this, nullptr);
}

void TTranslateForm::BuildPanels() {
  QStyle* style = QApplication::style();
  Panel1 = Named(new QWidget(this), "Panel1");
  Panel1->setFixedHeight(kPanel1Height);
  BackBtn = Button(QStringLiteral("Back..."), Panel1, "BackBtn", {8, 5, 97, 25});
  BackBtn->setIcon(style->standardIcon(QStyle::SP_ArrowBack));
  Button1 = Button(QStringLiteral("Extract strings for translation"), Panel1, "Button1", {112, 5, 185, 25});
  Button1->hide();
  Button2 = Button(QStringLiteral("Button2"), Panel1, "Button2", {304, 5, 75, 25});
  Button2->hide();

  Panel2 = Named(new QWidget(this), "Panel2");
  Panel2->setFixedHeight(kPanel2Height);
  FilterEdit = Named(new QLineEdit(Panel2), "FilterEdit");
  FilterEdit->setGeometry(8, 10, 153, 21);
  FilterBtn = Button(QStringLiteral("Find"), Panel2, "FilterBtn", {168, 8, 81, 25});
  FilterBtn->setIcon(style->standardIcon(QStyle::SP_FileDialogContentsView));
  DeleteRowBtn = Button(QStringLiteral("Delete row"), Panel2, "DeleteRowBtn", {256, 8, 105, 25});
  DeleteRowBtn->setIcon(style->standardIcon(QStyle::SP_TrashIcon));
  FixedColCheck = Named(new QCheckBox(QStringLiteral("First column is fixed"), Panel2), "FixedColCheck");
  Panel2->installEventFilter(this);
  PlaceFixedColCheck();
}

// The check box keeps to the right edge of its strip.
void TTranslateForm::PlaceFixedColCheck() {
  FixedColCheck->setGeometry(Panel2->width() - 8 - kFixedColCheckWidth, 12, kFixedColCheckWidth, 17);
}

bool TTranslateForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel2 && event->type() == QEvent::Resize) PlaceFixedColCheck();
  if (watched == StringGrid1 && event->type() == QEvent::KeyPress &&
      StringGrid1KeyDown(static_cast<QKeyEvent*>(event)->key()))
    return true;
  return QDialog::eventFilter(watched, event);
}

void TTranslateForm::FillStringGrid() {
  // An open editor holds nothing the table lacks; closing it first keeps it
  // from writing into a cell that now shows another row.
  StringGrid1->CommitEditor();
  const int32_t rows = TranslationRowCount();
  StringGrid1->setRowCount(rows + 1);
  auto put = [this](int row, int column, const QString& text) {
    if (QTableWidgetItem* cell = StringGrid1->item(row, column))
      cell->setText(text);
    else
      StringGrid1->setItem(row, column, new QTableWidgetItem(text));
  };
  for (int32_t c = 0; c < kLanguageColumns; ++c) put(0, c, ToQString(LanguageColumnName(c)));
  for (int32_t i = 0; i < rows; ++i) {
    for (int32_t c = 0; c < kLanguageColumns; ++c) put(i + 1, c, ToQString(TranslationCell(i, c)));
  }
}

void TTranslateForm::StringGrid1SetEditText(int ACol, int ARow, const QString& Value) {
  if (ARow >= 1 && ARow <= TranslationRowCount() && ACol >= 0 && ACol < kLanguageColumns)
    SetTranslationCell(ARow - 1, ACol, Value.toStdU16String());
  Timer1->start();  // restarts a running timer: the save follows one second after the last change
}

void TTranslateForm::Timer1Timer() {
  Timer1->stop();
  Guarded([] { SaveTranslations(); });
}

void TTranslateForm::FormClose() {
  if (!Timer1->isActive()) return;
  Timer1->stop();
  Guarded([] { SaveTranslations(); });
}

void TTranslateForm::closeEvent(QCloseEvent* event) {
  FormClose();
  QDialog::closeEvent(event);
  event->accept();
}

void TTranslateForm::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TTranslateForm::BackBtnClick() { close(); }

void TTranslateForm::FixedColCheckClick() { StringGrid1->SetFixedCols(FixedColCheck->isChecked() ? 1 : 0); }

void TTranslateForm::FilterBtnClick() {
  StringGrid1->CommitEditor();
  const QString search = UpperAToZ(FilterEdit->text());
  if (search.isEmpty()) return;
  for (int row = 0; row < StringGrid1->rowCount(); ++row) {
    for (int column = 0; column < StringGrid1->columnCount(); ++column) {
      const QTableWidgetItem* cell = StringGrid1->item(row, column);
      if (!cell || !UpperAToZ(cell->text()).contains(search)) continue;
      StringGrid1->SelectAndShowAtTopLeft(row, column);
      if (!AskToGoOn(FilterEdit->text())) return;
    }
  }
}

bool TTranslateForm::AskToGoOn(const QString& search) {
  bool goOn = false;
  Guarded([&] {
    const std::string text = TranslateFormat("Found \"%1\". Continue searching?", {search.toStdString()});
    goOn = ShowMessage(text, TranslateUtf8("Find"), MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes;
  });
  return goOn;
}

void TTranslateForm::DeleteRowBtnClick() {
  StringGrid1->CommitEditor();
  const int row = StringGrid1->currentRow();
  const int column = std::max(StringGrid1->currentColumn(), 0);
  if (row >= 1 && row <= TranslationRowCount()) {
    Guarded([&] {
      const std::string english = Utf8(TranslationCell(row - 1, 0));
      if (ShowMessage(english, TranslateUtf8("Delete row"), MsgIcon::Question, MsgButtons::YesNoCancel) ==
          MsgAnswer::Yes)
        DeleteTranslationRow(row - 1);
    });
  }
  Guarded([] { SaveTranslations(); });
  FillStringGrid();
  if (row >= 0 && row < StringGrid1->rowCount()) StringGrid1->setCurrentCell(row, column);
}

bool TTranslateForm::StringGrid1KeyDown(int key) {
  if (key != Qt::Key_Delete || StringGrid1->IsEditing()) return false;
  DeleteRowBtnClick();
  return true;
}

// Esc activates the cancel button, Delete row, instead of closing the window.
void TTranslateForm::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel)) {
    DeleteRowBtn->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace trellimap
