#pragma once
// Where the translation table is read from and saved to. A program folder
// that holds a writable translate.dat (a build tree, an unpacked copy), or
// that could take a new one while nothing is installed, keeps the table
// there. An installed program's folder is not the user's to write: the table
// is then read from the user's own copy in the per-user data folder when
// there is one, else from the installed copy under PREFIX/share, and every
// save goes to the user's copy.

#include <string>

namespace trellimap {

struct TablePlace {
  std::string read, save;  // file paths
};

// `programFolder` ends in "/"; the per-user data folder is $XDG_DATA_HOME
// (or ~/.local/share) + "Vandoriq/Trellimap/", made when saves are to go there.
TablePlace ChooseTablePlace(const std::string& programFolder);

// The installed table for a program in PREFIX/bin/: PREFIX/share/trellimap/translate.dat.
std::string InstalledTable(const std::string& programFolder);

}  // namespace trellimap
