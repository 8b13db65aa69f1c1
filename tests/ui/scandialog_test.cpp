#include "ui/scandialog.h"

#include <QApplication>
#include <QMenu>
#include <QtTest>
#include <filesystem>

#include "image/pixmill3.h"
#include "persist/optionsfile.h"
#include "tests/support/pagephotos.h"
#include "tests/support/pdftools.h"
#include "tests/support/programfolder.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testfiles.h"
#include "ui/commandmenus.h"
#include "ui/mainunit.h"

namespace trellimap {

class ScanDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    std::filesystem::remove(DataFolder(false, "") + kOptionsFileName);
    messages.shown.clear();
    messages.answers.clear();
  }
  void pagesAreFoundReviewedOrderedAndExported();
  void textsInGerman();

 private:
  std::string PagePhoto(const std::string& name, double width, double height) {
    return testing::WriteTiltedPagePhoto(folder, name, width, height, 480, 360);
  }
  static QAction* FileItem(TMainForm& form, const QString& text) {
    for (QAction* action : form.findChild<CommandMenus*>()->File->actions())
      if (action->text() == text) return action;
    return nullptr;
  }

  testing::ProgramFolder program;
  testing::RecordingMessages messages;
  testing::ScriptedDialogs dialogs;
  testing::TempFolder folder;
};

// Photos added are found and listed, a photo without a page marked; a click
// shows the page in the window, whose adjusted outline the list takes back;
// dragging puts pages in order; the export writes them in that order; the
// list asks before it goes with pages not exported.
void ScanDialogTest::pagesAreFoundReviewedOrderedAndExported() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QAction* scan = FileItem(form, QStringLiteral("Scan pages..."));
  QVERIFY(scan != nullptr);
  scan->trigger();
  auto* dialog = form.findChild<TScanDialog*>();
  QVERIFY(dialog != nullptr && dialog->isVisible());
  QVERIFY(!dialog->ExportPdfButton->isEnabled());

  const std::string a4 = PagePhoto("a4.png", 210, 297), card = PagePhoto("card.png", 85.6, 54);
  const std::string blank =
      folder.Write("blank.bmp", testing::MakeBmp(64, 48, 24, {}, [](int, int) { return 0x808080u; }));
  dialogs.severalAnswers = {{a4, card, blank, folder.Write("notes.png", {'n'})}};
  dialog->AddButton->click();
  QCOMPARE(dialog->Pages->count(), 3);
  QCOMPARE(messages.shown.size(), size_t{1});  // the file that is no picture
  QVERIFY(!dialog->Pages->item(0)->text().contains(QChar(0x26a0)));
  QVERIFY(dialog->Pages->item(2)->text().contains(QChar(0x26a0)));

  // The first page shows in the window, flat in result 1.
  Workspace& ws = form.workspace();
  QCOMPARE(dialog->Pages->currentRow(), 0);
  QVERIFY(ws.flatPage.has_value());
  QCOMPARE(ws.ecken1, 4);
  auto* corner = static_cast<TOutlinePoint*>(ws.punkte1.GetObject(0));
  corner->x += 3;
  const int32_t moved = corner->x;
  dialog->Pages->setCurrentRow(1);
  QCOMPARE(dialog->Batch().Pages()[0].outline[0].x, moved);

  dialog->Pages->model()->moveRows({}, 1, 1, {}, 0);  // the card first, as a drag puts it
  QCOMPARE(dialog->Batch().Pages()[0].photo, card);
  QCOMPARE(dialog->Batch().Pages()[1].photo, a4);

  dialogs.answers = {folder.Path("scan.pdf")};
  dialog->ExportPdfButton->click();
  const std::vector<testing::PdfPageBox> boxes = testing::PdfPageBoxes(folder.Path("scan.pdf"));
  QCOMPARE(boxes.size(), size_t{3});
  QVERIFY(boxes[0].width > boxes[0].height);  // the card, across
  QVERIFY(boxes[1].width < boxes[1].height);  // the sheet, upright

  dialog->Pages->setCurrentRow(2);
  dialog->RemoveButton->click();
  QCOMPARE(dialog->Pages->count(), 2);
  dialog->reject();  // pages not exported since: asked, and kept when told no
  QCOMPARE(messages.shown.back().buttons, MsgButtons::YesNo);
  QVERIFY(dialog->isVisible());
  messages.answers = {MsgAnswer::Yes};
  dialog->reject();
  QVERIFY(!dialog->isVisible());
}

// The list speaks German when German is in force.
void ScanDialogTest::textsInGerman() {
  QVERIFY(WriteOptions(DataFolder(true, ""), 1));
  TMainForm form({}, program.Folder());
  form.show();
  QAction* scan = FileItem(form, QString::fromUtf8("Seiten scannen..."));
  QVERIFY(scan != nullptr);
  scan->trigger();
  auto* dialog = form.findChild<TScanDialog*>();
  QCOMPARE(dialog->windowTitle(), QStringLiteral("Seiten scannen"));
  QCOMPARE(dialog->AddButton->text(), QString::fromUtf8("Fotos hinzufügen..."));
  QCOMPARE(dialog->ExportPdfButton->text(), QStringLiteral("PDF exportieren..."));
  QCOMPARE(dialog->Finishing.look->itemText(3), QString::fromUtf8("Schwarzweiß"));
  CurrentLanguage() = 0;
}

}  // namespace trellimap

QTEST_MAIN(trellimap::ScanDialogTest)
#include "scandialog_test.moc"
