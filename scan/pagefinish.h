#pragma once
// Finishing a flat page as its PageFinish asks: a margin trimmed off, turned
// by quarters (as its text reads, where asked), given its look.

#include <string>

#include "foundation/dynaarray.h"
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

// `enlargement`: how many page pixels one pixel of the photo became (0 where
// not known); see PageEnlargement.
FinishedPage FinishPage(dib& page, const PageFinish& finish, double enlargement = 0);

// How many pixels of a flat page of `pageWidth` by `pageHeight` one pixel of
// the photo became, on average over the page drawn from the outline
// `photoOutline`; 0 where the outline encloses nothing.
double PageEnlargement(const TDynaArray& photoOutline, int32_t pageWidth, int32_t pageHeight);

// The quality of the JPEG of a colour or grey page in a PDF unless asked otherwise.
inline constexpr int kPdfJpegQuality = 85;

}  // namespace trellimap
