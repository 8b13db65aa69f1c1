#include "workspace/pointlist.h"

#include <algorithm>
#include <charconv>

namespace trellimap {
namespace {

bool ParseInt(std::string_view text, int32_t& value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

}  // namespace

std::optional<std::vector<PointPress>> ParsePointList(std::string_view text) {
  std::vector<PointPress> points;
  size_t at = 0;
  while (at < text.size()) {
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    const size_t end = std::min(text.find(' ', at), text.size());
    const std::string_view item = text.substr(at, end - at);
    at = end;
    const size_t comma = item.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    std::string_view rest = item.substr(comma + 1);
    MouseButton button = MouseButton::Left;
    if (rest.size() > 2 && rest.substr(rest.size() - 2) == ",i") {
      button = MouseButton::Right;
      rest.remove_suffix(2);
    }
    PointPress p{0, 0, button};
    if (!ParseInt(item.substr(0, comma), p.x) || !ParseInt(rest, p.y)) return std::nullopt;
    points.push_back(p);
  }
  return points;
}

std::string FormatPointList(const std::vector<PointPress>& points) {
  std::string text;
  for (const PointPress& p : points) {
    if (!text.empty()) text += ' ';
    text += std::to_string(p.x) + ',' + std::to_string(p.y);
    if (p.button == MouseButton::Right) text += ",i";
  }
  return text;
}

}  // namespace trellimap
