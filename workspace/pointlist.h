#pragma once
// Outline points written as text, for the command-line tool.

#include <optional>
#include <string>
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

// The text ParsePointList reads back as `points`: "x,y" for a left press,
// "x,y,i" for a right one (a middle press is written as a left one), one
// space between points.
std::string FormatPointList(const std::vector<PointPress>& points);

}  // namespace trellimap
