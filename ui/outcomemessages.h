#pragma once
// The messages the window shows for work on files that did not get done:
// what failed, in the user's words and language. Stopped work shows nothing.

#include <string>

#include "foundation/outcome.h"

namespace trellimap {

// The project `fname` could not be opened or read.
void ShowProjectOpenFailure(const std::string& fname, const Outcome& outcome);

// The project could not be saved as `fname`.
void ShowProjectSaveFailure(const std::string& fname, const Outcome& outcome);

// The picture `fname` could not be read.
void ShowPictureOpenFailure(const std::string& fname, const Outcome& outcome);

// A result could not be saved as the picture `fname`.
void ShowPictureSaveFailure(const std::string& fname, const Outcome& outcome);

}  // namespace trellimap
