#pragma once
// trellimap-cli's command line, declared once for the two programs that read
// it. The tool itself is small and starts at once: it answers --help,
// --version and mistakes alone, and hands every command over to the engine,
// which links the picture libraries, reads the same command line again and
// does the work. What differs between the two is what checking an option's
// value and running a command do: the actions.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"

namespace trellimap::cli {

struct Actions {
  // Checks and parses of option values.
  std::function<std::optional<std::vector<PointPress>>(std::string_view text)> parsePoints;
  std::function<bool(const std::vector<PointPress>& presses)> placesAnOutline;
  std::function<bool(const std::string& extension)> knowsFormat;
  std::function<std::optional<PageSize>(std::string_view text)> parsePageSize;
  // The commands, each returning the exit status.
  std::function<int(const NewArguments&)> runNew;
  std::function<int(const RenderArguments&)> runRender;
  std::function<int(const MockupArguments&)> runMockup;
  std::function<int(const InfoArguments&)> runInfo;
  std::function<int(const ConvertArguments&)> runConvert;
  std::function<int(const DemoArguments&)> runDemo;
  std::function<int(const DetectArguments&)> runDetect;
  std::function<int(const FlattenArguments&)> runFlatten;
};

// Parses the command line and runs the command it asks for with `actions`;
// the exit status.
int RunCommandLine(int argc, char** argv, const Actions& actions);

}  // namespace trellimap::cli
