#include "workspace/commandline.h"

#include <algorithm>
#include <cctype>
#include <span>

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

namespace {

// The window system's options: those that take the next word as their value, and those that do not.
constexpr std::string_view kToolkitOptionsWithValue[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
    "display",     "geometry",           "title",         "name",   "visual"};
constexpr std::string_view kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// `word` without its one or two leading dashes; empty for a word that has none.
std::string_view OptionName(std::string_view word) {
  if (word.size() < 2 || word[0] != '-') return {};
  return word.substr(word[1] == '-' ? 2 : 1);
}

bool Among(std::string_view name, std::span<const std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

ProgramCommand ParseProgramArguments(const std::vector<std::string>& arguments) {
  using Action = ProgramCommand::Action;
  ProgramCommand command;
  bool options = true;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    const std::string_view option = options ? OptionName(a) : std::string_view{};
    const size_t equals = option.find('=');  // "-style=fusion" carries its value
    const std::string_view name = option.substr(0, equals);
    if (options && a == "--") {
      options = false;
    } else if (name == "help" || a == "-h") {
      return {Action::Help, {}, {}, {}};
    } else if (a == "--version") {
      return {Action::Version, {}, {}, {}};
    } else if (Among(name, kToolkitOptionsWithValue)) {
      if (equals == std::string_view::npos) ++i;  // the next word is its value
    } else if (Among(option, kToolkitFlags)) {
      continue;
    } else if (options && a.starts_with("--")) {
      return {Action::Refuse, {}, {}, a};
    } else if (command.files.size() < 2) {
      command.files.push_back(a);
    } else {
      command.ignored.push_back(a);
    }
  }
  return command;
}

}  // namespace trellimap
