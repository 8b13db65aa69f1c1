#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "codecs/picturefilter.h"
#include "codecs/pictureopening.h"
#include "image/pixmill3.h"
#include "persist/projectfile.h"
#include "tests/support/programfolder.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testfiles.h"
#include "tests/support/windowparts.h"
#include "ui/commandmenus.h"
#include "ui/mainunit.h"
#include "ui/qtdialogs.h"

namespace trellimap {

class FilesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    messages.shown.clear();
    messages.answers.clear();
    dialogs.answers.clear();
  }
  void openPictureButtonsLoadAndRepaint();
  void projectsSaveAndReopenTheWholeWorkspace();
  void projectFailuresAreReported();
  void damagedProjectsLeaveTheWorkAlone();
  void menusAndKeysReachTheCommands();
  void emptyPicturePanesSayHowToFillThem();
  void commandLineOpensAProjectThenPicture2();
  void resultPicturesAreSaved();
  void saveDialogAddsTheExtensionBeforeAskingToReplace();
  void choosingATypePutsItsExtensionOnTheName();
  void messageBoxButtonsHaveAltKeys();
  void picturesAndFirstResultsAreShownWhole();
  void droppedFilesOpenAsTheButtonsOpenThem();

 private:
  std::string Bmp(const std::string& name, int w, int h, uint32_t colour) {
    return folder.Write(name, testing::MakeBmp(w, h, 24, {}, [colour](int, int) { return colour; }));
  }
  testing::TempFolder folder;
  testing::ProgramFolder program;
  testing::RecordingMessages messages;
  testing::ScriptedDialogs dialogs;
};

void FilesTest::openPictureButtonsLoadAndRepaint() {
  TMainForm form({}, program.Folder());
  form.show();
  dialogs.answers = {Bmp("a.bmp", 100, 50, 0x0000FF)};
  testing::PaneOf(form, 0).fileButton->click();
  QCOMPARE(DibWidth(&form.workspace().di1), 100);
  QCOMPARE(testing::PaneOf(form, 0).paintBox->size(), QSize(30, 15));
  QVERIFY(dialogs.asked.back().filter.rfind("All pictures|*.BMP;", 0) == 0);
  testing::PaneOf(form, 1).fileButton->click();  // cancelled: nothing happens
  QCOMPARE(DibWidth(&form.workspace().di2), 320);
  dialogs.answers = {folder.Path("missing.bmp")};
  testing::PaneOf(form, 1).fileButton->click();  // the library reports; the pane keeps its picture
  QCOMPARE(DibWidth(&form.workspace().di2), 320);
  QCOMPARE(messages.shown.size(), size_t{1});
}

