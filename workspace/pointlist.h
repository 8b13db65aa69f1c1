#pragma once
// Outline points written as text, for the command-line tool.

#include <optional>
#include <string_view>
#include <vector>

#include "workspace/outlineediting.h"

namespace trellimap {

struct PointPress {
  int32_t x, y;
  MouseButton button;  // Right for an intermediate point
};

// Parses "x,y x,y,i ...": space-separated picture coordinates, a point ending
// in ",i" an intermediate point. Nothing for text that is not such a list.
std::optional<std::vector<PointPress>> ParsePointList(std::string_view text);

}  // namespace trellimap
