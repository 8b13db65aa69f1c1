#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include "image/pixmill3.h"
#include "render/workspacerender.h"
#include "tests/support/programfolder.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/windowparts.h"
#include "ui/mainunit.h"

namespace trellimap {

// Pictures with a different colour at every pixel, so a wrong source shows.
void Fill(dib& d, int32_t w, int32_t h, uint32_t salt) {
  ReleaseDib(&d);
  newdib(&d, w, h, 24, nullptr, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) setpixel(d, x, y, (x * 7 + y * 131 + salt) & 0xFFFFFF);
}

class PanesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    form = std::make_unique<TMainForm>(QStringList{}, program.Folder());
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  }
  void cleanup() { form.reset(); }

  void zoomSizesTheDrawingArea();
  void typedZoomIsPaintedAsItStandsAndClampedWhenTheEditIsLeft();
  void pressesFollowTheTableAndRenderWhenBothOutlinesClose();
  void optionsAndButtonsRender();
  void markersAreDrawnOnThePicture();
  void largestZoomComposesOnlyTheVisiblePart();

 private:
  void Click(int pane, Qt::MouseButton button, int x, int y) {
    QTest::mouseClick(testing::PaneOf(*form, static_cast<size_t>(pane)).paintBox, button, {}, QPoint(x, y));
  }
  void SetZoom(int pane, const QString& text) {
    // Typed into the edit, as a user does: the text, not the spin value, counts.
    testing::PaneOf(*form, static_cast<size_t>(pane)).zoom->findChild<QLineEdit*>()->setText(text);
  }
  std::unique_ptr<TMainForm> form;
  testing::ProgramFolder program;
  testing::RecordingMessages messages;
};

void PanesTest::zoomSizesTheDrawingArea() {
  TPaintBox* box = testing::PaneOf(*form, 0).paintBox;
  QTRY_COMPARE(box->size(), QSize(96, 60));  // 320 × 200 at 30 %
  SetZoom(0, "250");
  QCOMPARE(box->size(), QSize(800, 500));
  SetZoom(0, "");  // an empty entry counts as 1 %
  QCOMPARE(box->size(), QSize(3, 2));
  SetZoom(0, "250");
  QCOMPARE(box->size(), QSize(800, 500));
  Fill(form->workspace().di3, 15, 5, 0);
  form->PaintBox3Paint();
  QCOMPARE(testing::PaneOf(*form, 2).paintBox->size(), QSize(4, 2));  // 4.5 and 1.5 go to the even neighbours
}

void PanesTest::typedZoomIsPaintedAsItStandsAndClampedWhenTheEditIsLeft() {
  form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(form.get()));
  TZoomEdit* zoom = testing::PaneOf(*form, 0).zoom;
  QLineEdit* entry = zoom->findChild<QLineEdit*>();
  TPaintBox* box = testing::PaneOf(*form, 0).paintBox;
  const struct {
    const char* typed;
    QSize painted;
    const char* left;
  } cases[] = {{"0", {3, 2}, "1"},
               {"20000", {32000, 20000}, "10000"},
               {"", {3, 2}, "1"},
               {"-7", {3, 2}, "1"},
               {"250x", {800, 500}, "250"}};  // a letter is refused
  for (const auto& c : cases) {
    zoom->setFocus();
    zoom->selectAll();
    QTest::keyClick(zoom, Qt::Key_Backspace);
    QTest::keyClicks(zoom, QString::fromLatin1(c.typed));
    QCOMPARE(entry->text(), QString::fromLatin1(c.typed).remove(QLatin1Char('x')));
    QCOMPARE(box->size(), c.painted);
    testing::PaneOf(*form, 1).zoom->setFocus();  // the focus leaves
    QCOMPARE(entry->text(), QString::fromLatin1(c.left));
    QCOMPARE(box->size(), c.painted);
  }
}

void PanesTest::pressesFollowTheTableAndRenderWhenBothOutlinesClose() {
  Fill(form->workspace().di1, 40, 30, 1);
  Fill(form->workspace().di2, 50, 20, 2);
  SetZoom(0, "200");
  SetZoom(1, "200");
  form->PaintBox1Paint();
  form->PaintBox2Paint();
  Workspace& ws = form->workspace();

  Click(0, Qt::RightButton, 5, 7);  // the first press is a corner, at (2.5 → 2, 3.5 → 4)
  QCOMPARE(ws.punkte1.count, 1u);
  QCOMPARE(ws.apunkt->x, 2);
  QCOMPARE(ws.apunkt->y, 4);
  QVERIFY(ws.apunkt->iscorner);
  Click(0, Qt::MiddleButton, 30, 6);  // an intermediate point of side 1
  QVERIFY(!static_cast<TOutlinePoint*>(ws.punkte1.GetObject(1))->iscorner);
  Click(0, Qt::BackButton, 50, 6);  // side buttons take no part
  Click(0, Qt::ForwardButton, 50, 6);
  QCOMPARE(ws.punkte1.count, 2u);
  Click(0, Qt::LeftButton, 70, 8);
  Click(0, Qt::RightButton, 40, 40);  // ignored on side 2
  QCOMPARE(ws.punkte1.count, 3u);
  Click(0, Qt::LeftButton, 70, 50);
  Click(0, Qt::LeftButton, 6, 52);
  QCOMPARE(ws.ecken1, 4);
  QCOMPARE(ws.punkte1.count, 6u);  // with the closing record

  const std::vector<uint8_t> before(ws.di3.poi, ws.di3.poi + 200 * ws.di3.bytew);
  for (const QPoint p : {QPoint(4, 4), QPoint(90, 4), QPoint(90, 36)}) Click(1, Qt::LeftButton, p.x(), p.y());
  QCOMPARE(DibWidth(&ws.di3), 320);  // three corners on picture 2: nothing rendered
  QVERIFY(std::equal(before.begin(), before.end(), ws.di3.poi));
  Click(1, Qt::LeftButton, 4, 36);
  QCOMPARE(DibWidth(&ws.di3), 50);  // result 1 has picture 2's size
  QCOMPARE(DibWidth(&ws.di4), 40);  // result 2 has picture 1's size

  // The window renders exactly what the renderer gives for this workspace.
  const std::vector<uint8_t> shown(ws.di3.poi, ws.di3.poi + 20 * ws.di3.bytew);
  RenderDirectionExact(ws, WarpDirection::OneIntoTwo);
  QVERIFY(std::equal(shown.begin(), shown.end(), ws.di3.poi));

  // A press on a complete outline starts a new one; the results stay.
  Click(0, Qt::RightButton, 10, 10);
  QCOMPARE(ws.punkte1.count, 1u);
  QCOMPARE(ws.ecken1, 1);
  QCOMPARE(DibWidth(&ws.di3), 50);
}

