#pragma once
// Pages of ordinary English text drawn with the machine's own fonts: black
// on white, the lines upright and left-aligned within wide margins.

#include <cstdint>
#include <string>
#include <vector>

#include "image/dib.h"

namespace trellimap::testing {

struct TextPageSetup {
  const char* family;  // a font family fontconfig knows, such as "serif" or "monospace"
  double size;         // the font's size, in pixels
  int32_t width, height;
  bool bold = false;
  bool capitals = false;  // every letter a capital, as on many receipts
};

// The page as a 24-bit picture; the caller releases it. `words`, when
// given, receives the words drawn, in reading order.
dib TextPagePicture(const TextPageSetup& setup, std::vector<std::string>* words = nullptr);

// The share of `drawn` words that `read` holds, each read word counted once.
double WordsFound(const std::vector<std::string>& drawn, const std::vector<std::string>& read);

}  // namespace trellimap::testing
