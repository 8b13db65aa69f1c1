#pragma once
// The words a message gives for a file's problem, through the translation table.

#include <string>

#include "foundation/fileproblem.h"

namespace trellimap {

// `problem` in the user's words (UTF-8), in the language in force; what
// follows "Could not read the picture "…": ". Empty for None.
std::string PlainReason(FileProblem problem);

}  // namespace trellimap
