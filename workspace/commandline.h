#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trellimap {

// True when the extension of the file name part of `fname` (from its last dot)
// is ".gip" in any mix of case: such an argument is opened as a project.
bool HasProjectExtension(std::string_view fname);

// What the desktop program's command line asks for: --help or --version
// (before any "--"), or a run with the files named. A first "--" ends the
// options and is dropped, so that a file named like an option can be opened;
// everything else is a file, in order.
struct ProgramCommand {
  enum class Action { Run, Help, Version } action = Action::Run;
  std::vector<std::string> files;
};
ProgramCommand ParseProgramArguments(const std::vector<std::string>& arguments);

// The version the programs report.
inline constexpr const char* kVersion = "1.0";

}  // namespace trellimap
