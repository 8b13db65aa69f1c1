#pragma once
// A program folder of a window test's own: a temporary folder holding a copy
// of the translation table the build made, so that tests never write the
// build's table (which the program ships) and always find the German column.

#include <filesystem>

#include "tests/support/testfiles.h"

namespace trellimap::testing {

class ProgramFolder : public TempFolder {
 public:
  ProgramFolder() { std::filesystem::copy_file(TRELLIMAP_BUILT_TABLE, Path("translate.dat")); }
  // The folder as the main window takes it.
  std::string Folder() const { return Path(""); }
};

}  // namespace trellimap::testing
