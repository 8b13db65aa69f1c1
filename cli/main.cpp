// trellimap-cli: the headless tool for scripting, batch work and checking the
// program from outside. This program only reads the command line: it answers
// --help, --version and mistakes at once, without loading the picture
// libraries (a hundred shared libraries take far longer to load than such an
// answer), and hands every command over to trellimap-cli-engine, which reads
// the same command line again and does the work.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli/options.h"

namespace {

constexpr const char* kEngine = "trellimap-cli-engine";

// The engine: beside this program in a build, else where the installation
// puts it relative to the folder of programs.
std::filesystem::path EnginePath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path folder = error ? std::filesystem::path(".") : self.parent_path();
  const std::filesystem::path beside = folder / kEngine;
  if (std::filesystem::exists(beside, error)) return beside;
  return folder / TRELLIMAP_INSTALLED_ENGINE;
}

// Replaces this process with the engine, given the same command line.
[[noreturn]] void HandOver(char** argv) {
  const std::string engine = EnginePath().string();
  execv(engine.c_str(), argv);
  std::fprintf(stderr, "trellimap-cli: cannot start %s: %s\n", engine.c_str(), std::strerror(errno));
  std::exit(1);
}

// An action that hands the command over, whatever it was asked.
template <typename Result>
auto HandingOver(char** argv) {
  return [argv](const auto&...) -> Result { HandOver(argv); };
}

}  // namespace

int main(int argc, char** argv) {
  using namespace trellimap;
  using namespace trellimap::cli;
  // Checking an option's value already needs the core: the engine checks it.
  const Actions handOver{
      .parsePoints = HandingOver<std::optional<std::vector<PointPress>>>(argv),
      .placesAnOutline = HandingOver<bool>(argv),
      .knowsFormat = HandingOver<bool>(argv),
      .parsePageSize = HandingOver<std::optional<PageSize>>(argv),
      .runNew = HandingOver<int>(argv),
      .runRender = HandingOver<int>(argv),
      .runMockup = HandingOver<int>(argv),
      .runInfo = HandingOver<int>(argv),
      .runConvert = HandingOver<int>(argv),
      .runDemo = HandingOver<int>(argv),
      .runDetect = HandingOver<int>(argv),
      .runFlatten = HandingOver<int>(argv),
  };
  return RunCommandLine(argc, argv, handOver);
}
