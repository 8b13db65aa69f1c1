#include "ui/flattendialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>

#include "image/pixmill3.h"
#include "persist/optionsfile.h"
#include "render/workspacerender.h"
#include "scan/upright.h"
#include "tests/support/outlines.h"
#include "tests/support/programfolder.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testfiles.h"
#include "tests/support/textpages.h"
#include "tests/support/windowparts.h"
#include "ui/commandmenus.h"
#include "ui/mainunit.h"
#include "view/panegeometry.h"

namespace trellimap {

class FlattenDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    std::filesystem::remove(DataFolder(false, "") + kOptionsFileName);
    std::filesystem::remove(DataFolder(false, "") + kWindowSettingsName);
    messages.shown.clear();
  }
  void choicesBecomePageSizes();
  void theLastChoiceIsRemembered();
  void flattenTidiesUp();
  void flattenMakesPicture2APageAsOneStep();
  void theFlatPageIsFinishedAndTurned();
  void textsInGerman();

 private:
  // Item `index` of the Edit menu (separators count).
  static QAction* EditItem(TMainForm& form, int index) {
    return form.findChild<CommandMenus*>()->Edit->actions().value(index);
  }
  // Runs `answer` on the dialog as soon as it is open.
  static void WhenOpen(std::function<void(TFlattenDialog&)> answer) {
    QTimer::singleShot(0, [answer] {
      auto* dialog = qobject_cast<TFlattenDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      answer(*dialog);
    });
  }

  testing::ProgramFolder program;
  testing::RecordingMessages messages;
};

// Each choice gives its kind of size; the pixel sizes count for Custom alone,
// the resolution for the paper sizes alone and the orientation for all but
// Auto. Every choice shows the size it comes to, Custom keeps what was typed
// while another choice showed its own, and the dialog opens at the choice
// it is given.
void FlattenDialogTest::choicesBecomePageSizes() {
  using Kind = PageSize::Kind;
  using Turn = PageSize::Orientation;
  // A stand-in for the page: what each choice comes to, told apart by kind and DPI.
  const auto sizeOf = [](const PageSize& size) {
    const int32_t across = 100 + 10 * static_cast<int32_t>(size.kind) + size.dpi;
    return size.kind == Kind::Pixels             ? FlatSize{size.width, size.height}
           : size.orientation == Turn::Landscape ? FlatSize{2 * across, across}
                                                 : FlatSize{across, 2 * across};
  };
  TFlattenDialog dialog(nullptr, sizeOf);
  QCOMPARE(dialog.Kind->currentIndex(), 0);
  dialog.Kind->setCurrentIndex(5);
  dialog.Width->setValue(640);
  dialog.Height->setValue(480);
  dialog.Dpi->setValue(300);
  dialog.Turn->setCurrentIndex(2);
  const struct {
    const char* text;
    Kind kind;
    int32_t width, height, dpi;
    Turn turn;
    FlatSize shown;
  } choices[] = {
      {"Auto", Kind::Auto, 0, 0, 0, Turn::FollowPage, {100, 200}},
      {"A4", Kind::A4, 0, 0, 300, Turn::Landscape, {840, 420}},
      {"A5", Kind::A5, 0, 0, 300, Turn::Landscape, {860, 430}},
      {"Letter", Kind::Letter, 0, 0, 300, Turn::Landscape, {880, 440}},
      {"Legal", Kind::Legal, 0, 0, 300, Turn::Landscape, {900, 450}},
      {"Custom", Kind::Pixels, 640, 480, 0, Turn::Landscape, {640, 480}},
  };
  QCOMPARE(dialog.Kind->count(), 6);
  for (int i = 0; i < 6; ++i) {
    const auto& c = choices[i];
    dialog.Kind->setCurrentIndex(i);
    QCOMPARE(dialog.Kind->currentText(), QString::fromLatin1(c.text));
    const PageSize size = dialog.Chosen();
    QCOMPARE(size.kind, c.kind);
    QCOMPARE(size.width, c.width);
    QCOMPARE(size.height, c.height);
    QCOMPARE(size.dpi, c.dpi);
    QCOMPARE(size.orientation, c.turn);
    QCOMPARE(dialog.Width->isEnabled(), c.width != 0);
    QCOMPARE(dialog.Height->isEnabled(), c.height != 0);
    QCOMPARE(dialog.Dpi->isEnabled(), c.dpi != 0);
    QCOMPARE(dialog.Turn->isEnabled(), c.kind != Kind::Auto);
    QCOMPARE(FlatSize({dialog.Width->value(), dialog.Height->value()}), c.shown);
    const int32_t shorter = std::min(c.shown.width, c.shown.height);
    const QString ratio =
        QString::number(static_cast<double>(std::max(c.shown.width, c.shown.height)) / shorter, 'f', 3);
    QCOMPARE(dialog.Outcome->text(), QStringLiteral("%1 \u00d7 %2 pixels, 1 : %3, %4")
                                         .arg(c.shown.width)
                                         .arg(c.shown.height)
                                         .arg(ratio)
                                         .arg(c.shown.width > c.shown.height ? "landscape" : "portrait"));
  }
  TFlattenDialog fresh(nullptr);
  QCOMPARE(fresh.Dpi->value(), 150);
  const PageSize last{Kind::Pixels, 300, 200, 0, Turn::Portrait};
  TFlattenDialog again(nullptr, sizeOf, last);
  QVERIFY(again.Chosen() == last);
  QCOMPARE(again.Width->value(), 300);
}

