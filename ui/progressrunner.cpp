#include "ui/progressrunner.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <exception>

#include "foundation/ioerror.h"
#include "foundation/workers.h"
#include "i18n/translateunit.h"

namespace trellimap {
namespace {

// What the worker and the window share: how far, whether to stop, whether done.
class SharedProgress final : public Progress {
 public:
  bool Report(double fraction) override {
    permille_.store(static_cast<int>(fraction * 1000));
    return !stop_.load();
  }
  int Permille() const { return permille_.load(); }
  void Stop() { stop_.store(true); }

 private:
  std::atomic<int> permille_{0};
  std::atomic<bool> stop_{false};
};

}  // namespace

bool RunWithProgress(QWidget* parent, const QString& title, const QString& label,
                     const std::function<bool(Progress&)>& work) {
  SharedProgress progress;
  bool result = false;
  std::exception_ptr failure;
  BackgroundWork worker([&] {
    try {
      result = work(progress);
    } catch (...) {
      failure = std::current_exception();
    }
  });

  // A short wait takes no input at all; a longer one gets the modal dialog,
  // which keeps input from the window while letting the user cancel.
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (worker.Finished()) loop.quit();
  });
  poll.start();
  QTimer::singleShot(kProgressDelayMs, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  if (!worker.Finished()) {
    QProgressDialog dialog(parent);  // with the toolkit's own Cancel button, in the language in force
    dialog.setLabelText(label);
    dialog.setRange(0, 1000);
    dialog.setWindowTitle(title);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    QObject::disconnect(&poll, nullptr, &loop, nullptr);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
      if (dialog.wasCanceled()) progress.Stop();  // the Cancel button, Escape or closing the dialog
      dialog.setValue(progress.Permille());
      if (worker.Finished()) loop.quit();
    });
    dialog.show();
    loop.exec();
  }
  worker.Join();
  if (failure) std::rethrow_exception(failure);
  return result;
}

void DialogRunner::Run(const char* doing, const std::function<void(Progress&)>& work) {
  RunWithProgress(parent_, QString::fromLatin1(kApplicationTitle), QString::fromStdString(TranslateUtf8(doing)),
                  [&](Progress& progress) {
                    work(progress);
                    return true;
                  });
}

}  // namespace trellimap