void FilesTest::projectsSaveAndReopenTheWholeWorkspace() {
  const std::string project = folder.Path("work.gip");
  {
    TMainForm form({}, program.Folder());
    form.show();
    form.TryToOpenFile(&form.workspace().di1, Bmp("one.bmp", 40, 30, 0x00FF00));
    form.TryToOpenFile(&form.workspace().di2, Bmp("two.bmp", 320, 200, 0x000000));
    for (int pane : {0, 1})
      for (const QPoint p : {QPoint(1, 1), QPoint(8, 1), QPoint(8, 8), QPoint(1, 8)})
        QTest::mouseClick(testing::PaneOf(form, static_cast<size_t>(pane)).paintBox, Qt::LeftButton, {}, p);
    QCOMPARE(DibWidth(&form.workspace().di4), 40);  // rendered
    testing::Part<QCheckBox>(form, "TransCheck")->setChecked(true);
    dialogs.answers = {project};
    testing::Part<QPushButton>(form, "BitBtn2")->click();
    QCOMPARE(dialogs.asked.back().defaultExt, std::string(".gip"));
  }
  TMainForm back({}, program.Folder());
  back.show();
  testing::PaneOf(back, 2).zoom->setValue(250);
  dialogs.answers = {project};
  testing::Part<QPushButton>(back, "BitBtn1")->click();
  QCOMPARE(back.workspace().punkte1.count, 5u);
  QCOMPARE(back.workspace().ecken2, 4);
  QCOMPARE(DibWidth(&back.workspace().di1), 40);
  QCOMPARE(getpixel(back.workspace().di1, 3, 3), 0x00FF00u);
  QCOMPARE(DibWidth(&back.workspace().di4), 40);
  QVERIFY(testing::Part<QCheckBox>(back, "TransCheck")->isChecked());
  QCOMPARE(testing::PaneOf(back, 2).paintBox->size(), QSize(800, 500));  // result 1 at 250 %, zoom kept
  QVERIFY(messages.shown.empty());

  // A project that keeps settings beyond the options keeps the panes' zooms
  // with them, and opens at those; the zooms are no change of the work.
  const std::string smooth = folder.Path("smooth.gip");
  testing::Part<QCheckBox>(back, "SmoothCheck")->click();
  const std::array<int32_t, 4> zooms = {70, 45, 250, 120};
  for (size_t pane = 0; pane < 4; ++pane) testing::PaneOf(back, pane).zoom->setValue(zooms[pane]);
  back.SaveProjectfile(smooth);
  testing::PaneOf(back, 0).zoom->setValue(300);
  QVERIFY(!back.windowTitle().startsWith('*'));
  TMainForm third({}, program.Folder());
  third.show();
  third.OpenProjectfile(smooth);
  for (size_t pane = 0; pane < 4; ++pane) QCOMPARE(testing::PaneOf(third, pane).zoom->value(), zooms[pane]);
  QVERIFY(!third.windowTitle().startsWith('*'));
  testing::PaneOf(third, 1).zoom->setValue(90);
  third.OpenProjectfile(project);  // no settings kept: the zooms stay
  QCOMPARE(testing::PaneOf(third, 1).zoom->value(), 90);
}

void FilesTest::projectFailuresAreReported() {
  TMainForm form({}, program.Folder());
  form.show();
  dialogs.answers = {folder.Path("missing.gip")};
  testing::Part<QPushButton>(form, "BitBtn1")->click();
  QCOMPARE(messages.shown.back().text, std::string("Could not open the file"));
  QCOMPARE(messages.shown.back().icon, MsgIcon::Error);
  dialogs.answers = {folder.Path("no/folder/x.gip")};
  testing::Part<QPushButton>(form, "BitBtn2")->click();
  QCOMPARE(messages.shown.back().text, std::string("Could not create the file"));
}

