#include "workspace/commandline.h"

#include <cctype>

namespace trellimap {

bool HasProjectExtension(std::string_view fname) {
  const size_t slash = fname.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? fname : fname.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ext = name.substr(dot);
  if (ext.size() != 4) return false;
  const char* want = ".GIP";
  for (size_t i = 0; i < 4; ++i)
    if (std::toupper(static_cast<unsigned char>(ext[i])) != want[i]) return false;
  return true;
}

DropPlan PlanDrop(const std::vector<std::string>& files, int pane) {
  using Kind = DropPlan::Kind;
  if (files.size() == 1 && HasProjectExtension(files[0])) return {Kind::Project, {{-1, files[0]}}};
  for (const std::string& f : files)
    if (HasProjectExtension(f)) return {};
  if (files.size() == 2) return {Kind::Pictures, {{0, files[0]}, {1, files[1]}}};
  if (files.size() == 1 && (pane == 0 || pane == 1)) return {Kind::Pictures, {{pane, files[0]}}};
  return {};
}

ProgramCommand ParseProgramArguments(const std::vector<std::string>& arguments) {
  ProgramCommand command;
  bool options = true;
  for (const std::string& a : arguments) {
    if (options && a == "--") {
      options = false;
    } else if (options && (a == "--help" || a == "-h")) {
      return {ProgramCommand::Action::Help, {}};
    } else if (options && a == "--version") {
      return {ProgramCommand::Action::Version, {}};
    } else {
      command.files.push_back(a);
    }
  }
  return command;
}

}  // namespace trellimap
