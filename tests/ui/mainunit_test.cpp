#include "ui/mainunit.h"

#include <QMenuBar>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <vector>

#include "image/pixmill3.h"
#include "persist/optionsfile.h"
#include "render/workspacerender.h"
#include "tests/support/outlines.h"
#include "tests/support/programfolder.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"
#include "tests/support/windowparts.h"

namespace trellimap {

class MainUnitTest : public QObject {
  Q_OBJECT

 private slots:
  // Every case starts in English, whatever an earlier case chose.
  void init() { std::filesystem::remove(DataFolder(false, "") + kOptionsFileName); }
  void frameTopBarAndMenu();
  void workspaceAtStart();
  void panesSplitTheClientInHalves();
  void commandLineOpensPicturesOnceOnly();
  void renderIsUntouchedByRepaintsAndEditsWhileItRuns();
  void theWindowReturnsAtItsSizeAndPlace();

 private:
  testing::ProgramFolder program;
};

void MainUnitTest::frameTopBarAndMenu() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(form.windowTitle(), QStringLiteral("Vandoriq Trellimap 1.0"));
  QCOMPARE(form.centralWidget()->size(), QSize(764, 522));

  struct Expected {
    QWidget* widget;
    const char* name;
    QString caption;
    QRect geometry;
  };
  const Expected controls[] = {
      {testing::Part<QPushButton>(form, "BitBtn1"), "BitBtn1", "Open project...", {8, 8, 113, 25}},
      {testing::Part<QPushButton>(form, "BitBtn2"), "BitBtn2", "Save project as...", {128, 8, 153, 25}},
      {testing::Part<QCheckBox>(form, "ShoworiginalCheck"),
       "ShoworiginalCheck",
       "Show original pictures in the background",
       {296, 8, 233, 17}},
      {testing::Part<QCheckBox>(form, "TransCheck"), "TransCheck", "Make transparent", {296, 24, 201, 17}},
      {testing::Part<QCheckBox>(form, "RenderCheck"), "RenderCheck", "Render automatically", {536, 8, 201, 17}},
  };
  for (const Expected& e : controls) {
    QCOMPARE(e.widget->objectName(), QString::fromLatin1(e.name));
    QCOMPARE(e.widget->property("text").toString(), e.caption);
    QCOMPARE(e.widget->geometry(), e.geometry);
    QCOMPARE(e.widget->parentWidget(), testing::Part<QWidget>(form, "Panel2"));
  }
  QCOMPARE(testing::Part<QWidget>(form, "Panel2")->geometry(), QRect(0, 0, 764, 41));
  QVERIFY(!testing::Part<QPushButton>(form, "BitBtn1")->icon().isNull());
  QVERIFY(!testing::Part<QPushButton>(form, "BitBtn2")->icon().isNull());
  QVERIFY(!testing::Part<QCheckBox>(form, "ShoworiginalCheck")->isChecked());
  QVERIFY(!testing::Part<QCheckBox>(form, "TransCheck")->isChecked());
  QVERIFY(testing::Part<QCheckBox>(form, "RenderCheck")->isChecked());

  QCOMPARE(testing::Part<QMenu>(form, "Language1")->title(), QStringLiteral("Language"));
  const QList<QAction*> items = testing::Part<QMenu>(form, "Language1")->actions();
  QCOMPARE(items.size(), 4);
  QCOMPARE(items[0]->text(), QStringLiteral("English"));
  QCOMPARE(items[1]->text(), QStringLiteral("Deutsch"));
  QVERIFY(items[2]->isSeparator());
  QCOMPARE(items[3]->text(), QString::fromUtf8("Übersetzen..."));
  QVERIFY(items[0]->isChecked() && !items[1]->isChecked());

  QCOMPARE(testing::Part<TFileDialog>(form, "OpenDialog2")->Filter, QStringLiteral("Project file (*.gip)|*.gip"));
  QCOMPARE(testing::Part<TFileDialog>(form, "SaveDialog1")->DefaultExt, QStringLiteral(".gip"));
  QVERIFY(testing::Part<TFileDialog>(form, "SaveDialog2")->Filter.isEmpty());
  QVERIFY(testing::Part<TFileDialog>(form, "OpenDialog1")->Filter.startsWith(QStringLiteral("All pictures|*.BMP;")));
  QVERIFY(testing::Part<TFileDialog>(form, "OpenDialog1")->Filter.endsWith(QStringLiteral("|All files (*.*)|*.*")));