// The choice made last is what the next dialog opens at, whatever it was;
// settings that are no choice give Auto.
void FlattenDialogTest::theLastChoiceIsRemembered() {
  testing::TempFolder folder;
  QSettings settings(QString::fromStdString(folder.Path("window.ini")), QSettings::IniFormat);
  QVERIFY(RecalledFlattenChoice(settings) == PageSize{});
  using Kind = PageSize::Kind;
  using Turn = PageSize::Orientation;
  for (const PageSize& chosen : {PageSize{Kind::A5, 0, 0, 300, Turn::Landscape}, PageSize{Kind::Pixels, 7, 9, 0},
                                 PageSize{Kind::Legal, 0, 0, 72, Turn::FollowPage}, PageSize{}}) {
    RememberFlattenChoice(settings, chosen);
    QVERIFY(RecalledFlattenChoice(settings) == chosen);
  }
  settings.setValue("flatten/kind", 17);
  QVERIFY(RecalledFlattenChoice(settings) == PageSize{});
  settings.setValue("flatten/kind", 5);  // pixels of no size
  settings.setValue("flatten/width", 0);
  QVERIFY(RecalledFlattenChoice(settings) == PageSize{});

  QVERIFY(RecalledFinish(settings) == PageFinish{});
  for (const PageFinish& finish :
       {PageFinish{Look::BlackWhite, {2.5, true}, 3}, PageFinish{Look::Clean, {12, false}, 0}, PageFinish{}}) {
    RememberFinish(settings, finish);
    QVERIFY(RecalledFinish(settings) == finish);
    TFlattenDialog dialog(nullptr, {}, {}, finish);
    QVERIFY(dialog.Finish() == finish);
  }
  settings.setValue("flatten/look", 9);
  settings.setValue("flatten/turn", 4);
  settings.setValue("flatten/insetpercent", true);
  settings.setValue("flatten/inset", 80.0);  // beyond what a percentage may be
  const PageFinish recalled = RecalledFinish(settings);
  QVERIFY(recalled.look == Look::Photo && recalled.turn == kTurnUpright && recalled.inset.amount == 49);
}

