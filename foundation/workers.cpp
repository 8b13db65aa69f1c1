#include "foundation/workers.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace trellimap {

int Cores() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

int ThreadsFor(int requested, int64_t units) {
  if (requested > 0) return requested;
  return units < kUnitsWorthSharing ? 1 : Cores();
}

void RunWorkers(int count, const std::function<void(int worker)>& worker) {
  std::vector<std::thread> helpers;
  for (int w = 1; w < count; ++w) helpers.emplace_back(worker, w);
  worker(0);
  for (std::thread& helper : helpers) helper.join();
}

std::optional<size_t> Turns::Next() {
  if (shared_.stopped.load()) return std::nullopt;
  const size_t item = shared_.next.fetch_add(1);
  if (item >= shared_.count) return std::nullopt;
  if (reports_ && !Continue(shared_.progress, static_cast<double>(item) / static_cast<double>(shared_.count))) {
    shared_.stopped.store(true);
    return std::nullopt;
  }
  return item;
}

bool TakeInTurn(size_t count, int threads, Progress* progress, const std::function<void(Turns&)>& worker) {
  Turns::Shared shared{count, progress};
  RunWorkers(threads, [&](int w) {
    Turns turns(shared, w == 0);
    worker(turns);
  });
  return !shared.stopped.load();
}

BackgroundWork::BackgroundWork(std::function<void()> work)
    : thread_([this, work = std::move(work)] {
        work();
        finished_.store(true);
      }) {}

BackgroundWork::~BackgroundWork() { Join(); }

void BackgroundWork::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace trellimap