  items[1]->trigger();
  QVERIFY(!items[0]->isChecked() && items[1]->isChecked());
  QCOMPARE(CurrentLanguage(), 1);
  QCOMPARE(testing::Part<TFileDialog>(form, "OpenDialog2")->Filter, QStringLiteral("Projektdatei (*.gip)|*.gip"));
}

void MainUnitTest::workspaceAtStart() {
  TMainForm form({}, program.Folder());
  Workspace& ws = form.workspace();
  for (const dib* d : {&ws.di1, &ws.di2, &ws.di3, &ws.di4}) {
    QVERIFY(d->poi != nullptr);
    QCOMPARE(DibWidth(d), 320);
    QCOMPARE(DibHeight(d), 200);
    QCOMPARE(DibBitCount(d), 24);
  }
  QCOMPARE(ws.punkte1.count, 0u);
  QCOMPARE(ws.punkte2.count, 0u);
  QCOMPARE(ws.ecken1 + ws.ecken2, 0);
  QCOMPARE(CurrentLanguage(), 0);
  QVERIFY(form.ProgramPath().back() == '/');
}

void MainUnitTest::panesSplitTheClientInHalves() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const int menu = form.height() - form.centralWidget()->height();
  form.resize(765, 41 + 401 + menu);
  QTRY_COMPARE(form.centralWidget()->width(), 765);
  QCOMPARE(testing::Part<QWidget>(form, "Panel1")->width(), 382);
  QCOMPARE(testing::Part<QWidget>(form, "Panel3")->width(), 383);
  QCOMPARE(testing::PaneOf(form, 0).panel->height(), 200);
  QCOMPARE(testing::PaneOf(form, 2).panel->height(), 201);
  QCOMPARE(testing::PaneOf(form, 3).panel->height(), 201);
  const char* names[4][3] = {{"Open1Btn", "ZoomEd", "Open picture..."},
                             {"Open2Btn", "ZoomEd2", "Open picture..."},
                             {"BitBtn3", "Zoomed3", "Save picture..."},
                             {"BitBtn4", "ZoomEd4", "Save picture..."}};
  for (int i = 0; i < 4; ++i) {
    const Pane& p = testing::PaneOf(form, static_cast<size_t>(i));
    QCOMPARE(p.fileButton->objectName(), QString::fromLatin1(names[i][0]));
    QCOMPARE(p.fileButton->text(), QString::fromLatin1(names[i][2]));
    QCOMPARE(p.zoom->objectName(), QString::fromLatin1(names[i][1]));
    QCOMPARE(p.zoom->value(), 30);
    QCOMPARE(p.zoom->minimum(), 1);
    QCOMPARE(p.zoom->maximum(), 10000);
    QCOMPARE(p.zoom->singleStep(), 10);
    QCOMPARE(p.label->text(), QStringLiteral("Zoom in %:"));
    QCOMPARE(p.renderButton != nullptr, i >= 2);
  }
  QCOMPARE(testing::PaneOf(form, 2).renderButton->objectName(), QStringLiteral("BerechnenBtn"));
  QCOMPARE(testing::PaneOf(form, 3).renderButton->objectName(), QStringLiteral("Render2Btn"));

  // Made as small as it goes, the window still shows every control of the
  // top bar and the tool rows whole.
  form.resize(100, 100);
  QTRY_VERIFY(form.centralWidget()->width() < 765);
  QList<QWidget*> controls = testing::Part<QWidget>(form, "Panel2")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (size_t i = 0; i < 4; ++i)
    for (QWidget* c : testing::PaneOf(form, i).toolRow->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      controls.push_back(c);
  for (const QWidget* c : controls) {
    QVERIFY2(c->parentWidget()->rect().contains(c->geometry()), qPrintable(c->objectName()));
    const QRect onClient(c->mapTo(form.centralWidget(), QPoint(0, 0)), c->size());
    QVERIFY2(form.centralWidget()->rect().contains(onClient), qPrintable(c->objectName()));
  }
}

