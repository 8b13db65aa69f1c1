#include "persist/tableplace.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "persist/optionsfile.h"

namespace trellimap {
namespace {

constexpr const char* kTable = "translate.dat";

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

bool Writable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

}  // namespace

std::string InstalledTable(const std::string& programFolder) { return programFolder + "../share/trellimap/" + kTable; }

TablePlace ChooseTablePlace(const std::string& programFolder) {
  const std::string own = programFolder + kTable;
  const std::string installed = InstalledTable(programFolder);
  if (Exists(own) ? Writable(own) : Writable(programFolder) && !Exists(installed)) return {own, own};
  const std::string folder = UserFolder("XDG_DATA_HOME", ".local/share");
  if (folder.empty()) return {Exists(own) ? own : installed, own};  // nowhere of the user's: saves fail quietly
  std::error_code error;
  std::filesystem::create_directories(folder, error);  // without it, saves fail quietly
  const std::string user = folder + kTable;
  return {Exists(user) ? user : Exists(own) ? own : installed, user};
}

}  // namespace trellimap
