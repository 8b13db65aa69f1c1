// Opens the input as a project file both ways the program does: read whole
// apart from the workspace and handed over only when complete (the window),
// and read into the workspace with what came before an error kept (the
// general open). A project read whole is saved again and must read back whole.

#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/ioerror.h"
#include "fuzz/fuzzinput.h"
#include "fuzz/silentmessages.h"
#include "image/pixmill3.h"
#include "persist/projectfile.h"

namespace {

using trellimap::ProjectRead;
using trellimap::ProjectStatus;
using trellimap::Workspace;

trellimap::fuzz::InputFile* input = nullptr;

// Every picture of a workspace is there whatever a read did to it.
void CheckPictures(const Workspace& ws) {
  for (const trellimap::dib* picture : ws.Pictures())
    if (picture->poi == nullptr || trellimap::DibWidth(picture) <= 0 || trellimap::DibHeight(picture) <= 0)
      std::abort();
}

void ReadWhole(const std::string& path) {
  ProjectRead read;
  std::string problem;
  const ProjectStatus status = trellimap::ReadWholeProject(path, read, nullptr, &problem);
  if (status == ProjectStatus::Unreadable && !problem.empty()) return;
  if (status != ProjectStatus::Done) std::abort();
  Workspace ws;
  read.HandTo(ws);
  CheckPictures(ws);
  const std::string copy = input->Folder() + "saved.gip";
  if (trellimap::SaveProjectfile(ws, copy) != ProjectStatus::Done) std::abort();
  ProjectRead again;
  if (trellimap::ReadWholeProject(copy, again, nullptr, &problem) != ProjectStatus::Done) std::abort();
  std::remove(copy.c_str());
}

void ReadIntoWorkspace(const std::string& path) {
  Workspace ws;
  try {
    if (trellimap::OpenProjectfile(ws, path) != ProjectStatus::Done) std::abort();
  } catch (const trellimap::InOutError&) {
  }
  CheckPictures(ws);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static trellimap::fuzz::InputFile file("input.gip");
  input = &file;
  static trellimap::fuzz::SilentMessages silent;
  trellimap::SetMessageBoxes(&silent);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  input->Put(data, size);
  ReadWhole(input->Path());
  ReadIntoWorkspace(input->Path());
  return 0;
}
