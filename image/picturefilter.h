#pragma once
// The filter of the picture open dialog: description|patterns| pairs.

#include <string>

namespace trellimap {

// `allPictures` describes the first entry (all picture patterns, no EMF),
// `allFiles` the last one (*.*); fourteen per-format entries lie between.
std::string BuildPictureFilter(const std::string& allPictures, const std::string& allFiles);

}  // namespace trellimap
