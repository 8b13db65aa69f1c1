#include "ui/translatefunit.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "i18n/translateunit.h"
#include "tests/support/recordingmessages.h"

namespace trellimap {
namespace {

// English and German texts of the starting table. The window's own questions
// are worded there already, so asking them records no new row.
const std::vector<std::pair<const char*, const char*>> kRows = {
    {"Output", "Ausgabe gut"},
    {"Good", "Gut"},
    {"Übersetzen...", ""},
    {"Open", "Öffnen"},
    {"Find", "Suchen"},
    {"Delete row", "Zeile löschen"},
    {"Found \"%1\". Continue searching?", "\"%1\" gefunden. Weitersuchen?"},
    {"Last", "Letzte"},
};

// The editor shown over a table of its own folder, with "Row n" rows after
// kRows. translate.dat is removed after each look, so its presence means a save.
struct Editor {
  explicit Editor(int fillerRows = 0) {
    CurrentLanguage() = 0;
    InitTranslation(Folder());
    auto add = [](const std::string& english, const std::string& german) {
      TranslateString(Utf16(english));  // records the row
      SetTranslationCell(TranslationRowCount() - 1, 1, Utf16(german));
    };
    for (const auto& [english, german] : kRows) add(english, german);
    for (int i = 0; i < fillerRows; ++i) add("Row " + std::to_string(i), "");
    if (fillerRows > 40) SetTranslationCell(40, 7, u"needle");
    ForgetSave();
    form.FillStringGrid();
    form.show();
    exposed = QTest::qWaitForWindowExposed(&form);
  }

  std::string Folder() const { return dir.path().toStdString() + "/"; }
  bool Saved() const { return std::filesystem::exists(Folder() + "translate.dat"); }
  void ForgetSave() const { std::filesystem::remove(Folder() + "translate.dat"); }
  QLineEdit* CellEditor() const { return grid->viewport()->findChild<QLineEdit*>(); }
  void Find(const QString& search, std::deque<MsgAnswer> answers) {
    messages.shown.clear();
    messages.answers = std::move(answers);
    form.FilterEdit->setText(search);
    form.FilterBtn->click();
  }
  // The cell the user sees at a point of the grid's viewport, whichever view draws it.
  QModelIndex ShownAt(QPoint inViewport) const {
    const QPoint at = grid->viewport()->mapTo(grid, inViewport);
    QWidget* shown = grid->childAt(at);
    auto* view = shown ? qobject_cast<QAbstractItemView*>(shown->parentWidget()) : nullptr;
    return view ? view->indexAt(shown->mapFrom(grid, at)) : QModelIndex();
  }
  QModelIndex Index(int row, int column) const { return grid->model()->index(row, column); }

  QTemporaryDir dir;
  testing::RecordingMessages messages;
  TTranslateForm form;
  TStringGrid* grid = form.StringGrid1;
  bool exposed = false;
};

QString Cell(int32_t row, int32_t column) { return QString::fromStdU16String(TranslationCell(row, column)); }

}  // namespace

class TranslateFormTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutAndGrid();
  void typingSavesOnceAfterTheLastKey();
  void closingSavesAnEditNotYetWritten();
  void editorKeys();
  void deleteRow();
  void find();
  void findScrollsTheMatchToTopLeft();
};

