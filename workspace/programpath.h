#pragma once

#include <string>

namespace trellimap {

// The folder of the running program, ending in "/".
std::string ProgramFolder();

// The folder part of `path`, ending in exactly one "/" ("./" for a bare name).
std::string FolderWithSeparator(const std::string& path);

}  // namespace trellimap
