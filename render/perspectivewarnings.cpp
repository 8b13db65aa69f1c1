#include "render/perspectivewarnings.h"

#include "i18n/translateunit.h"
#include "warp/perspectivemap.h"

namespace trellimap {
namespace {

const char* ProblemText(PerspectiveProblem problem) {
  switch (problem) {
    case PerspectiveProblem::CornersInLine:
      return "The outline of picture %1 has no perspective: three of its corners lie on one line. Rendered "
             "without perspective.";
    case PerspectiveProblem::CornerBeyondHorizon:
      return "The outline of picture %1 has no perspective: a corner lies beyond the horizon of the others. "
             "Rendered without perspective.";
    case PerspectiveProblem::CrossedSides:
      return "The outline of picture %1 has no perspective: its sides cross like a bow tie. Rendered without "
             "perspective.";
    case PerspectiveProblem::BendBeyondHorizon:
      return "The outline of picture %1 has no perspective: a point of a bent side lies beyond the horizon of "
             "the corners. Rendered without perspective.";
    case PerspectiveProblem::None:
      break;
  }
  return nullptr;
}

}  // namespace

std::string PerspectiveWarning(const TDynaArray& outline, int picture) {
  const char* text = ProblemText(PerspectiveProblemOf(outline));
  return text != nullptr ? TranslateFormat(text, {std::to_string(picture)}) : std::string();
}

std::vector<std::string> PerspectiveWarnings(const Workspace& ws) {
  std::vector<std::string> warnings;
  if (!ws.perspective) return warnings;
  for (size_t side = 0; side < 2; ++side) {
    if (ws.Side(side).corners != 4) continue;
    if (std::string warning = PerspectiveWarning(ws.Side(side).outline, static_cast<int>(side) + 1); !warning.empty())
      warnings.push_back(std::move(warning));
  }
  return warnings;
}

}  // namespace trellimap
