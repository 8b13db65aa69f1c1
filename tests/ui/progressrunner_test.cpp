#include "ui/progressrunner.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>
#include <chrono>
#include <thread>

#include "foundation/ioerror.h"

namespace trellimap {

class ProgressRunnerTest : public QObject {
  Q_OBJECT

 private slots:
  // A quick job shows no dialog; a slow one shows it, and Cancel asks the
  // job to stop, which it does, leaving things as they were.
  void slowWorkCanBeCancelled() {
    bool sawDialog = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
        sawDialog = true;
        dialog->findChild<QPushButton*>()->click();  // Cancel
      }
    });
    watcher.start(50);
    QVERIFY(RunWithProgress(nullptr, "Trellimap", "Quick", [](Progress&) { return true; }));
    QVERIFY(!sawDialog);

    int state = 1;
    const bool done = RunWithProgress(nullptr, "Trellimap", "Slow", [&](Progress& progress) {
      for (int step = 0; step < 500; ++step) {  // up to 10 s, unless stopped
        if (!progress.Report(step / 500.0)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      state = 2;
      return true;
    });
    QVERIFY(sawDialog);
    QVERIFY(!done);
    QCOMPARE(state, 1);
  }

  void failuresReachTheWindowsThread() {
    QVERIFY_THROWS_EXCEPTION(InOutError, RunWithProgress(nullptr, "Trellimap", "Failing",
                                                         [](Progress&) -> bool { throw InOutError::DiskFull(); }));
  }
};

}  // namespace trellimap

QTEST_MAIN(trellimap::ProgressRunnerTest)
#include "progressrunner_test.moc"
