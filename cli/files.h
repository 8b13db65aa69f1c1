#pragma once
// What the commands share about files: how a failure is reported, and the
// document's and pictures' reads and writes with their reasons on stderr.

#include <cstddef>
#include <string>

#include "document/projectdocument.h"
#include "foundation/outcome.h"
#include "image/dib.h"

namespace trellimap::cli {

// Prints "trellimap-cli: FILE: REASON" on stderr; returns the failure status 1.
int Fail(const std::string& file, const std::string& reason);

// Prints the message a picture that could not be read gets; returns 1.
int ReadFailed(const std::string& file, const Outcome& outcome);

// Each returns 0, or 1 with the reason printed.
int OpenProject(ProjectDocument& doc, const std::string& path);
int SaveProject(ProjectDocument& doc, const std::string& path);
int OpenPicture(ProjectDocument& doc, size_t side, const std::string& path);
// Without an extension the file name gets the default one.
int SaveResult(const ProjectDocument& doc, WarpDirection direction, const std::string& path);
int WritePicture(const dib& picture, const std::string& path);

}  // namespace trellimap::cli
