#include "persist/optionsfile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "foundation/binaryfile.h"
#include "foundation/ioerror.h"
#include "i18n/translateunit.h"

namespace trellimap {
namespace {

std::string WithSeparator(std::string path) {
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

}  // namespace

std::string UserFolder(const char* variable, const char* belowHome) {
  std::string base;
  if (const char* value = std::getenv(variable); value != nullptr && *value != 0)
    base = value;
  else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0)
    base = std::string(home) + "/" + belowHome;
  else
    return {};
  return WithSeparator(base) + "Vandoriq/Trellimap/";
}

std::string DataFolder(bool create, const std::string& fallback) {
  const std::string folder = UserFolder("XDG_CONFIG_HOME", ".config");
  if (folder.empty()) return fallback;
  if (create) {
    std::error_code ignored;  // a folder that cannot be made shows when the file is written
    std::filesystem::create_directories(folder, ignored);
  }
  return folder;
}

int32_t ReadOptions(const std::string& folder) {
  BinaryReader in;
  if (!in.Open(folder + kOptionsFileName) || in.Remaining() < 4) return 0;
  try {
    const int32_t language = in.ReadInt32();
    return language >= 0 && language < kLanguageColumns ? language : 0;
  } catch (const InOutError&) {
    return 0;
  }
}

bool WriteOptions(const std::string& folder, int32_t language) {
  try {
    AtomicFileWriter out;
    if (!out.Open(folder + kOptionsFileName)) return false;
    out.WriteInt32(language);
    out.Commit();
    return true;
  } catch (const InOutError&) {
    return false;
  }
}

}  // namespace trellimap