void TranslateFormTest::layoutAndGrid() {
  Editor e;
  QVERIFY(e.exposed);
  QCOMPARE(e.form.size(), QSize(705, 453));
  // The hidden buttons keep their captions for the translation walk.
  QVERIFY(!e.form.Button1->isVisible() && !e.form.Button2->isVisible());
  QCOMPARE(e.form.Button1->text(), QStringLiteral("Extract strings for translation"));
  QCOMPARE(e.form.Panel1->geometry(), QRect(0, 0, 705, 35));
  QCOMPARE(e.form.Panel2->geometry(), QRect(0, 35, 705, 40));
  QCOMPARE(e.grid->geometry(), QRect(0, 75, 705, 453 - 75 - 19));
  QCOMPARE(e.form.StatusBar1->geometry(), QRect(0, 434, 705, 19));
  e.form.resize(900, 453);
  QTRY_VERIFY(e.form.FixedColCheck->geometry().right() > 900 - 20);  // keeps to the right edge

  // Row 0 the column names, then the table's rows; 30 columns of 250; the header is not editable.
  QCOMPARE(e.grid->columnCount(), 30);
  QCOMPARE(e.grid->rowCount(), static_cast<int>(kRows.size()) + 1);
  for (int c = 0; c < 30; ++c) {
    QCOMPARE(e.grid->columnWidth(c), 250);
    QCOMPARE(e.grid->item(0, c)->text(), QString::fromStdU16String(LanguageColumnName(c)));
    QCOMPARE(e.grid->item(4, c)->text(), Cell(3, c));
  }
  QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
  e.grid->editItem(e.grid->item(0, 1));
  QVERIFY(!e.CellEditor());
  e.grid->editItem(e.grid->item(1, 0));
  QVERIFY(e.CellEditor());  // and the window goes with an editor open
}

void TranslateFormTest::typingSavesOnceAfterTheLastKey() {
  Editor e;
  e.grid->setCurrentCell(4, 1);  // "Öffnen"
  QTest::keyClick(e.grid, 'G');  // opens the editor, replacing the text
  QLineEdit* editor = e.CellEditor();
  QVERIFY(editor);
  QCOMPARE(Cell(3, 1), QStringLiteral("G"));
  QTest::qWait(600);
  QTest::keyClick(editor, 'u');
  QCOMPARE(Cell(3, 1), QStringLiteral("Gu"));
  QTest::qWait(600);
  QVERIFY(!e.Saved());  // each key put the save off again
  QTest::keyClick(editor, 't');
  QElapsedTimer sinceLastKey;
  sinceLastKey.start();
  QCOMPARE(Cell(3, 1), QStringLiteral("Gut"));

  QTRY_VERIFY_WITH_TIMEOUT(e.Saved(), 3000);
  QVERIFY(sinceLastKey.elapsed() >= 950);
  InitTranslation(e.Folder());
  QCOMPARE(Cell(3, 1), QStringLiteral("Gut"));
  e.ForgetSave();
  QTest::qWait(1300);
  QVERIFY(!e.Saved());

  // Enter puts the text into the cell without changing it again.
  QTest::keyClick(editor, Qt::Key_Return);
  QTRY_COMPARE(e.grid->item(4, 1)->text(), QStringLiteral("Gut"));
  QVERIFY(!e.form.Timer1->isActive());
}

void TranslateFormTest::closingSavesAnEditNotYetWritten() {
  Editor e;
  e.grid->editItem(e.grid->item(2, 1));
  QTest::keyClick(e.CellEditor(), Qt::Key_End);
  QTest::keyClick(e.CellEditor(), '!');
  e.form.BackBtn->click();
  QVERIFY(!e.form.isVisible());
  QVERIFY(e.Saved());
  InitTranslation(e.Folder());
  QCOMPARE(Cell(1, 1), QStringLiteral("Gut!"));
  e.ForgetSave();
  QTest::qWait(1300);
  QVERIFY(!e.Saved());

  e.form.show();
  e.form.close();
  QVERIFY(!e.Saved());  // nothing pending, nothing written
}

