#include "ui/mockupdialog.h"

#include <sys/wait.h>

#include <QApplication>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "image/pixmill3.h"
#include "persist/optionsfile.h"
#include "persist/projectfile.h"
#include "tests/support/outlines.h"
#include "tests/support/programfolder.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testfiles.h"
#include "ui/commandmenus.h"
#include "ui/mainunit.h"

namespace trellimap {

namespace fs = std::filesystem;

class MockupDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fs::remove(DataFolder(false, "") + kOptionsFileName);
    messages.shown.clear();
    messages.answers.clear();
    dialogs.answers.clear();
    dialogs.severalAnswers.clear();
    dialogs.asked.clear();
  }
  void withoutOutline2ThereIsNoDialog();
  void theWindowWritesWhatTheCommandLineWrites();
  void nothingIsLostUnasked();
  void textsInGerman();

 private:
  // The File menu's item "Mockups...", in whatever language.
  static QAction* MockupsItem(TMainForm& form) { return form.findChild<CommandMenus*>()->File->actions().value(8); }
  // Whether "Mockups..." opens its dialog (which is cancelled then).
  static bool OpensADialog(TMainForm& form) {
    bool opened = false;
    QTimer::singleShot(0, [&opened] {
      if (auto* dialog = qobject_cast<TMockupDialog*>(QApplication::activeModalWidget())) {
        opened = true;
        dialog->reject();
      }
    });
    MockupsItem(form)->trigger();
    QCoreApplication::processEvents();
    return opened;
  }
  // Runs `answer` on the dialog as soon as it is open; a check of it that
  // fails leaves the dialog cancelled rather than waiting.
  static void WhenOpen(std::function<void(TMockupDialog&)> answer) {
    QTimer::singleShot(0, [answer] {
      auto* dialog = qobject_cast<TMockupDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      answer(*dialog);
      if (dialog->isVisible()) dialog->reject();
    });
  }
  static QStringList Listed(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
  }
  static std::vector<uint8_t> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
  }
  // Picture 2 a pattern, outline 2 a tilted quadrangle with `corners` corners.
  static void PlaceTemplate(Workspace& ws, int32_t corners) {
    ReleaseDib(&ws.di2);
    newdib(&ws.di2, 120, 90, 24, nullptr, 0);
    for (int32_t y = 0; y < 90; ++y)
      for (int32_t x = 0; x < 120; ++x) setpixel(ws.di2, x, y, static_cast<uint32_t>(x * 3001 + y * 70001));
    const std::vector<testing::PointSpec> quad = {
        {15, 10, true}, {100, 18, true}, {95, 80, true}, {10, 72, true}, {15, 10, true}};
    testing::FillOutline(ws.punkte2, std::vector<testing::PointSpec>(quad.begin(), quad.begin() + corners));
    ws.ecken2 = corners;
  }
  std::string Design(const std::string& name, int w, int h, uint32_t salt) {
    return folder.Write(name, testing::MakeBmp(w, h, 24, {}, [salt](int x, int y) {
                          return static_cast<uint32_t>(x * 131 + y * 65599 + salt) & 0xFFFFFF;
                        }));
  }
  // The status bar's notes.
  static QString Notes(TMainForm& form) {
    QStringList texts;
    for (const QLabel* label : form.statusBar()->findChildren<QLabel*>()) texts << label->text();
    return texts.join(QLatin1Char('\n'));
  }

  testing::TempFolder folder;
  testing::ProgramFolder program;
  testing::RecordingMessages messages;
  testing::ScriptedDialogs dialogs;
};

// Without outline 2 complete the command says so, and opens no dialog.
void MockupDialogTest::withoutOutline2ThereIsNoDialog() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(MockupsItem(form)->text(), QStringLiteral("Mockups..."));
  PlaceTemplate(form.workspace(), 3);
  QVERIFY(!OpensADialog(form));
  QCOMPARE(messages.shown.size(), size_t{1});
  QCOMPARE(messages.shown[0].text, std::string("Place the outline on picture 2 first."));
}

