#include "document/outputfiles.h"

#include <filesystem>
#include <set>
#include <system_error>

namespace trellimap {

namespace fs = std::filesystem;

std::vector<std::string> NamesInFolder(const std::vector<std::string>& inputs, const std::string& folder,
                                       const std::string& format) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const std::string& input : inputs) {
    const std::string stem = fs::path(input).stem().string();
    std::string name = stem;
    for (int n = 2; !taken.insert(name).second; ++n) name = stem + "-" + std::to_string(n);
    names.push_back((fs::path(folder) / (name + "." + format)).string());
  }
  return names;
}

std::vector<std::string> OutputNames(const std::vector<std::string>& inputs, const std::string& output,
                                     const std::string& format) {
  if (inputs.size() == 1 && !fs::is_directory(output)) return {output};
  return NamesInFolder(inputs, output, format);
}

bool MakeFolder(const std::string& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  return fs::is_directory(folder, error);
}

bool NamesAFile(const std::string& path) {
  std::error_code error;
  return !path.empty() && path.back() != '/' && !fs::is_directory(path, error);
}

}  // namespace trellimap
