#include "cli/batch.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "cli/files.h"
#include "document/outputfiles.h"
#include "foundation/workers.h"

namespace trellimap::cli {

int MakeOutputFolder(const std::vector<std::string>& inputs, const std::string& output) {
  if (inputs.size() <= 1) return 0;
  return MakeFolder(output) ? 0 : Fail(output, "the folder could not be made");
}

ProgressLine::ProgressLine(std::string command, size_t total)
    : command_(std::move(command)), total_(total), shown_(isatty(fileno(stderr)) != 0) {}

void ProgressLine::OneDone() {
  const size_t done = ++done_;
  if (shown_) std::fprintf(stderr, "\r%s: %zu of %zu done", command_.c_str(), done, total_);
}

void ProgressLine::Finish() const {
  if (shown_) std::fputc('\n', stderr);
}

int RunBatch(const std::string& command, size_t count, int jobs, const std::function<int(size_t, int)>& one) {
  const int cores = Cores();
  const int running = static_cast<int>(std::min<size_t>(count, static_cast<size_t>(jobs > 0 ? jobs : cores)));
  // With one job the render takes every core; with several, each takes its share.
  const int threads = running <= 1 ? 0 : std::max(1, cores / running);
  std::atomic<int> worst{0};
  ProgressLine progress(command, count);
  TakeInTurn(count, running, nullptr, [&](Turns& turns) {
    while (const std::optional<size_t> i = turns.Next()) {
      const int status = one(*i, threads);
      for (int seen = worst; status != 0 && (seen == 0 || status < seen);)
        if (worst.compare_exchange_weak(seen, status)) break;
      progress.OneDone();
    }
  });
  progress.Finish();
  return worst;
}

}  // namespace trellimap::cli
