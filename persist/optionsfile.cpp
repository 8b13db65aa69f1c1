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

std::string DataFolder(bool create, const std::string& fallback) {
  std::string base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != 0)
    base = config;
  else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0)
    base = std::string(home) + "/.config";
  else
    return fallback;
  const std::string folder = WithSeparator(base) + "Vandoriq/Trellimap/";
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
