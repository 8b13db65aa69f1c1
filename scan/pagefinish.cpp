#include "scan/pagefinish.h"

#include <cmath>

#include "image/pixmill3.h"
#include "scan/inset.h"
#include "scan/looks.h"
#include "scan/upright.h"
#include "workspace/outlineguidance.h"

namespace trellimap {

FinishedPage FinishPage(dib& page, const PageFinish& finish, double enlargement) {
  FinishedPage finished;
  if (!TrimInset(page, finish.inset)) {
    finished.failure = "the inset leaves nothing of the page";
    return finished;
  }
  finished.turns = finish.turn == kTurnUpright ? UprightTurns(page) : finish.turn;
  if (!TurnPage(page, finished.turns)) {
    finished.turns = 0;
    finished.failure = "there is not enough memory to turn the page";
    return finished;
  }
  ApplyLook(page, finish.look, enlargement);
  return finished;
}

double PageEnlargement(const TDynaArray& photoOutline, int32_t pageWidth, int32_t pageHeight) {
  const double area = std::fabs(static_cast<double>(OutlineTurn(photoOutline))) / 2;
  return area > 0 ? std::sqrt(static_cast<double>(pageWidth) * pageHeight / area) : 0;
}

}  // namespace trellimap
