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
// options and is dropped, so that a file named like an option can be opened.
// The window system's own options (-platform NAME, -style NAME, -reverse, ...)
// are left to it; any other word beginning with "--" is refused. Everything
// else is a file, in order; only the first two are opened, the rest are
// named in `ignored`.
struct ProgramCommand {
  enum class Action { Run, Help, Version, Refuse } action = Action::Run;
  std::vector<std::string> files;
  std::vector<std::string> ignored;
  std::string unknownOption;  // with Refuse
};
ProgramCommand ParseProgramArguments(const std::vector<std::string>& arguments);

// What files dropped on the window do: one project anywhere opens it, two
// pictures anywhere open as pictures 1 and 2, one picture on picture pane
// `pane` (0 or 1; -1 elsewhere) opens there; anything else is refused.
struct DropPlan {
  enum class Kind { Refuse, Project, Pictures } kind = Kind::Refuse;
  std::vector<std::pair<int, std::string>> files;  // (pane, file); the project with pane -1
};
DropPlan PlanDrop(const std::vector<std::string>& files, int pane);

// The version the programs report.
inline constexpr const char* kVersion = "1.0";

}  // namespace trellimap
