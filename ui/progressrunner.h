#pragma once
// Long work off the window's thread: the work runs on a worker thread while
// the window waits in a local event loop, so it keeps repainting but takes no
// other input. Work that lasts longer than a moment gets a progress dialog
// with a Cancel button, which asks the work to stop.

#include <QString>
#include <QWidget>
#include <functional>

#include "foundation/progress.h"
#include "foundation/workrunner.h"

namespace trellimap {

// Runs `work` with a progress of its own and returns what it returns. The
// dialog (titled `title`, saying `label`) appears after kProgressDelayMs.
// An InOutError the work throws is thrown again here, on the window's thread.
bool RunWithProgress(QWidget* parent, const QString& title, const QString& label,
                     const std::function<bool(Progress&)>& work);

inline constexpr int kProgressDelayMs = 300;

// Runs work with RunWithProgress over `parent`: the dialog is titled with the
// application's title and says what the work does in the language in force.
class DialogRunner final : public WorkRunner {
 public:
  explicit DialogRunner(QWidget* parent) : parent_(parent) {}
  void Run(const char* doing, const std::function<void(Progress&)>& work) override;

 private:
  QWidget* parent_;
};

}  // namespace trellimap
