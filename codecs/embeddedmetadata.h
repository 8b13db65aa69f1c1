#pragma once
// What a picture file says about how its pixels are to be shown, read from
// the file's own containers: the EXIF orientation (JPEG APP1, the TIFF
// directory, PNG eXIf, WebP EXIF, HEIF's Exif item) and the embedded ICC
// colour profile (JPEG APP2, PNG iCCP, the TIFF tag, WebP ICCP, HEIF colr).
// The container is recognised by its content; a file of any other kind, or
// one whose containers are damaged, has none of either.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/dib.h"

namespace trellimap {

struct EmbeddedMetadata {
  int orientation = 1;              // 1 to 8 as EXIF counts them; 1 is upright
  std::vector<uint8_t> iccProfile;  // empty: none
  // An AVIF file's own turns, which its decoder leaves to us and which
  // take the place of its EXIF orientation: first a turn, then a mirror.
  int quarterTurns = 0;  // anticlockwise, 0 to 3
  int mirror = 0;        // 0: none, else the orientation that mirrors (2 left to right, 4 top to bottom)
};

EmbeddedMetadata ReadEmbeddedMetadata(const uint8_t* bytes, size_t length);

// Makes a picture just read from `bytes` what its file says is shown: its
// colours converted from its profile to sRGB, and turned upright. False
// when no memory could be had for that.
bool ShowAsRecorded(const std::vector<uint8_t>& bytes, dib& picture);

// The orientation in an EXIF block (a TIFF header and its first directory,
// after an optional "Exif\0\0"); 1 when it has none or is damaged.
int ExifOrientation(const uint8_t* exif, size_t length);

}  // namespace trellimap
