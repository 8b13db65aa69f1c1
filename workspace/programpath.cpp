#include "workspace/programpath.h"

#include <filesystem>
#include <system_error>

namespace trellimap {

std::string FolderWithSeparator(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

std::string ProgramFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return FolderWithSeparator(error ? std::string("./") : exe.string());
}

}  // namespace trellimap
