#pragma once
// What the commands share about files: how a failure is reported, and the
// project and picture reads and writes with their reasons on stderr.

#include <string>

#include "image/dib.h"
#include "workspace/workspace.h"

namespace trellimap::cli {

// Prints "trellimap-cli: FILE: REASON" on stderr; returns the failure status 1.
int Fail(const std::string& file, const std::string& reason);

// Whether `path` names a file to write, not a folder.
bool NamesAFile(const std::string& path);

// Each returns 0, or 1 with the reason printed.
int SaveProject(Workspace& ws, const std::string& path);
int OpenProject(Workspace& ws, const std::string& path);
int WritePicture(const dib& picture, const std::string& path);

}  // namespace trellimap::cli
