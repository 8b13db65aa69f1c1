// Reads the input as a project file and hands what was read to a workspace
// both ways the program may: only when it was read whole, and also after an
// error, with what came before it kept. A project read whole is saved again
// and must read back whole, with the same settings after its option bytes.

#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzzinput.h"
#include "fuzz/silentmessages.h"
#include "image/pixmill3.h"
#include "persist/projectfile.h"

namespace {

using trellimap::Outcome;
using trellimap::ProjectRead;
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
  const Outcome outcome = trellimap::ReadProject(path, read);
  if (outcome.failed() && !outcome.detail.empty()) return;
  if (!outcome.done()) std::abort();
  Workspace ws;
  read.HandTo(ws);
  CheckPictures(ws);
  const std::string copy = input->Folder() + "saved.gip";
  if (!trellimap::SaveProjectfile(ws, copy).done()) std::abort();
  ProjectRead again;
  if (!trellimap::ReadProject(copy, again).done()) std::abort();
  if (!read.settings || again.settings != read.settings) std::abort();
  std::remove(copy.c_str());
}

void ReadIntoWorkspace(const std::string& path) {
  Workspace ws;
  ProjectRead read;
  trellimap::ReadProject(path, read);
  read.HandTo(ws);
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
