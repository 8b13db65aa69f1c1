#pragma once
// Confines GraphicsMagick to the coders the program reads and writes with.
// Left alone, the library sniffs every buffer and may hand it to any of its
// coders, some of which read other files (SVG, MSL) or run outside programs
// (PostScript, ILBM delegates). Three walls keep that from ever happening:
// every other coder is unregistered, no program may be executed and no URL
// fetched, and a buffer whose content the library recognises as another
// format than the chosen coder's is refused before decoding.

#include <cstddef>
#include <cstdint>
#include <string>

#include "codecs/pictureformat.h"

namespace trellimap {

// The library's coder for `format`; null for formats it does not decode here.
const char* CoderName(PictureFormat format);

// Unregisters every coder outside the families of the chosen ones and
// installs an access check that refuses executing programs and fetching URLs.
// Called once by InitializePictureLibrary, after the library has started.
void ConfineCoders();

// True when `coder` alone may decode `bytes`: the library's own sniffing
// finds no format in them, or one of that coder's family. Otherwise
// `*found` names what the sniffing found.
bool CoderMaySee(const char* coder, const uint8_t* bytes, size_t length, std::string* found);

}  // namespace trellimap