// The flat page comes finished as the dialog asks; the menu turns it from
// how it shows and gives it another look, each a step to undo, and the
// status bar says a turn made to read upright.
void FlattenDialogTest::theFlatPageIsFinishedAndTurned() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  Workspace& ws = form.workspace();
  QAction* turnLeft = EditItem(form, 7);
  QCOMPARE(turnLeft->text(), QStringLiteral("Turn page left"));
  QAction* turnRight = EditItem(form, 8);
  QMenu* looks = EditItem(form, 9)->menu();
  QVERIFY(looks != nullptr);
  turnRight->trigger();  // no flat page yet
  QCOMPARE(messages.shown.back().text, std::string("Result 1 is no flat page: flatten a page first."));
  testing::FillOutline(ws.punkte1,
                       {{20, 10, true}, {300, 20, true}, {290, 190, true}, {30, 180, true}, {20, 10, true}});
  ws.ecken1 = 4;
  WhenOpen([](TFlattenDialog& dialog) {
    dialog.Kind->setCurrentIndex(5);
    dialog.Width->setValue(100);
    dialog.Height->setValue(60);
    dialog.Finishing.look->setCurrentIndex(3);
    dialog.Finishing.upright->setCurrentIndex(2);  // 90° clockwise
    dialog.Finishing.insetUnit->setCurrentIndex(1);
    dialog.Finishing.inset->setValue(5);
    dialog.accept();
  });
  EditItem(form, 6)->trigger();
  const auto shape = [&ws] { return std::tuple(DibWidth(&ws.di3), DibHeight(&ws.di3), DibBitCount(&ws.di3)); };
  QCOMPARE(shape(), std::tuple(50, 90, 1));
  turnLeft->trigger();
  QCOMPARE(shape(), std::tuple(90, 50, 1));
  QCOMPARE(ws.finish.turn, 0);
  looks->actions().value(1)->trigger();  // clean
  QCOMPARE(shape(), std::tuple(90, 50, 24));
  EditItem(form, 0)->trigger();  // undo the look
  QCOMPARE(shape(), std::tuple(90, 50, 1));
  EditItem(form, 0)->trigger();  // and the turn
  QCOMPARE(shape(), std::tuple(50, 90, 1));
  QCOMPARE(ws.finish.turn, 1);

  // A page of text lying on its side is turned to read upright, and said to be.
  dib text = testing::TextPagePicture({"serif", 14, 300, 420});
  QVERIFY(TurnPage(text, 1));
  ReplacePicture(&ws.di1, text);
  testing::FillOutline(ws.punkte1, {{0, 0, true}, {419, 0, true}, {419, 299, true}, {0, 299, true}, {0, 0, true}});
  WhenOpen([](TFlattenDialog& dialog) {
    dialog.Kind->setCurrentIndex(0);
    dialog.Finishing.look->setCurrentIndex(0);
    dialog.Finishing.upright->setCurrentIndex(0);
    dialog.Finishing.inset->setValue(0);
    dialog.accept();
  });
  EditItem(form, 6)->trigger();
  QCOMPARE(shape(), std::tuple(299, 419, 24));  // the outline's longest side, across at first
  QStringList status;
  for (const QLabel* line : form.statusBar()->findChildren<QLabel*>()) status << line->text();
  QVERIFY2(status.join('\n').contains(QString::fromUtf8("The flat page is turned 270\u00b0 clockwise so that its text "
                                                        "reads upright")),
           qPrintable(status.join('\n')));
}

// Flatten asks for outline 1 first; then picture 2 becomes a white page of the
// size chosen with outline 2 on its corners, Perspective and Smooth on, and
// the choice recorded, and result 1 is rendered from it. Undo brings back
// picture 2, its outline and the options as they were, redo the page; Cancel
// changes nothing.
void FlattenDialogTest::flattenMakesPicture2APageAsOneStep() {
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  Workspace& ws = form.workspace();
  QAction* flatten = EditItem(form, 6);
  QCOMPARE(flatten->text(), QStringLiteral("Flatten..."));
  QCOMPARE(EditItem(form, 5)->text(), QStringLiteral("Find outline"));
  QCOMPARE(EditItem(form, 5)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));

  flatten->trigger();  // no outline on picture 1: no dialog (an open one would block here)
  QCOMPARE(messages.shown.size(), size_t{1});
  QCOMPARE(messages.shown[0].text, std::string("Place the page's outline on picture 1 first."));

  ReleaseDib(&ws.di1);
  newdib(&ws.di1, 200, 150, 24, nullptr, 0);
  for (int32_t y = 0; y < 150; ++y)
    for (int32_t x = 0; x < 200; ++x) setpixel(ws.di1, x, y, static_cast<uint32_t>(x * 977 + y * 131071));
  testing::FillOutline(ws.punkte1,
                       {{20, 10, true}, {180, 20, true}, {170, 140, true}, {30, 130, true}, {20, 10, true}});
  ws.ecken1 = 4;
  testing::FillOutline(ws.punkte2, {{5, 5, true}, {50, 9, true}});
  ws.ecken2 = 2;
  const uint32_t photo2 = ws.di2.poih;
  const OutlineState before = CaptureState(ws);

  WhenOpen([](TFlattenDialog& dialog) { dialog.reject(); });
  flatten->trigger();
  QVERIFY(CaptureState(ws) == before);
  QCOMPARE(ws.di2.poih, photo2);

  WhenOpen([](TFlattenDialog& dialog) {
    dialog.Kind->setCurrentIndex(5);
    dialog.Width->setValue(120);
    dialog.Height->setValue(80);
    dialog.Turn->setCurrentIndex(2);
    dialog.accept();
  });
  flatten->trigger();
  QCOMPARE(messages.shown.size(), size_t{1});
  QCOMPARE(DibWidth(&ws.di2), 120);
  QCOMPARE(DibHeight(&ws.di2), 80);
  bool white = true;
  for (int32_t y = 0; y < 80; ++y)
    for (int32_t x = 0; x < 120; ++x) white = white && DibPixelColour(ws.di2, x, y) == 0xFFFFFFu;
  QVERIFY(white);
  const std::vector<TOutlinePoint> corners = {
      {0, 0, true, {}}, {119, 0, true, {}}, {119, 79, true, {}}, {0, 79, true, {}}, {0, 0, true, {}}};
  OutlineState page = before;
  page.points2 = corners;
  page.corners2 = 4;
  page.perspective = true;
  QVERIFY(CaptureState(ws) == page);
  QVERIFY(ws.smooth && testing::Part<QCheckBox>(form, "SmoothCheck")->isChecked() &&
          testing::PerspectiveBox(form)->isChecked());
  const FlatPage made{{PageSize::Kind::Pixels, 120, 80, 0, PageSize::Orientation::Landscape}, {120, 80}};
  QVERIFY(ws.flatPage == made);
  QCOMPARE(DibWidth(&ws.di3), 120);
  const std::vector<uint8_t> rendered(ws.di3.poi, ws.di3.poi + 80 * ws.di3.bytew);
  QVERIFY(RenderAsChosen(ws, WarpDirection::OneIntoTwo));
  QVERIFY(std::vector<uint8_t>(ws.di3.poi, ws.di3.poi + 80 * ws.di3.bytew) == rendered);

  const uint32_t pageHandle = ws.di2.poih;
  EditItem(form, 0)->trigger();  // Undo
  QCOMPARE(ws.di2.poih, photo2);
  QCOMPARE(DibWidth(&ws.di2), kStartWidth);
  QVERIFY(CaptureState(ws) == before);
  QVERIFY(!ws.smooth && !testing::Part<QCheckBox>(form, "SmoothCheck")->isChecked() &&
          !testing::PerspectiveBox(form)->isChecked());
  QVERIFY(!ws.flatPage);
  QCOMPARE(testing::PaneOf(form, 1).paintBox->width(), Zoomed(kStartWidth, form.PaneZoom(1)));
  EditItem(form, 1)->trigger();  // Redo
  QCOMPARE(ws.di2.poih, pageHandle);
  QVERIFY(CaptureState(ws) == page);
  QVERIFY(ws.smooth && testing::Part<QCheckBox>(form, "SmoothCheck")->isChecked());
  QVERIFY(ws.flatPage == made);
}

