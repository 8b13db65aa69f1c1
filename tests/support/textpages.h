#pragma once
// Pages of ordinary English text drawn with the machine's own fonts: black
// on white, the lines upright and left-aligned within wide margins.

#include <cstdint>

#include "image/dib.h"

namespace trellimap::testing {

struct TextPageSetup {
  const char* family;  // a font family fontconfig knows, such as "serif" or "monospace"
  double size;         // the font's size, in pixels
  int32_t width, height;
  bool bold = false;
};

// The page as a 24-bit picture; the caller releases it.
dib TextPagePicture(const TextPageSetup& setup);

}  // namespace trellimap::testing