void TranslateFormTest::editorKeys() {
  Editor e;
  e.grid->setCurrentCell(2, 1);
  e.grid->editItem(e.grid->item(2, 1));
  QLineEdit* editor = e.CellEditor();
  QTest::keyClick(editor, Qt::Key_Home);
  QTest::keyClick(editor, Qt::Key_Delete);
  QCOMPARE(Cell(1, 1), QStringLiteral("ut"));  // a character, not the row

  // Esc abandons the edit: cell and table keep the old text, the window stays.
  QTest::keyClick(editor, Qt::Key_Escape);
  QTRY_VERIFY(!e.CellEditor());
  QCOMPARE(e.grid->item(2, 1)->text(), QStringLiteral("Gut"));
  QCOMPARE(Cell(1, 1), QStringLiteral("Gut"));
  QVERIFY(e.form.isVisible());
  QVERIFY(e.messages.shown.empty());
  QCOMPARE(TranslationRowCount(), static_cast<int>(kRows.size()));

  // Enter is no button's key: it neither closes the window nor deletes.
  QTest::keyClick(e.grid, Qt::Key_Return);
  QTest::keyClick(e.form.FilterEdit, Qt::Key_Return);
  QVERIFY(e.form.isVisible());
  QVERIFY(e.messages.shown.empty());
}

void TranslateFormTest::deleteRow() {
  Editor e;
  const int rows = TranslationRowCount();

  // The header row: no question, yet saved and refilled.
  e.grid->item(3, 0)->setText(QStringLiteral("not in the table"));
  e.grid->setCurrentCell(0, 1);
  e.form.DeleteRowBtn->click();
  QVERIFY(e.messages.shown.empty());
  QVERIFY(e.Saved());
  QCOMPARE(e.grid->item(3, 0)->text(), QString::fromUtf8("Übersetzen..."));

  // No and Cancel remove nothing, but save all the same. The Delete key with
  // any modifiers and Esc act as the button.
  e.grid->setCurrentCell(4, 2);
  const std::vector<std::pair<MsgAnswer, std::function<void()>>> ways = {
      {MsgAnswer::No, [&] { e.form.DeleteRowBtn->click(); }},
      {MsgAnswer::Cancel, [&] { QTest::keyClick(e.grid, Qt::Key_Delete, Qt::ShiftModifier | Qt::ControlModifier); }},
      {MsgAnswer::No, [&] { QTest::keyClick(e.grid, Qt::Key_Escape); }}};
  for (const auto& [answer, press] : ways) {
    e.ForgetSave();
    e.messages.shown.clear();
    e.messages.answers = {answer};
    press();
    QCOMPARE(e.messages.shown.size(), 1u);
    QCOMPARE(e.messages.shown[0].text, std::string("Open"));
    QCOMPARE(e.messages.shown[0].caption, std::string("Delete row"));
    QCOMPARE(e.messages.shown[0].icon, MsgIcon::Question);
    QCOMPARE(e.messages.shown[0].buttons, MsgButtons::YesNoCancel);
    QCOMPARE(TranslationRowCount(), rows);
    QVERIFY(e.Saved());
    QVERIFY(e.form.isVisible());
    QCOMPARE(e.grid->currentRow(), 4);
  }

  // Yes removes the row; the one that followed becomes current in its place.
  e.messages.answers = {MsgAnswer::Yes};
  e.grid->setCurrentCell(2, 1);
  e.form.DeleteRowBtn->click();
  QCOMPARE(e.messages.shown.back().text, std::string("Good"));
  QCOMPARE(TranslationRowCount(), rows - 1);
  QCOMPARE(e.grid->rowCount(), rows);
  QCOMPARE(std::make_pair(e.grid->currentRow(), e.grid->currentColumn()), std::make_pair(2, 1));
  QCOMPARE(e.grid->item(2, 0)->text(), QString::fromUtf8("Übersetzen..."));
  InitTranslation(e.Folder());
  QCOMPARE(TranslationRowCount(), rows - 1);

  // The last row: the grid shrinks by one.
  e.messages.answers = {MsgAnswer::Yes};
  e.grid->setCurrentCell(rows - 1, 0);
  e.form.DeleteRowBtn->click();
  QCOMPARE(e.messages.shown.back().text, std::string("Last"));
  QCOMPARE(e.grid->rowCount(), rows - 1);
  QCOMPARE(e.grid->item(rows - 2, 0)->text(), Cell(rows - 3, 0));
}