// A project file that cannot be read whole changes nothing of the work open
// in the window (pictures, outlines, results, what can be undone), and the
// message names the file and says plainly what is wrong with it.
void FilesTest::damagedProjectsLeaveTheWorkAlone() {
  TMainForm form({}, program.Folder());
  form.show();
  form.TryToOpenFile(&form.workspace().di1, Bmp("work.bmp", 30, 20, 0x00AA00));
  QTest::mouseClick(testing::PaneOf(form, 0).paintBox, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseClick(testing::PaneOf(form, 0).paintBox, Qt::LeftButton, {}, QPoint(20, 6));
  const OutlineState work = CaptureState(form.workspace());
  // A project written and then cut short at several places, and files that are no project at all.
  const std::string whole = folder.Path("whole.gip");
  QVERIFY(trellimap::SaveProjectfile(form.workspace(), whole).done());
  std::ifstream in(whole, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  const struct {
    std::vector<uint8_t> content;
    const char* says;
  } cases[] = {
      {std::vector<uint8_t>(bytes.begin(), bytes.begin() + 60), "is cut short"},
      {std::vector<uint8_t>(bytes.begin(), bytes.end() - 1), "is cut short"},
      {std::vector<uint8_t>(20, 0), "is cut short"},
      {std::vector<uint8_t>{'H', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '\n'}, "is not a project file"},
  };
  for (const auto& c : cases) {
    const std::string file = folder.Write("broken.gip", c.content);
    dialogs.answers = {file};
    messages.answers = {MsgAnswer::Discard};  // the unsaved work may go, were the file whole
    testing::Part<QPushButton>(form, "BitBtn1")->click();
    const std::string& text = messages.shown.back().text;
    QVERIFY2(text.find(file) != std::string::npos && text.find(c.says) != std::string::npos, text.c_str());
    QCOMPARE(messages.shown.back().icon, MsgIcon::Error);
    QVERIFY(CaptureState(form.workspace()) == work);
    QCOMPARE(DibWidth(&form.workspace().di1), 30);
    QCOMPARE(getpixel(form.workspace().di1, 3, 3), 0x00AA00u);
  }
  QVERIFY(form.windowTitle().startsWith(QLatin1Char('*')));  // still the unsaved work
  form.findChild<TEditGestures*>()->Undo();                  // and its history
  QCOMPARE(form.workspace().punkte1.count, 1u);
}

// File, Edit and Help stand around "Language", and their keys reach the commands.
void FilesTest::menusAndKeysReachTheCommands() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QStringList titles;
  for (QAction* menu : form.menuBar()->actions()) titles << menu->text();
  QCOMPARE(titles, QStringList({"&File", "&Edit", "Language", "&Help"}));

  const size_t asked = dialogs.asked.size();
  QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
  QCOMPARE(dialogs.asked.size(), asked + 1);
  QVERIFY(!dialogs.asked.back().save && dialogs.asked.back().filter.find("*.gip") != std::string::npos);
  const std::string project = folder.Path("saved.gip");
  dialogs.answers = {project};
  QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);  // no name yet: asks for one, and may replace nothing unasked
  QVERIFY(dialogs.asked.back().save && dialogs.asked.back().confirmOverwrite);
  QVERIFY(std::filesystem::exists(project));
  dialogs.answers = {folder.Path("other.gip")};
  QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);  // now it has one: saved there, nothing asked
  QVERIFY(!std::filesystem::exists(folder.Path("other.gip")));
  QVERIFY(form.windowTitle().startsWith(QStringLiteral("saved.gip")));

  QTest::keyClick(&form, Qt::Key_F1);
  const QList<QDialog*> windows = form.findChildren<QDialog*>();
  QVERIFY(std::any_of(windows.begin(), windows.end(), [](const QDialog* d) {
    return d->isVisible() && d->windowTitle() == QStringLiteral("Keys and gestures");
  }));
}

// A picture pane that still shows the empty start picture says how to fill it,
// there and in the status bar; a click on it opens a picture instead of placing a corner.
void FilesTest::emptyPicturePanesSayHowToFillThem() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const auto hint = [&](size_t pane) {
    for (const QLabel* label : testing::PaneOf(form, pane).scrollBox->viewport()->findChildren<QLabel*>())
      if (label->text() == QStringLiteral("Open a picture, or drop one here")) return label->isVisible();
    return false;
  };
  const auto status = [&] { return form.statusBar()->findChildren<QLabel*>().value(0)->text(); };
  QVERIFY(hint(0) && hint(1));
  QVERIFY(status().contains(QStringLiteral("Picture 1: open a picture, or drop one here")));
  dialogs.answers = {Bmp("first.bmp", 50, 40, 0x336699)};
  QTest::mouseClick(testing::PaneOf(form, 0).paintBox, Qt::LeftButton, {}, QPoint(3, 3));
  QCOMPARE(DibWidth(&form.workspace().di1), 50);
  QCOMPARE(form.workspace().punkte1.count, 0u);  // no corner was placed
  QVERIFY(!hint(0) && hint(1));
  QVERIFY(status().contains(QStringLiteral("Picture 1: click corner 1 of 4")));
  QTest::mouseClick(testing::PaneOf(form, 0).paintBox, Qt::LeftButton, {}, QPoint(3, 3));
  QCOMPARE(form.workspace().punkte1.count, 1u);  // now a click places a corner
}

