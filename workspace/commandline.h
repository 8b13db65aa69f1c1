#pragma once

#include <string_view>

namespace trellimap {

// True when the extension of the file name part of `fname` (from its last dot)
// is ".gip" in any mix of case: such an argument is opened as a project.
bool HasProjectExtension(std::string_view fname);

}  // namespace trellimap