// Flatten with a photo and a picture 2 opened from files: the dialog opens at
// the choice made last and shows what Auto comes to; the page goes into
// result 1, shown whole, and the status bar says so; picture 2 is named the
// blank page; result 2 is not rendered, also after undo and redo with
// "Render automatically" on, and says why; "Save picture..." proposes
// "<photo>-flat.png" beside the photo.
void FlattenDialogTest::flattenTidiesUp() {
  testing::TempFolder folder;
  testing::ScriptedDialogs dialogs;
  const auto bmp = [&](const std::string& name, int w, int h) {
    return folder.Write(name,
                        testing::MakeBmp(w, h, 24, {}, [](int x, int y) { return (x * 977 + y * 131) & 0xFFFFFF; }));
  };
  TMainForm form({}, program.Folder());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  Workspace& ws = form.workspace();
  dialogs.answers = {bmp("photo.bmp", 1600, 1200), bmp("wall.bmp", 300, 200)};
  testing::PaneOf(form, 0).fileButton->click();
  testing::PaneOf(form, 1).fileButton->click();
  testing::FillOutline(ws.punkte1,
                       {{200, 100, true}, {1400, 100, true}, {1400, 1000, true}, {200, 1000, true}, {200, 100, true}});
  ws.ecken1 = 4;
  QVERIFY(ws.renderautomatically);
  const uint32_t result2 = ws.di4.poih;
  testing::PaneOf(form, 2).zoom->setValue(400);  // a result zoomed in before
  QAction* flatten = EditItem(form, 6);

  FlatSize autoShown{};
  WhenOpen([&](TFlattenDialog& dialog) {
    QCOMPARE(dialog.Kind->currentIndex(), 0);  // nothing chosen before: Auto
    autoShown = {dialog.Width->value(), dialog.Height->value()};
    QVERIFY(dialog.Outcome->text().startsWith(
        QStringLiteral("%1 \u00d7 %2 pixels, 1 : ").arg(autoShown.width).arg(autoShown.height)));
    dialog.accept();
  });
  flatten->trigger();
  QCOMPARE(FlatSize({DibWidth(&ws.di3), DibHeight(&ws.di3)}), autoShown);
  QVERIFY(autoShown.width > autoShown.height);
  QStringList status;
  for (const QLabel* line : form.statusBar()->findChildren<QLabel*>()) status << line->text();
  QVERIFY2(status.join('\n').contains(QStringLiteral("pixels, is result 1; picture 2 is the blank page")),
           qPrintable(status.join('\n')));
  for (const size_t shown : {size_t{1}, size_t{2}}) {  // the blank page and the flat page, whole
    const Pane page = testing::PaneOf(form, shown);
    QVERIFY(page.paintBox->width() <= page.scrollBox->maximumViewportSize().width());
    QVERIFY(page.paintBox->height() <= page.scrollBox->maximumViewportSize().height());
  }
  QCOMPARE(ws.di4.poih, result2);
  QVERIFY(testing::Part<QLabel>(form, "UnmadeHint")->isVisible());
  QVERIFY(form.windowTitle().startsWith(QStringLiteral("*photo.bmp, blank page \u2013 ")));

  EditItem(form, 0)->trigger();  // Undo
  QVERIFY(!testing::Part<QLabel>(form, "UnmadeHint")->isVisible());
  QVERIFY(form.windowTitle().startsWith(QStringLiteral("*photo.bmp, wall.bmp \u2013 ")));
  EditItem(form, 1)->trigger();  // Redo
  QCOMPARE(ws.di4.poih, result2);

  testing::PaneOf(form, 2).fileButton->click();  // "Save picture...", cancelled
  QCOMPARE(dialogs.asked.back().proposedName, std::string("photo-flat.png"));
  QCOMPARE(std::filesystem::path(dialogs.asked.back().folder), std::filesystem::path(folder.Path("")).parent_path());

  WhenOpen([](TFlattenDialog& dialog) {
    dialog.Kind->setCurrentIndex(2);  // A5
    dialog.accept();
  });
  flatten->trigger();
  QCOMPARE(FlatSize({DibWidth(&ws.di3), DibHeight(&ws.di3)}), FlatSize({1240, 874}));  // turned as the page lies
  WhenOpen([](TFlattenDialog& dialog) {
    QCOMPARE(dialog.Kind->currentIndex(), 2);
    dialog.reject();
  });
  flatten->trigger();
}

