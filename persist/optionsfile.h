#pragma once
// The options file: the language number, 4 bytes little-endian, in the
// per-user data folder.

#include <cstdint>
#include <string>

namespace trellimap {

// The per-user data folder: $XDG_CONFIG_HOME (or ~/.config when that is unset
// or empty) followed by "Vandoriq/Trellimap/", always ending in "/". When
// neither is known, `fallback` (the program's folder). With `create`, the
// folder and its missing parents are made.
std::string DataFolder(bool create, const std::string& fallback);

// The program's folder below a per-user base folder: $`variable`, or
// $HOME/`belowHome` when that is unset or empty, followed by
// "Vandoriq/Trellimap/"; "" when neither is known.
std::string UserFolder(const char* variable, const char* belowHome);

inline constexpr const char* kOptionsFileName = "options.dat";

// The language stored in `folder`'s options file: 0 when there is none, it is
// shorter than 4 bytes, or its number lies outside 0 to 29.
int32_t ReadOptions(const std::string& folder);

// Stores `language` in `folder`'s options file, replacing it only when the new
// file is complete. False (and nothing shown) when it cannot be written.
bool WriteOptions(const std::string& folder, int32_t language);

}  // namespace trellimap