void FilesTest::commandLineOpensAProjectThenPicture2() {
  const std::string project = folder.Path("Start.GiP");
  {
    TMainForm form({}, program.Folder());
    form.TryToOpenFile(&form.workspace().di1, Bmp("p1.bmp", 11, 11, 0xFF0000));
    dialogs.answers = {project};
    form.BitBtn2Click();
  }
  TMainForm form({QString::fromStdString(project), QString::fromStdString(Bmp("p2.bmp", 7, 3, 0x123456))},
                 program.Folder());
  form.show();
  QCOMPARE(DibWidth(&form.workspace().di1), 11);  // from the project
  QCOMPARE(DibWidth(&form.workspace().di2), 7);   // then picture 2 from the second argument
}

void FilesTest::resultPicturesAreSaved() {
  TMainForm form({}, program.Folder());
  form.show();
  dialogs.answers = {folder.Path("result"), folder.Path("result.xyz")};
  messages.answers = {MsgAnswer::Yes, MsgAnswer::Yes};  // never rendered: saved all the same
  testing::PaneOf(form, 2).fileButton->click();
  QVERIFY(messages.shown.back().text.find("not been rendered") != std::string::npos);
  QVERIFY(std::filesystem::exists(folder.Path("result.bmp")));  // ".bmp" added
  const FileDialogRequest& asked = dialogs.asked.back();
  QVERIFY(asked.save && asked.confirmOverwrite);
  QCOMPARE(asked.proposedName, std::string("result-result1.bmp"));
  QCOMPARE(asked.defaultExt, std::string(".bmp"));
  QVERIFY(asked.filter.rfind("BMP picture (*.bmp *.dib)|*.bmp;*.dib|", 0) == 0);
  QVERIFY(asked.filter.find("|PNG picture (*.png)|*.png|") != std::string::npos);
  QVERIFY(asked.filter.ends_with("|All files (*.*)|*.*"));
  form.TryToOpenFile(&form.workspace().di1, Bmp("my.photo.bmp", 3, 3, 0));
  testing::PaneOf(form, 3).fileButton->click();
  QCOMPARE(dialogs.asked.back().proposedName, std::string("my.photo-result2.bmp"));  // drawn on picture 1
  QCOMPARE(std::filesystem::path(dialogs.asked.back().folder),
           std::filesystem::path(folder.Path("result")).parent_path());
  QVERIFY(!std::filesystem::exists(folder.Path("result.xyz")));
  QVERIFY(messages.shown.back().text.find("result.xyz") != std::string::npos);
}

// The real dialog, driven as a user drives it: a name typed without an
// extension gets the chosen entry's (BMP by default) before the dialog asks
// whether to replace an existing file, so no file is replaced unasked.
void FilesTest::saveDialogAddsTheExtensionBeforeAskingToReplace() {
  Bmp("x.bmp", 2, 2, 0);
  folder.Write("y.png", {});
  QStringList questions;
  const auto answerNo = [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      questions << box->text();
      box->button(QMessageBox::No)->click();
    }
  };
  const auto save = [&](QFileDialog* dialog, const QString& name, int entry) {
    dialog->selectNameFilter(dialog->nameFilters().at(entry));
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
    QTimer::singleShot(0, answerNo);          // the question, if one comes
    static_cast<QDialog*>(dialog)->accept();  // the Save button
  };
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    dialog->setDirectory(QString::fromStdString(folder.Path("")));
    save(dialog, QStringLiteral("x"), 0);  // BMP
    save(dialog, QStringLiteral("y"), 7);  // PNG
    save(dialog, QStringLiteral("z"), 7);  // new: saved without a question
  });
  QtFileDialogs real;
  const FileDialogRequest request{true, BuildSavePictureFilter("All files"), ".bmp", true, {}, {}};
  std::string chosen;
  QVERIFY(real.Run(request, &chosen));
  QCOMPARE(QString::fromStdString(chosen), QString::fromStdString(folder.Path("z.png")));
  QCOMPARE(questions.size(), 2);
  QVERIFY(questions[0].contains(QStringLiteral("x.bmp")));
  QVERIFY(questions[1].contains(QStringLiteral("y.png")));
}

