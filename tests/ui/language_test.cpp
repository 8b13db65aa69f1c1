#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "i18n/translateunit.h"
#include "persist/optionsfile.h"
#include "tests/support/programfolder.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"
#include "tests/support/windowparts.h"
#include "ui/mainunit.h"
#include "ui/translatewalk.h"

namespace trellimap {

class LanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    setenv("XDG_CONFIG_HOME", config.Path("").c_str(), 1);
    std::filesystem::remove_all(config.Path("Vandoriq"));
    messages.shown.clear();
  }

  void englishByDefault() {
    TMainForm form({}, program.Folder());
    QVERIFY(testing::Part<QAction>(form, "English1")->isChecked());
    form.show();
    QCOMPARE(CurrentLanguage(), 0);
    QCOMPARE(testing::Part<QPushButton>(form, "BitBtn1")->text(), QStringLiteral("Open project..."));
    QCOMPARE(YesButtonText(), QStringLiteral("&Yes"));
  }

  void storedGermanIsPutInForceAtTheFirstShow() {
    QVERIFY(WriteOptions(DataFolder(true, ""), 1));
    TMainForm form({}, program.Folder());
    QVERIFY(testing::Part<QAction>(form, "Deutsch1")->isChecked());
    QCOMPARE(CurrentLanguage(), 0);  // texts looked up before the first showing are English
    QVERIFY(testing::Part<TFileDialog>(form, "OpenDialog1")->Filter.startsWith(QStringLiteral("All pictures|")));
    form.show();
    QCOMPARE(CurrentLanguage(), 1);
    QCOMPARE(testing::Part<QPushButton>(form, "BitBtn1")->text(), QString::fromUtf8("Projekt öffnen..."));
    QCOMPARE(testing::PaneOf(form, 2).renderButton->text(), QStringLiteral("Berechnen"));
    QCOMPARE(testing::PaneOf(form, 0).label->text(), QString::fromUtf8("Größe in %:"));
    QVERIFY(testing::PaneOf(form, 0).label->width() >=
            testing::PaneOf(form, 0).label->sizeHint().width());  // sized to its text
    QCOMPARE(testing::Part<QMenu>(form, "Language1")->title(), QStringLiteral("Sprache"));
    QVERIFY(testing::Part<TFileDialog>(form, "OpenDialog1")->Filter.startsWith(QStringLiteral("Alle Bilder|")));
    QVERIFY(
        testing::Part<TFileDialog>(form, "OpenDialog1")->Filter.contains(QStringLiteral("|WEBP - WebP-Bild|*.WEBP|")));
    QCOMPARE(testing::Part<TFileDialog>(form, "OpenDialog2")->Filter, QStringLiteral("Projektdatei (*.gip)|*.gip"));
    QCOMPARE(form.findChild<TTranslateForm*>()->windowTitle(), QString::fromUtf8("Übersetzen"));
    QCOMPARE(YesButtonText(), QStringLiteral("&Ja"));  // the toolkit's own texts too
  }

  void choosingALanguageIsStoredAndChangesEveryTextAtOnce() {
    TMainForm form({}, program.Folder());
    form.show();
    auto* typed = form.findChild<QLineEdit*>("FilterEdit");
    typed->setText(QStringLiteral("Proj"));
    testing::Part<QAction>(form, "Deutsch1")->trigger();
    QCOMPARE(typed->text(), QStringLiteral("Proj"));  // what the user typed stays
    QVERIFY(testing::Part<QAction>(form, "Deutsch1")->isChecked() &&
            !testing::Part<QAction>(form, "English1")->isChecked());
    QCOMPARE(CurrentLanguage(), 1);
    QCOMPARE(ReadOptions(DataFolder(false, "")), 1);
    QVERIFY(messages.shown.empty());  // no restart asked for
    const auto germanShown = [&] {
      QCOMPARE(testing::Part<QPushButton>(form, "BitBtn1")->text(), QString::fromUtf8("Projekt öffnen..."));
      QCOMPARE(testing::Part<QMenu>(form, "Language1")->title(), QStringLiteral("Sprache"));
      QCOMPARE(testing::PerspectiveBox(form)->text(), QStringLiteral("Perspektive"));
      QCOMPARE(YesButtonText(), QStringLiteral("&Ja"));
    };
    germanShown();
    testing::Part<QAction>(form, "English1")->trigger();
    QCOMPARE(ReadOptions(DataFolder(false, "")), 0);
    QCOMPARE(testing::Part<QPushButton>(form, "BitBtn1")->text(), QStringLiteral("Open project..."));
    QCOMPARE(testing::Part<QMenu>(form, "Language1")->title(), QStringLiteral("Language"));
    QCOMPARE(testing::PerspectiveBox(form)->text(), QStringLiteral("Perspective"));
    QCOMPARE(YesButtonText(), QStringLiteral("&Yes"));
    testing::Part<QAction>(form, "Deutsch1")->trigger();
    germanShown();
    QVERIFY(messages.shown.empty());
  }

  void switchingToGermanRecordsTheRowsOfAGermanStartAndNoMore() {
    // The English rows of translate.dat after a first start in `germanAtStart`'s
    // language and `switches` alternating switches from there.
    const auto tableAfter = [&](bool germanAtStart, int switches) {
      WriteOptions(DataFolder(true, ""), germanAtStart ? 1 : 0);
      testing::TempFolder empty;  // no translate.dat there
      {
        TMainForm form({}, empty.Path(""));
        form.show();
        for (int i = 0; i < switches; ++i)
          testing::Part<QAction>(form, i % 2 == 0 ? "Deutsch1" : "English1")->trigger();
      }
      CurrentLanguage() = 0;
      InitTranslation(empty.Path(""));
      std::vector<std::u16string> rows;
      for (int32_t row = 0; row < TranslationRowCount(); ++row) rows.push_back(TranslationCell(row, 0));
      return rows;
    };
    const auto germanStart = tableAfter(true, 0);
    const auto englishStart = tableAfter(false, 0);
    const auto switched = tableAfter(false, 1);
    QVERIFY(germanStart.size() > englishStart.size());
    // What the first start recorded keeps its place; the switch adds the German start's other rows.
    QVERIFY(std::equal(englishStart.begin(), englishStart.end(), switched.begin()));
    QVERIFY(std::is_permutation(switched.begin(), switched.end(), germanStart.begin(), germanStart.end()));
    QVERIFY(tableAfter(false, 3) == switched);  // switching back and forth adds nothing
  }

  void firstGermanStartRecordsTheNumberedTextsThenTheWalk() {
    QVERIFY(WriteOptions(DataFolder(true, ""), 1));
    testing::TempFolder empty;  // no translate.dat there
    TMainForm form({}, empty.Path(""));
    form.show();
    const std::vector<std::u16string> first = {u"All pictures",
                                               u"All files",
                                               u"Please close the program and start it again.",
                                               u"Translate",
                                               u"Could not create the file",
                                               u"Could not open the file"};
    QVERIFY(TranslationRowCount() > 20);
    for (size_t i = 0; i < first.size(); ++i)
      QCOMPARE(QString::fromStdU16String(TranslationCell(static_cast<int32_t>(i), 0)),
               QString::fromStdU16String(first[i]));
    // The walk follows: the windows' captions, from the last window made.
    QVERIFY(TranslationCell(6, 0) == u"Vandoriq Trellimap 1.0");
    QVERIFY(std::filesystem::file_size(empty.Path("translate.dat")) > 100);  // each row saved at once
    CurrentLanguage() = 0;
  }

  void walkVisitsWindowsFirstAndControlsInReverse() {
    testing::TempFolder empty;
    InitTranslation(empty.Path(""));
    CurrentLanguage() = 1;
    QWidget first, second;
    first.setObjectName("First");
    first.setWindowTitle("Window one");
    second.setObjectName("Second");
    second.setWindowTitle("Window two");
    for (const char* name : {"A", "B", "C"}) {
      auto* button = new QPushButton(QString("Button ") + name, &first);
      button->setObjectName(name);
    }
    auto* check = new QCheckBox("Check caption", &second);
    check->setObjectName("Check");
    check->setToolTip("Check hint");
    TranslateApplication({&first, &second});
    const std::vector<std::u16string> expected = {u"Window two", u"Window one", u"Check hint", u"Check caption",
                                                  u"Button C",   u"Button B",   u"Button A"};
    QCOMPARE(TranslationRowCount(), static_cast<int32_t>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) QVERIFY(TranslationCell(static_cast<int32_t>(i), 0) == expected[i]);
    CurrentLanguage() = 0;
  }

 private:
  static QString YesButtonText() {
    QMessageBox box;
    return box.addButton(QMessageBox::Yes)->text();
  }

  testing::TempFolder config;
  testing::ProgramFolder program;
  testing::RecordingMessages messages;
};

}  // namespace trellimap

QTEST_MAIN(trellimap::LanguageTest)
#include "language_test.moc"
