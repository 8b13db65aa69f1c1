#pragma once
// How long work is run: the window runs it on a worker thread while it waits
// with a progress dialog; the command line runs it in place. Work that a
// document hands over this way owns or borrows everything it touches, so it
// may run on any thread.

#include <functional>

#include "foundation/progress.h"

namespace trellimap {

class WorkRunner {
 public:
  virtual ~WorkRunner() = default;
  // Runs `work`, which tells its progress how far it got and learns there
  // whether to stop, and returns when it has ended. `doing` (English, looked
  // up in the translation table where it is shown) says what the work does.
  // An exception the work throws reaches the caller.
  virtual void Run(const char* doing, const std::function<void(Progress&)>& work) = 0;
};

// Runs work on the calling thread, never asking it to stop.
class RunInPlace final : public WorkRunner {
 public:
  void Run(const char* /*doing*/, const std::function<void(Progress&)>& work) override {
    struct Unstoppable final : Progress {
      bool Report(double) override { return true; }
    } progress;
    work(progress);
  }
};

}  // namespace trellimap