void MainUnitTest::commandLineOpensPicturesOnceOnly() {
  testing::TempFolder folder;
  testing::RecordingMessages messages;
  const std::string one = folder.Write("one.bmp", testing::MakeBmp(7, 5, 24, {}, [](int, int) { return 0x0000FFu; }));
  const std::string two =
      folder.Write("two.bmp", testing::MakeBmp(3, 2, 8, {{0, 255, 0}}, [](int, int) { return 0u; }));
  TMainForm form({QString::fromStdString(one), QString::fromStdString(two)}, program.Folder());
  QCOMPARE(DibWidth(&form.workspace().di1), 320);  // nothing is opened before the first showing
  form.show();
  QCOMPARE(DibWidth(&form.workspace().di1), 7);
  QCOMPARE(getpixel(form.workspace().di1, 6, 4), 0x0000FFu);
  QCOMPARE(DibWidth(&form.workspace().di2), 3);
  QCOMPARE(DibBitCount(&form.workspace().di2), 24);
  QCOMPARE(getpixel(form.workspace().di2, 0, 0), 0x00FF00u);

  // Showing the window again opens nothing again.
  form.TryToOpenFile(&form.workspace().di1, two);
  form.hide();
  form.show();
  QCOMPARE(DibWidth(&form.workspace().di1), 3);
  QVERIFY(messages.shown.empty());
}

// The size and place a window is closed at are where the next one opens; the
// file is the window's own, never options.dat.
void MainUnitTest::theWindowReturnsAtItsSizeAndPlace() {
  const std::string settings = DataFolder(false, "") + kWindowSettingsName;
  std::filesystem::remove(settings);
  QSize closedAt;
  {
    TMainForm form({}, program.Folder());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.resize(form.width() + 40, form.height() + 30);
    closedAt = form.size();
    QVERIFY(form.close());
  }
  QVERIFY(std::filesystem::exists(settings));
  QVERIFY(!std::filesystem::exists(DataFolder(false, "") + kOptionsFileName));
  TMainForm again({}, program.Folder());
  QCOMPARE(again.size(), closedAt);
  std::filesystem::remove(settings);
}

// A render runs on a worker while the window keeps repainting: the paint
// events read the outlines (markers, corner numbers), and whatever the window
// does to its live lists meanwhile leaves the render alone, which works on
// its own copies. Under ThreadSanitizer a render that read the live lists
// is reported; in any build its result would follow the moved point.
void MainUnitTest::renderIsUntouchedByRepaintsAndEditsWhileItRuns() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  Workspace& ws = form.workspace();
  for (dib* d : {&ws.di1, &ws.di2}) {
    ReleaseDib(d);
    newdib(d, 1600, 1200, 24, nullptr, 0);
    for (int32_t i = 0; i < DibHeight(d) * d->bytew; ++i) d->poi[i] = static_cast<uint8_t>(i * 13 + i / 4099);
  }
  testing::FillOutline(ws.punkte1, {{20, 30, true},
                                    {700, 10, false},
                                    {1500, 60, true},
                                    {1550, 1100, true},
                                    {900, 1180, false},
                                    {40, 1150, true},
                                    {20, 30, true}});
  testing::FillOutline(ws.punkte2,
                       {{100, 50, true}, {1400, 100, true}, {1300, 1000, true}, {200, 1100, true}, {100, 50, true}});
  ws.ecken1 = ws.ecken2 = 4;

  QVERIFY(RenderDirectionExact(ws, WarpDirection::OneIntoTwo));
  const std::vector<uint8_t> expected(ws.di3.poi, ws.di3.poi + DibHeight(&ws.di3) * ws.di3.bytew);
  ReleaseDib(&ws.di3);

  int repaints = 0;
  QTimer meanwhile;
  QObject::connect(&meanwhile, &QTimer::timeout, [&] {
    auto* corner = static_cast<TOutlinePoint*>(ws.punkte2.GetObject(1));
    corner->x += repaints % 2 == 0 ? 300 : -300;  // back and forth
    form.PaintBox1Paint();
    form.PaintBox2Paint();
    form.resize(form.width() + (repaints % 2 == 0 ? 1 : -1), form.height());
    ++repaints;
  });
  meanwhile.start(0);
  form.BerechnenBtnClick();
  meanwhile.stop();
  if (repaints % 2 == 1) static_cast<TOutlinePoint*>(ws.punkte2.GetObject(1))->x -= 300;
  QVERIFY(repaints > 0);
  QVERIFY(ws.di3.poi != nullptr);
  QVERIFY(std::vector<uint8_t>(ws.di3.poi, ws.di3.poi + DibHeight(&ws.di3) * ws.di3.bytew) == expected);
}

}  // namespace trellimap

QTEST_MAIN(trellimap::MainUnitTest)
#include "mainunit_test.moc"
