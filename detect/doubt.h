#pragma once
// How far a found page can be trusted: a confidence (the chance that the
// outline is the page, measured on photos with the page known) and, when the
// outline is doubtful, the plain sign of why.

#include <string>

#include "detect/pageoutline.h"
#include "image/dib.h"

namespace trellimap {

enum class DoubtReason {
  None,
  Sliver,       // proportions no paper has
  Small,        // a small part of the picture: a page photographed fills more
  AlongBorder,  // three or more sides run along the picture's edges
  Bright,       // mostly brighter than paper: a window or a lamp
  FaintEdges,   // the picture hardly shows edges along the outline
  FewLines,     // found from text: few lines of text, or lines that fit their curves poorly
  PaperUnseen,  // found from text, the paper's edges hardly showing round it
};

struct PageDoubt {
  double confidence = 0;  // 0 to 1
  DoubtReason reason = DoubtReason::None;
  bool Doubtful() const { return reason != DoubtReason::None; }
};

// Below this confidence an outline is doubtful.
inline constexpr double kLeastConfidence = 0.5;

// Judges `found` on `picture` (the picture it was found on).
PageDoubt JudgeOutline(const PageOutline& found, const dib& picture);

// The reason in a few English words ("proportions no paper has").
const char* DoubtWords(DoubtReason reason);

}  // namespace trellimap
