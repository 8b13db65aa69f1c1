#pragma once
// The one way work runs on threads: how many threads a piece of work is
// worth, running a number of workers at once, workers taking items in turn
// with progress and a stop for all, and one worker beside a waiting caller.
// Nothing else in the program starts a thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

#include "foundation/progress.h"

namespace trellimap {

// The processor's cores, at least 1.
int Cores();

// Below this many pixels (or like units) work is done faster on one thread
// than shared: starting threads costs more than they save.
inline constexpr int64_t kUnitsWorthSharing = int64_t{1} << 16;

// The threads for work of `units` pixels: `requested` when positive, else one
// per core, or one alone below kUnitsWorthSharing.
int ThreadsFor(int requested, int64_t units);

// Runs worker(0) … worker(count - 1) at once, worker 0 on the calling
// thread, and returns when all have returned. `count` below 1 runs worker 0.
void RunWorkers(int count, const std::function<void(int worker)>& worker);

// One worker's view of items shared out in turn: Next() gives the next item
// no worker has taken yet, or nothing once all are taken or the work stopped.
class Turns {
 public:
  std::optional<size_t> Next();

 private:
  friend bool TakeInTurn(size_t, int, Progress*, const std::function<void(Turns&)>&);
  struct Shared {
    size_t count;
    Progress* progress;
    std::atomic<size_t> next{0};
    std::atomic<bool> stopped{false};
  };
  Turns(Shared& shared, bool reports) : shared_(shared), reports_(reports) {}
  Shared& shared_;
  bool reports_;
};

// Items 0 … count - 1 shared out among `threads` workers (RunWorkers), each
// running `worker` with its own Turns to take items from. Before each item
// worker 0 takes, it tells `progress` the share of items handed out; told to
// stop, it stops every worker before its next item. False when stopped.
bool TakeInTurn(size_t count, int threads, Progress* progress, const std::function<void(Turns&)>& worker);

// A worker that runs beside a caller who waits for it in some other way (a
// window's event loop): `work` starts at construction; the destructor, or
// Join, waits for it to end.
class BackgroundWork {
 public:
  explicit BackgroundWork(std::function<void()> work);
  ~BackgroundWork();
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;

  // Whether `work` has returned.
  bool Finished() const { return finished_.load(); }
  void Join();

 private:
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace trellimap
