#include "ui/flattendialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>

#include "image/pixmill3.h"
#include "persist/optionsfile.h"
#include "render/workspacerender.h"
#include "tests/support/outlines.h"
#include "tests/support/programfolder.h"
#include "tests/support/recordingmessages.h"
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
    messages.shown.clear();
  }
  void choicesBecomePageSizes();
  void flattenMakesPicture2APageAsOneStep();
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
// and the resolution for the paper sizes alone.
void FlattenDialogTest::choicesBecomePageSizes() {
  TFlattenDialog dialog(nullptr);
  dialog.Width->setValue(640);
  dialog.Height->setValue(480);
  dialog.Dpi->setValue(300);
  using Kind = PageSize::Kind;
  const struct {
    const char* text;
    Kind kind;
    int32_t width, height, dpi;
  } choices[] = {
      {"Auto", Kind::Auto, 0, 0, 0},       {"A4", Kind::A4, 0, 0, 300},       {"A5", Kind::A5, 0, 0, 300},
      {"Letter", Kind::Letter, 0, 0, 300}, {"Legal", Kind::Legal, 0, 0, 300}, {"Custom", Kind::Pixels, 640, 480, 0},
  };
  QCOMPARE(dialog.Kind->count(), 6);
  QCOMPARE(dialog.Kind->currentIndex(), 0);
  for (int i = 0; i < 6; ++i) {
    const auto& c = choices[i];
    dialog.Kind->setCurrentIndex(i);
    QCOMPARE(dialog.Kind->currentText(), QString::fromLatin1(c.text));
    const PageSize size = dialog.Chosen();
    QCOMPARE(size.kind, c.kind);
    QCOMPARE(size.width, c.width);
    QCOMPARE(size.height, c.height);
    QCOMPARE(size.dpi, c.dpi);
    QCOMPARE(dialog.Width->isEnabled(), c.width != 0);
    QCOMPARE(dialog.Height->isEnabled(), c.height != 0);
    QCOMPARE(dialog.Dpi->isEnabled(), c.dpi != 0);
  }
  TFlattenDialog fresh(nullptr);
  QCOMPARE(fresh.Dpi->value(), 150);
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
  const FlatPage made{{PageSize::Kind::Pixels, 120, 80, 0}, {120, 80}};
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
  form.findChild<CommandMenus*>()->Edit->actions().value(6)->trigger();  // no outline on picture 1
  QCOMPARE(messages.shown.back().text, std::string("Legen Sie zuerst den Umriss der Seite auf Bild 1 fest."));
  CurrentLanguage() = 0;
}

}  // namespace trellimap

QTEST_MAIN(trellimap::FlattenDialogTest)
#include "flattendialog_test.moc"
