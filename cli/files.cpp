#include "cli/files.h"

#include <cstdio>
#include <functional>

#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "document/outputfiles.h"

namespace trellimap::cli {
namespace {

// The command line runs its work in place: there is no one to cancel it.
RunInPlace inPlace;

// Writes a file named as a file through `write`, which gets the name with the
// default extension added when it has none; 0, or 1 with the reason printed.
int Written(const std::string& path, const std::function<Outcome(const std::string& fname)>& write) {
  if (!NamesAFile(path)) return Fail(path, "is a folder, not a file");
  const Outcome outcome = write(WithDefaultExtension(path));
  return outcome.failed() ? Fail(path, outcome.detail) : 0;
}

}  // namespace

int Fail(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "trellimap-cli: %s: %s\n", file.c_str(), reason.c_str());
  return 1;
}

int ReadFailed(const std::string& file, const Outcome& outcome) {
  if (outcome.failed()) std::fprintf(stderr, "%s\n", PictureReadFailure(file, outcome.problem).c_str());
  return 1;
}

int OpenProject(ProjectDocument& doc, const std::string& path) {
  const Outcome outcome = doc.OpenProject(path, inPlace);
  return outcome.failed() ? Fail(path, outcome.detail) : 0;
}

int SaveProject(ProjectDocument& doc, const std::string& path) {
  if (!NamesAFile(path)) return Fail(path, "is a folder, not a file");
  const Outcome outcome = doc.SaveProject(path, inPlace);
  return outcome.failed() ? Fail(path, outcome.detail) : 0;
}

int OpenPicture(ProjectDocument& doc, size_t side, const std::string& path) {
  const Outcome outcome = doc.OpenPicture(side, path, inPlace);
  return outcome.done() ? 0 : ReadFailed(path, outcome);
}

int SaveResult(const ProjectDocument& doc, WarpDirection direction, const std::string& path) {
  return Written(path, [&](const std::string& fname) { return doc.SaveResult(direction, fname, inPlace); });
}

int WritePicture(const dib& picture, const std::string& path) {
  return Written(path, [&](const std::string& fname) { return WritePictureFile(picture, fname); });
}

}  // namespace trellimap::cli