void TranslateFormTest::find() {
  Editor e;
  e.Find(QStringLiteral("ger"), {MsgAnswer::No});  // the header row comes first
  QCOMPARE(e.messages.shown.size(), 1u);
  QCOMPARE(e.messages.shown[0].text, std::string("Found \"ger\". Continue searching?"));
  QCOMPARE(e.messages.shown[0].caption, std::string("Find"));
  QCOMPARE(e.messages.shown[0].icon, MsgIcon::Question);
  QCOMPARE(e.messages.shown[0].buttons, MsgButtons::YesNo);
  QCOMPARE(e.grid->selectedItems(), QList<QTableWidgetItem*>{e.grid->item(0, 1)});
  QCOMPARE(e.grid->currentItem(), e.grid->item(0, 1));
  e.Find(QStringLiteral("ger"), {MsgAnswer::Yes});  // no message after the last match
  QCOMPARE(e.messages.shown.size(), 1u);

  // Row by row, column by column; No stops at once.
  std::vector<std::pair<int, int>> stops;
  auto record = connect(e.grid, &QTableWidget::currentCellChanged, [&](int r, int c) { stops.push_back({r, c}); });
  e.Find(QStringLiteral("uT"), {MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::No});
  disconnect(record);
  QCOMPARE(stops, (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}, {2, 1}}));
  QCOMPARE(e.messages.shown.size(), 3u);

  // Only a to z fold case; an empty search asks nothing.
  e.Find(QString::fromUtf8("übersetzen"), {});
  QCOMPARE(e.messages.shown.size(), 0u);
  e.Find(QString::fromUtf8("ÜBERSETZEN"), {});
  QCOMPARE(e.messages.shown.size(), 1u);
  QCOMPARE(e.grid->currentItem(), e.grid->item(3, 0));
  e.Find(QString(), {MsgAnswer::Yes});
  QCOMPARE(e.messages.shown.size(), 0u);
  QVERIFY(!e.Saved());  // asking recorded no new text
}

void TranslateFormTest::findScrollsTheMatchToTopLeft() {
  Editor e(60);
  const int header = e.grid->rowHeight(0);
  e.Find(QStringLiteral("NEEDLE"), {});
  QCOMPARE(e.messages.shown.size(), 1u);
  // The match is the first cell below the header row, which stays in place
  // and goes sideways with the grid.
  QCOMPARE(e.ShownAt({2, header + 2}), e.Index(41, 7));
  QCOMPARE(e.ShownAt({2, 2}), e.Index(0, 7));
  QCOMPARE(e.ShownAt({252, 2}), e.Index(0, 8));
  e.Find(QStringLiteral("swedish"), {});  // a header cell: back to the top
  QCOMPARE(e.ShownAt({2, header + 2}), e.Index(1, 16));

  // A fixed first column stays at the left with the rows beside it, cannot be
  // edited, and matches go right of it.
  e.form.FixedColCheck->click();
  QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
  e.grid->editItem(e.grid->item(5, 0));
  QVERIFY(!e.CellEditor());
  e.Find(QStringLiteral("needle"), {});
  QCOMPARE(e.ShownAt({252, header + 2}), e.Index(41, 7));
  QCOMPARE(e.ShownAt({2, header + 2}), e.Index(41, 0));
  QCOMPARE(e.ShownAt({2, 2}), e.Index(0, 0));
  QCOMPARE(e.ShownAt({252, 2}), e.Index(0, 7));
  e.grid->verticalScrollBar()->setValue(e.grid->verticalScrollBar()->maximum());
  QCOMPARE(e.ShownAt({2, e.grid->viewport()->height() - 2}), e.Index(e.grid->rowCount() - 1, 0));

  // Unticked, column 0 scrolls with the rest and is editable again.
  e.form.FixedColCheck->click();
  QCOMPARE(e.ShownAt({2, header + 2}).column(), 6);
  e.grid->editItem(e.grid->item(5, 0));
  QVERIFY(e.CellEditor());
}

}  // namespace trellimap

QTEST_MAIN(trellimap::TranslateFormTest)
#include "translatefunit_test.moc"
