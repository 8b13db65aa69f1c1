#pragma once
// Finishing a flat page as its PageFinish asks: a margin trimmed off, turned
// by quarters (as its text reads, where asked), given its look.

#include <string>

#include "image/dib.h"
#include "workspace/flatpage.h"

namespace trellimap {

// What finishing a page came to: the quarter turns clockwise it was given,
// and, where a step could not be done, why (the page is left as the steps
// before it made it).
struct FinishedPage {
  int turns = 0;
  std::string failure;
};

FinishedPage FinishPage(dib& page, const PageFinish& finish);

// The quality of the JPEG of a colour or grey page in a PDF unless asked otherwise.
inline constexpr int kPdfJpegQuality = 85;

}  // namespace trellimap
