#include "render/mockup.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "cli/commands.h"
#include "cli/files.h"
#include "codecs/formatregistry.h"
#include "codecs/pictureopening.h"
#include "image/pictureloading.h"
#include "image/pixmill3.h"
#include "render/perspectivewarnings.h"

namespace trellimap::cli {
namespace {

namespace fs = std::filesystem;

// The file each design's mockup is written to: OUT itself for one design,
// else a file in the folder OUT named after the design, in `format`; a
// name taken by an earlier design gets "-2", "-3", ... added.
std::vector<std::string> OutputNames(const MockupOptions& options) {
  if (options.designs.size() == 1 && !fs::is_directory(options.output)) return {options.output};
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const std::string& design : options.designs) {
    const std::string stem = fs::path(design).stem().string();
    std::string name = stem;
    for (int n = 2; !taken.insert(name).second; ++n) name = stem + "-" + std::to_string(n);
    names.push_back((fs::path(options.output) / (name + "." + options.format)).string());
  }
  return names;
}

// Says on a terminal how many mockups are done, on one line rewritten.
class ProgressLine {
 public:
  explicit ProgressLine(size_t total) : total_(total), shown_(isatty(fileno(stderr)) != 0) {}
  void OneDone() {
    const size_t done = ++done_;
    if (shown_) std::fprintf(stderr, "\rmockup: %zu of %zu done", done, total_);
  }
  void Finish() const {
    if (shown_) std::fputc('\n', stderr);
  }

 private:
  size_t total_;
  bool shown_;
  std::atomic<size_t> done_{0};
};

}  // namespace

int Mockup(const MockupOptions& options) {
  if (!FindExtension(options.format))
    return Fail(options.format, "names no picture format (use png, jpg, bmp, tif, ...)");
  Workspace ws;
  if (const int status = OpenProject(ws, options.templateProject)) return status;
  const ConstSideRef place = std::as_const(ws).Side(1);
  if (place.picture.poi == nullptr) return Fail(options.templateProject, "the project has no picture 2");
  if (place.corners != 4) return Fail(options.templateProject, "the outline on picture 2 needs four corners");
  if (const std::string warning = PerspectiveWarning(place.outline, 2); !warning.empty())
    std::fprintf(stderr, "trellimap-cli: %s: %s\n", options.templateProject.c_str(), warning.c_str());
  if (options.designs.size() > 1) {
    std::error_code error;
    fs::create_directories(options.output, error);
    if (!fs::is_directory(options.output)) return Fail(options.output, "the folder could not be made");
  }
  DepthUpTo(24, &ws.Side(1).picture);

  const std::vector<std::string> outputs = OutputNames(options);
  const size_t count = options.designs.size();
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int jobs =
      static_cast<int>(std::min<size_t>(count, static_cast<size_t>(options.jobs > 0 ? options.jobs : cores)));
  // With one job the render takes every core; with several, each takes its share.
  const int threads = jobs == 1 ? 0 : std::max(1, cores / jobs);
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex reading;  // pictures are read one at a time: reading is short, and reports its failures itself
  ProgressLine progress(count);
  // Each job owns its design, the template outline's copy and its result; the
  // template picture is only read while they run.
  auto job = [&] {
    TDynaArray outline(sizeof(TOutlinePoint));
    if (!CopyOutline(place.outline, outline)) {
      failed = true;
      return;
    }
    for (size_t i = next++; i < count; i = next++) {
      dib design{}, result{};
      bool read;
      {
        const std::lock_guard<std::mutex> lock(reading);
        read = TryToOpenFile(&design, options.designs[i]);
      }
      if (read) {
        DepthUpTo(24, &design);
        RenderMockup(design, place.picture, outline, result, threads);
      }
      if (!read ||
          (result.poi == nullptr ? Fail(outputs[i], "no memory for the mockup") : WritePicture(result, outputs[i])))
        failed = true;
      ReleaseDib(&design);
      ReleaseDib(&result);
      progress.OneDone();
    }
  };
  std::vector<std::thread> helpers;
  for (int j = 1; j < jobs; ++j) helpers.emplace_back(job);
  job();
  for (std::thread& h : helpers) h.join();
  progress.Finish();
  return failed ? 1 : 0;
}

}  // namespace trellimap::cli
