#pragma once
// The filters of the picture dialogs: description|patterns| pairs, built from
// the format registry.

#include <string>

namespace trellimap {

// The filter of the picture open dialog. `allPictures` describes the first
// entry (the patterns of every format but drawings such as EMF), `allFiles`
// the last one (*.*); between them lies one entry for each extension that has
// its own, in upper case.
std::string BuildPictureFilter(const std::string& allPictures, const std::string& allFiles);

// `filter` (made by BuildPictureFilter) with the descriptions of the entries
// the registry marks as translated passed through the translation table; the
// other entries, and descriptions translated already, stay as they are. The
// window applies it when the dialog is first offered, so that a first start
// records its texts after those it has always recorded.
std::string TranslateFilterEntries(const std::string& filter);

// The filter of the picture save dialog: one entry per format a result can be
// written in, BMP (the default) first, each description passed through the
// translation table, then `allFiles` (*.*). Every pattern is an extension
// that FormatForExtension knows.
std::string BuildSavePictureFilter(const std::string& allFiles);

}  // namespace trellimap
