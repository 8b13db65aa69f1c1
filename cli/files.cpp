#include "cli/files.h"

#include <cstdio>
#include <filesystem>

#include "codecs/picturewriter.h"
#include "foundation/ioerror.h"
#include "persist/projectfile.h"

namespace trellimap::cli {

int Fail(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "trellimap-cli: %s: %s\n", file.c_str(), reason.c_str());
  return 1;
}

// A file to write must be named as a file: a folder, or a name ending in "/",
// would be written as a hidden file inside it or fail late.
bool NamesAFile(const std::string& path) {
  return !path.empty() && path.back() != '/' && !std::filesystem::is_directory(path);
}

int SaveProject(Workspace& ws, const std::string& path) {
  if (!NamesAFile(path)) return Fail(path, "is a folder, not a file");
  const Outcome outcome = SaveProjectfile(ws, path);
  return outcome.failed() ? Fail(path, outcome.detail) : 0;
}

int OpenProject(Workspace& ws, const std::string& path) {
  ProjectRead read;
  const Outcome outcome = ReadProject(path, read);
  if (outcome.failed()) return Fail(path, outcome.detail);
  read.HandTo(ws);
  return 0;
}

int WritePicture(const dib& picture, const std::string& path) {
  if (!NamesAFile(path)) return Fail(path, "is a folder, not a file");
  const Outcome written = WritePictureFile(picture, WithDefaultExtension(path));
  return written.done() ? 0 : Fail(path, written.detail);
}

}  // namespace trellimap::cli