// The real dialog: stepping through the types with the keyboard, as a user
// does, puts each type's plain extension on the proposed name ("All files"
// leaves it as it is), never the patterns the list is filtered with.
void FilesTest::choosingATypePutsItsExtensionOnTheName() {
  const std::string filter = BuildSavePictureFilter("All files");
  QStringList names;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    names << name->text();
    for (int i = 1; i < types->count(); ++i) {
      QTest::keyClick(types, Qt::Key_Down);
      names << name->text();
    }
    dialog->reject();
  });
  QtFileDialogs real;
  FileDialogRequest request{true, filter, ".bmp", true, folder.Path(""), "note-result1.bmp"};
  std::string chosen;
  QVERIFY(!real.Run(request, &chosen));
  QString expected = QStringLiteral("note-result1.bmp");
  QCOMPARE(names.size(), 12);
  for (qsizetype i = 0; i < names.size(); ++i) {
    const std::string extension = FilterEntryExtension(filter, static_cast<size_t>(i));
    if (!extension.empty()) expected = QStringLiteral("note-result1") + QString::fromStdString(extension);
    // All files: the name keeps the extension it had.
    QCOMPARE(names[i], expected);
  }

  // A name proposed with another type's extension opens with that type chosen.
  QString shownType;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    shownType = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
    dialog->reject();
  });
  request.proposedName = "photo-flat.png";
  QVERIFY(!real.Run(request, &chosen));
  QVERIFY2(shownType.startsWith(QStringLiteral("PNG")), qPrintable(shownType));
}

// Every button of a message box answers to Alt with a letter of its text, in
// English and German, also where two begin alike; keys a text has stay.
void FilesTest::messageBoxButtonsHaveAltKeys() {
  const std::pair<QStringList, QStringList> cases[] = {
      {{"OK"}, {"&OK"}},
      {{"&Yes", "&No"}, {"&Yes", "&No"}},
      {{"Save", "Discard", "Cancel"}, {"&Save", "&Discard", "&Cancel"}},
      {{"Speichern", "Verwerfen", "Abbrechen"}, {"&Speichern", "&Verwerfen", "&Abbrechen"}},
      {{"Send", "&Save", "Stop"}, {"S&end", "&Save", "S&top"}},
      {{"R&&D", "..."}, {"&R&&D", "..."}},
  };
  for (const auto& [texts, keyed] : cases) QCOMPARE(WithAltKeys(texts), keyed);

  QStringList shown;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box != nullptr);
    for (const QAbstractButton* button : box->buttons()) shown << button->text();
    box->button(QMessageBox::Cancel)->click();
  });
  QtMessageBoxes real;
  QCOMPARE(real.Show("Save?", "Trellimap", MsgIcon::Question, MsgButtons::SaveDiscardCancel), MsgAnswer::Cancel);
  QCOMPARE(shown.size(), 3);
  for (const QString& text : shown) QVERIFY2(text.contains(QLatin1Char('&')), qPrintable(text));
}

