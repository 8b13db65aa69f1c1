// The window on a screen scaled by 2 (QT_SCALE_FACTOR=2, set for this test).
#include <QtTest>

#include "tests/support/programfolder.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"
#include "tests/support/windowparts.h"
#include "ui/mainunit.h"

namespace trellimap {

class HiDpiTest : public QObject {
  Q_OBJECT

 private slots:
  // A picture shown at 50 % is drawn one picture pixel to a device pixel: a
  // checkerboard of single pixels stays one, and is not drawn as 2 × 2 blocks.
  void panesAreComposedAtTheScreensResolution() {
    const std::string board = folder.Write(
        "board.bmp", testing::MakeBmp(40, 30, 24, {}, [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFu : 0u; }));
    TMainForm form({}, program.Folder());
    form.TryToOpenFile(&form.workspace().di1, board);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.devicePixelRatio(), 2.0);
    testing::PaneOf(form, 0).zoom->setValue(50);
    QCOMPARE(testing::PaneOf(form, 0).paintBox->size(), QSize(20, 15));
    const QImage shown = testing::PaneOf(form, 0).paintBox->grab().toImage();
    QCOMPARE(shown.size(), QSize(40, 30));
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) QCOMPARE(shown.pixelColor(x, y).lightness(), (x + y) % 2 ? 255 : 0);
  }

 private:
  testing::TempFolder folder;
  testing::ProgramFolder program;
  testing::RecordingMessages messages;
};

}  // namespace trellimap

QTEST_MAIN(trellimap::HiDpiTest)
#include "hidpi_test.moc"