// Designs chosen in the dialog become mockups in the folder chosen, the same
// files trellimap-cli mockup writes for the same template and designs. A
// design that cannot be read is named; the others are made, and the work in
// the window is left as it was.
void MockupDialogTest::theWindowWritesWhatTheCommandLineWrites() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  Workspace& ws = form.workspace();
  PlaceTemplate(ws, 4);
  const OutlineState before = CaptureState(ws);
  const std::array<const dib*, 4> pictures = std::as_const(ws).Pictures();
  std::array<uint32_t, 4> handles{};
  for (size_t i = 0; i < 4; ++i) handles[i] = pictures[i]->poih;
  const bool modified = form.Document().Modified();

  fs::create_directory(folder.Path("other"));
  const std::string first = Design("poster.bmp", 50, 40, 1), twin = Design("other/poster.bmp", 33, 47, 2);
  const std::string broken = folder.Write("broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
  const std::string extra = Design("extra.bmp", 9, 9, 3);
  const std::string out = folder.Path("window/mockups");
  dialogs.severalAnswers = {{first, twin}, {broken, extra}};
  dialogs.answers = {out};
  WhenOpen([&](TMockupDialog& dialog) {
    QVERIFY(!dialog.Buttons->button(QDialogButtonBox::Ok)->isEnabled());
    dialog.AddDesigns->click();
    dialog.AddDesigns->click();
    dialog.Designs->item(3)->setSelected(true);
    dialog.RemoveDesigns->click();  // the extra one
    QCOMPARE(Listed(dialog.Designs), QStringList({QString::fromStdString(first), QString::fromStdString(twin),
                                                  QString::fromStdString(broken)}));
    QVERIFY(!dialog.Buttons->button(QDialogButtonBox::Ok)->isEnabled());  // no folder yet
    dialog.ChooseFolder->click();
    QCOMPARE(Listed(dialog.Outputs),
             QStringList({QString::fromStdString(out + "/poster.png"), QString::fromStdString(out + "/poster-2.png"),
                          QString::fromStdString(out + "/broken.png")}));
    QTest::mouseClick(dialog.Buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
  });
  MockupsItem(form)->trigger();

  QCOMPARE(dialogs.asked.size(), size_t{3});
  QVERIFY(dialogs.asked[0].filter.rfind("All pictures|*.BMP;", 0) == 0);  // the open-picture dialog's filter
  QVERIFY(!dialogs.asked[0].save && !dialogs.asked[0].chooseFolder);
  QCOMPARE(dialogs.asked[1].folder, fs::path(first).parent_path().string());  // where the last ones were chosen
  QVERIFY(dialogs.asked[2].chooseFolder && !dialogs.asked[2].save);
  QCOMPARE(FilesIn(out), (std::set<std::string>{"poster.png", "poster-2.png"}));
  QCOMPARE(messages.shown.size(), size_t{1});
  QVERIFY(messages.shown[0].text.find(broken) != std::string::npos);
  QCOMPARE(messages.shown[0].icon, MsgIcon::Error);
  QVERIFY(Notes(form).contains(QString::fromStdString("Mockups written: 2 of 3, in " + out)));
  QVERIFY(CaptureState(ws) == before);
  for (size_t i = 0; i < 4; ++i) QCOMPARE(std::as_const(ws).Pictures()[i]->poih, handles[i]);
  QCOMPARE(form.Document().Modified(), modified);

  // The same template, designs and folder through trellimap-cli.
  const std::string project = folder.Path("template.gip"), cliOut = folder.Path("cli/mockups");
  QVERIFY(SaveProjectfile(ws, project, nullptr).done());
  const std::string command = std::string(TRELLIMAP_CLI) + " mockup '" + project + "' '" + first + "' '" + twin +
                              "' '" + broken + "' -o '" + cliOut + "' 2>/dev/null";
  const int status = std::system(command.c_str());
  QVERIFY(WIFEXITED(status));
  QCOMPARE(WEXITSTATUS(status), 1);  // the broken design
  QCOMPARE(FilesIn(cliOut), FilesIn(out));
  for (const std::string& name : FilesIn(out)) {
    const std::vector<uint8_t> window = Bytes(out + "/" + name);
    QVERIFY(window.size() > 100);
    QVERIFY2(window == Bytes(cliOut + "/" + name), name.c_str());
  }
}

// Cancel writes nothing; files already in the folder are asked about (No
// keeps the dialog open and the file as it was); a folder that cannot be made
// is named and nothing is written.
void MockupDialogTest::nothingIsLostUnasked() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  PlaceTemplate(form.workspace(), 4);
  const std::string design = Design("card.bmp", 20, 30, 4);
  fs::create_directory(folder.Path("kept"));
  const std::string kept = folder.Write("kept/card.png", {1, 2, 3});

  dialogs.severalAnswers = {{design}};
  WhenOpen([&](TMockupDialog& dialog) {
    dialog.AddDesigns->click();
    dialog.Folder->setText(QString::fromStdString(folder.Path("kept")));
    dialog.reject();
  });
  MockupsItem(form)->trigger();
  QVERIFY(messages.shown.empty());
  QCOMPARE(Bytes(kept), (std::vector<uint8_t>{1, 2, 3}));

  dialogs.severalAnswers = {{design}};
  messages.answers = {MsgAnswer::No, MsgAnswer::Yes};
  bool stayedOpen = false;
  WhenOpen([&](TMockupDialog& dialog) {
    dialog.AddDesigns->click();
    dialog.Folder->setText(QString::fromStdString(folder.Path("kept")));  // remembered from last time, too
    dialog.Buttons->button(QDialogButtonBox::Ok)->click();
    stayedOpen = dialog.isVisible();
    QCOMPARE(Bytes(kept), (std::vector<uint8_t>{1, 2, 3}));
    dialog.Buttons->button(QDialogButtonBox::Ok)->click();
  });
  MockupsItem(form)->trigger();
  QVERIFY(stayedOpen);
  QCOMPARE(messages.shown.size(), size_t{2});
  QCOMPARE(messages.shown[0].buttons, MsgButtons::YesNo);
  QVERIFY(messages.shown[0].text.find("(1)") != std::string::npos);
  QVERIFY(Bytes(kept).size() > 3);  // replaced, once asked

  messages.shown.clear();
  const std::string plain = folder.Write("plain.txt", {4, 5});
  dialogs.severalAnswers = {{design}};
  WhenOpen([&](TMockupDialog& dialog) {
    QCOMPARE(dialog.Folder->text(), QString::fromStdString(folder.Path("kept")));
    dialog.AddDesigns->click();
    dialog.Folder->setText(QString::fromStdString(plain + "/below"));
    dialog.accept();
  });
  MockupsItem(form)->trigger();
  QCOMPARE(messages.shown.size(), size_t{1});
  QCOMPARE(messages.shown[0].text, "The folder \"" + plain + "/below\" could not be made.");
  QCOMPARE(Bytes(plain), (std::vector<uint8_t>{4, 5}));
}

// The menu item, the dialog and the message speak German when German is in force.
void MockupDialogTest::textsInGerman() {
  QVERIFY(WriteOptions(DataFolder(true, ""), 1));
  TMainForm form({}, program.Folder());
  form.show();
  QCOMPARE(MockupsItem(form)->text(), QStringLiteral("Mockups erstellen..."));
  TMockupDialog dialog(&form, {}, {}, {}, {});
  QCOMPARE(dialog.windowTitle(), QStringLiteral("Mockups"));
  QCOMPARE(dialog.AddDesigns->text(), QString::fromUtf8("Entwürfe hinzufügen..."));
  QCOMPARE(dialog.ChooseFolder->text(), QString::fromUtf8("Ordner wählen..."));
  QVERIFY(!OpensADialog(form));  // no outline on picture 2
  QCOMPARE(messages.shown.back().text, std::string("Legen Sie zuerst den Umriss auf Bild 2 fest."));
  CurrentLanguage() = 0;
}

}  // namespace trellimap

QTEST_MAIN(trellimap::MockupDialogTest)
#include "mockupdialog_test.moc"