// A picture opened that is larger than its pane at the pane's zoom is shown
// whole, the zoom edit saying the zoom that fits; one that fits keeps the
// zoom. A result follows the same rule when first rendered, not after; the
// result panes have fit buttons too.
void FilesTest::picturesAndFirstResultsAreShownWhole() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const auto fits = [&](size_t pane) {
    const Pane p = testing::PaneOf(form, pane);
    const QSize room = p.scrollBox->maximumViewportSize();
    return p.paintBox->width() <= room.width() && p.paintBox->height() <= room.height();
  };
  dialogs.answers = {Bmp("wide.bmp", 2000, 1000, 0x336699), Bmp("small.bmp", 100, 50, 0x996633)};
  testing::PaneOf(form, 0).fileButton->click();
  testing::PaneOf(form, 1).fileButton->click();
  QVERIFY(testing::PaneOf(form, 0).zoom->value() < 30);
  QVERIFY(fits(0));
  QCOMPARE(testing::PaneOf(form, 1).zoom->value(), 30);  // it fits at 30 %
  for (size_t pane : {size_t{0}, size_t{1}})
    for (const QPoint p : {QPoint(1, 1), QPoint(25, 1), QPoint(25, 12), QPoint(1, 12)})
      QTest::mouseClick(testing::PaneOf(form, pane).paintBox, Qt::LeftButton, {}, p);
  QCOMPARE(DibWidth(&form.workspace().di4), 2000);  // rendered: result 2 lies on picture 1
  QVERIFY(fits(3));
  QCOMPARE(testing::PaneOf(form, 2).zoom->value(), 30);
  testing::PaneOf(form, 3).zoom->setValue(250);
  form.BerechnenBtnClick();
  form.Render2BtnClick();
  QCOMPARE(testing::PaneOf(form, 3).zoom->value(), 250);  // rendered again: the zoom chosen stays
  auto* fit = testing::Part<QToolButton>(form, "Fit4Btn");
  QVERIFY(fit != nullptr && fit->isVisible());
  QVERIFY(testing::PaneOf(form, 3).scrollBox->viewport()->rect().contains(fit->geometry()));
  fit->click();
  QVERIFY(fits(3));
}

void FilesTest::droppedFilesOpenAsTheButtonsOpenThem() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const auto drop = [&](const std::vector<std::string>& files, QWidget* over) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& f : files) urls << QUrl::fromLocalFile(QString::fromStdString(f));
    data.setUrls(urls);
    const QPointF at = over->mapTo(&form, over->rect().center());
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &dropped);
    return enter.isAccepted() && dropped.isAccepted();
  };
  QVERIFY(drop({Bmp("d2.bmp", 9, 4, 0x0000FF)}, testing::PaneOf(form, 1).scrollBox));
  QCOMPARE(DibWidth(&form.workspace().di2), 9);
  QCOMPARE(DibWidth(&form.workspace().di1), 320);
  QVERIFY(drop({Bmp("d1.bmp", 5, 4, 0), Bmp("d3.bmp", 6, 4, 0)}, testing::PaneOf(form, 3).scrollBox));
  QCOMPARE(DibWidth(&form.workspace().di1), 5);
  QCOMPARE(DibWidth(&form.workspace().di2), 6);
  QVERIFY(!drop({Bmp("d4.bmp", 7, 4, 0)}, testing::PaneOf(form, 2).scrollBox));  // one picture on a result: refused
  QCOMPARE(DibWidth(&form.workspace().di1), 5);

  form.SaveProjectfile(folder.Path("dropped.gip"));
  form.TryToOpenFile(&form.workspace().di1, Bmp("d5.bmp", 8, 4, 0));
  QVERIFY(drop({folder.Path("dropped.gip")}, testing::Part<QWidget>(form, "Panel2")));
  QCOMPARE(DibWidth(&form.workspace().di1), 5);
  messages.shown.clear();
  QVERIFY(drop({folder.Write("notes.txt", {'x'})},
               testing::PaneOf(form, 0).scrollBox));  // read as the dialog's file would be
  QCOMPARE(messages.shown.size(), size_t{1});
  QVERIFY(messages.shown[0].text.find("Could not read the picture") != std::string::npos);
  QCOMPARE(DibWidth(&form.workspace().di1), 5);
}

}  // namespace trellimap

QTEST_MAIN(trellimap::FilesTest)
#include "files_test.moc"
