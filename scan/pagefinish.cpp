#include "scan/pagefinish.h"

#include "image/pixmill3.h"
#include "scan/inset.h"
#include "scan/looks.h"
#include "scan/upright.h"

namespace trellimap {

FinishedPage FinishPage(dib& page, const PageFinish& finish) {
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
  ApplyLook(page, finish.look);
  return finished;
}

}  // namespace trellimap
