#pragma once
// What the commands that work through many pictures share: the folder their
// results go into (each file's name is OutputNames', document/outputfiles.h),
// the progress line on a terminal, and running the pictures a few at a time.

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace trellimap::cli {

// For several inputs, makes the folder `output` if it is missing: 0, or 1
// with the reason printed.
int MakeOutputFolder(const std::vector<std::string>& inputs, const std::string& output);

// Says on a terminal how many of `total` are done ("COMMAND: 3 of 10 done"), on one line rewritten.
class ProgressLine {
 public:
  ProgressLine(std::string command, size_t total);
  void OneDone();
  void Finish() const;

 private:
  std::string command_;
  size_t total_;
  bool shown_;
  std::atomic<size_t> done_{0};
};

// Runs `one(i, threads)` for each i below `count`, `jobs` at once (0: one per
// core), with the progress line of `command`. `threads` is what each render
// may take: every core when one runs at a time, else a share. `one` returns
// an exit status; the result is the lowest non-zero status any gave (a file
// that failed outranks a milder outcome), or 0.
int RunBatch(const std::string& command, size_t count, int jobs, const std::function<int(size_t, int)>& one);

}  // namespace trellimap::cli
