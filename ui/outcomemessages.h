#pragma once
// The messages the window shows for work on files that did not get done:
// what failed, in the user's words and language. Stopped work shows nothing.
// Tell shows the commands' other messages.

#include <string>

#include "foundation/messagebox.h"
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

// Shows `text` with an OK button, titled with the program's name; an
// input/output error on the way goes to the general handler.
void Tell(const std::string& text, MsgIcon icon);

}  // namespace trellimap