// The menu items and the dialog speak German when German is in force.
void FlattenDialogTest::textsInGerman() {
  QVERIFY(WriteOptions(DataFolder(true, ""), 1));
  TMainForm form({}, program.Folder());
  form.show();
  QCOMPARE(EditItem(form, 5)->text(), QStringLiteral("Umriss finden"));
  QCOMPARE(EditItem(form, 6)->text(), QStringLiteral("Entzerren..."));
  TFlattenDialog dialog(&form);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("Entzerren"));
  QStringList items;
  for (int i = 0; i < dialog.Kind->count(); ++i) items << dialog.Kind->itemText(i);
  QCOMPARE(items, QStringList({"Automatisch", "A4", "A5", "Letter (US)", "Legal (US)", "Eigene"}));
  auto* form2 = qobject_cast<QFormLayout*>(dialog.layout());
  QStringList labels;
  for (QWidget* field : std::initializer_list<QWidget*>{dialog.Kind, dialog.Width, dialog.Height, dialog.Dpi})
    labels << qobject_cast<QLabel*>(form2->labelForField(field))->text();
  QCOMPARE(labels, QStringList({QString::fromUtf8("Größe"), "Breite", QString::fromUtf8("Höhe"), "DPI"}));
  QStringList looks;
  for (int i = 0; i < dialog.Finishing.look->count(); ++i) looks << dialog.Finishing.look->itemText(i);
  QCOMPARE(looks, QStringList({"Wie fotografiert", "Sauber", "Graustufen", QString::fromUtf8("Schwarzweiß")}));
  QCOMPARE(EditItem(form, 7)->text(), QStringLiteral("Seite nach links drehen"));
  QCOMPARE(EditItem(form, 9)->text(), QStringLiteral("Aussehen der Seite"));
  form.findChild<CommandMenus*>()->Edit->actions().value(6)->trigger();  // no outline on picture 1
  QCOMPARE(messages.shown.back().text, std::string("Legen Sie zuerst den Umriss der Seite auf Bild 1 fest."));
  CurrentLanguage() = 0;
}

}  // namespace trellimap

QTEST_MAIN(trellimap::FlattenDialogTest)
#include "flattendialog_test.moc"