void PanesTest::optionsAndButtonsRender() {
  Workspace& ws = form->workspace();
  Fill(ws.di1, 20, 20, 3);
  Fill(ws.di2, 20, 20, 4);
  testing::Part<QCheckBox>(*form, "RenderCheck")->setChecked(false);
  for (int pane : {0, 1})
    for (const QPoint p : {QPoint(0, 0), QPoint(5, 0), QPoint(5, 5), QPoint(0, 5)})
      Click(pane, Qt::LeftButton, p.x(), p.y());
  QCOMPARE(DibWidth(&ws.di3), 320);  // automatic rendering is off
  testing::Part<QCheckBox>(*form, "ShoworiginalCheck")->setChecked(true);
  QCOMPARE(DibWidth(&ws.di3), 320);
  testing::PaneOf(*form, 2).renderButton->click();
  QCOMPARE(DibWidth(&ws.di3), 20);
  QCOMPARE(getpixel(ws.di3, 19, 19), getpixel(ws.di2, 19, 19));  // background shown
  QCOMPARE(DibWidth(&ws.di4), 320);
  testing::PaneOf(*form, 3).renderButton->click();
  QCOMPARE(DibWidth(&ws.di4), 20);

  testing::Part<QCheckBox>(*form, "RenderCheck")->setChecked(true);
  ReleaseDib(&ws.di3);
  newdib(&ws.di3, 1, 1, 24, nullptr, 0);
  ws.transparent = true;
  form->ShowWorkspace();  // the program sets the boxes
  QVERIFY(testing::Part<QCheckBox>(*form, "TransCheck")->isChecked());
  QCOMPARE(DibWidth(&ws.di3), 1);  // held back while the program sets the boxes
  testing::Part<QCheckBox>(*form, "TransCheck")->setChecked(false);
  QCOMPARE(DibWidth(&ws.di3), 20);
  QVERIFY(!ws.transparent && ws.showoriginal);
}

void PanesTest::markersAreDrawnOnThePicture() {
  Workspace& ws = form->workspace();
  Fill(ws.di1, 100, 80, 5);
  SetZoom(0, "100");
  Click(0, Qt::LeftButton, 30, 20);
  Click(0, Qt::MiddleButton, 60, 20);
  const QImage shown = testing::PaneOf(*form, 0).paintBox->grab().toImage();
  const QColor red(255, 0, 0);
  QCOMPARE(shown.pixelColor(27, 17), red);  // corner marker, 2-pixel pen
  QCOMPARE(shown.pixelColor(26, 16), red);
  QCOMPARE(shown.pixelColor(57, 17), red);  // intermediate marker, 1 pixel
  QVERIFY(shown.pixelColor(56, 16) != red);
  QCOMPARE(shown.pixelColor(45, 20), red);  // the line joining them
  const uint32_t c = getpixel(ws.di1, 10, 70);
  QCOMPARE(shown.pixelColor(10, 70), QColor(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF));
}

void PanesTest::largestZoomComposesOnlyTheVisiblePart() {
  Fill(form->workspace().di1, 4000, 3000, 6);
  SetZoom(0, "10000");
  TPaintBox* box = testing::PaneOf(*form, 0).paintBox;
  QCOMPARE(box->size(), QSize(400000, 300000));
  QScrollArea* scroll = testing::PaneOf(*form, 0).scrollBox;
  scroll->horizontalScrollBar()->setValue(123456);
  scroll->verticalScrollBar()->setValue(234567);
  box->repaint();
  QVERIFY(form->PaneBitmap(0).width() <= scroll->viewport()->width());
  QVERIFY(form->PaneBitmap(0).height() <= scroll->viewport()->height());
  // A pixel of the viewport shows the picture's pixel under it.
  const QImage shown = scroll->viewport()->grab().toImage();
  const QPoint at(44, 33);
  const uint32_t c = getpixel(form->workspace().di1, (123456 + at.x()) / 100, (234567 + at.y()) / 100);
  QCOMPARE(shown.pixelColor(at), QColor(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF));
}

}  // namespace trellimap

QTEST_MAIN(trellimap::PanesTest)
#include "panes_test.moc"
