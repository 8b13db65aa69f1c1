#pragma once
// The filter of the picture open dialog: description|patterns| pairs.

#include <string>

namespace trellimap {

// `allPictures` describes the first entry (all picture patterns, no EMF),
// `allFiles` the last one (*.*); fourteen per-format entries lie between.
std::string BuildPictureFilter(const std::string& allPictures, const std::string& allFiles);

// The filter of the picture save dialog: one entry per format a result can be
// written in, BMP (the default) first, each description passed through the
// translation table, then `allFiles` (*.*). Every pattern is an extension
// that FormatForExtension knows.
std::string BuildSavePictureFilter(const std::string& allFiles);

}  // namespace trellimap
