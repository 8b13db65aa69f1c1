#include "render/flatten.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "detect/proportions.h"
#include "image/pixmill3.h"
#include "render/mockup.h"
#include "warp/edgewalk.h"
#include "warp/smoothmap.h"

namespace trellimap {
namespace {

// A paper size in millimetres, short side first.
struct Paper {
  std::string_view name;
  PageSize::Kind kind;
  double width, height;
};
constexpr Paper kPapers[] = {{"a4", PageSize::Kind::A4, 210, 297},
                             {"a5", PageSize::Kind::A5, 148, 210},
                             {"letter", PageSize::Kind::Letter, 8.5 * 25.4, 11 * 25.4},
                             {"legal", PageSize::Kind::Legal, 8.5 * 25.4, 14 * 25.4}};

const Paper* PaperOf(PageSize::Kind kind) {
  for (const Paper& paper : kPapers)
    if (paper.kind == kind) return &paper;
  return nullptr;
}

// A paper side in whole pixels at `dpi`.
int64_t PaperPixels(double millimetres, int32_t dpi) { return std::llrint(millimetres / 25.4 * dpi); }

// The whole positive number `text` is, if any.
std::optional<int64_t> Number(std::string_view text) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value <= 0) return std::nullopt;
  return value;
}

bool Fits(int64_t width, int64_t height) { return width <= kMostPageSide && height <= kMostPageSide; }

}  // namespace

std::optional<PageSize> ParsePageSize(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
  if (lower == "auto") return PageSize{};
  const size_t at = lower.find('@');
  const std::string_view name = std::string_view(lower).substr(0, at);
  const std::optional<int64_t> dpi =
      at == std::string::npos ? std::optional<int64_t>(kDefaultDpi) : Number(std::string_view(lower).substr(at + 1));
  if (name == "auto") {
    if (!dpi || *dpi > kMostPageSide) return std::nullopt;
    return PageSize{.dpi = static_cast<int32_t>(*dpi)};
  }
  for (const Paper& paper : kPapers)
    if (name == paper.name) {
      if (!dpi || *dpi > kMostPageSide) return std::nullopt;  // no paper is under an inch
      if (!Fits(PaperPixels(paper.width, static_cast<int32_t>(*dpi)),
                PaperPixels(paper.height, static_cast<int32_t>(*dpi))))
        return std::nullopt;
      return PageSize{paper.kind, 0, 0, static_cast<int32_t>(*dpi)};
    }
  const size_t x = lower.find('x');
  if (at != std::string::npos || x == std::string::npos) return std::nullopt;
  const bool forced = lower.back() == '!';
  const std::optional<int64_t> width = Number(std::string_view(lower).substr(0, x));
  const std::optional<int64_t> height = Number(std::string_view(lower).substr(x + 1, lower.size() - x - 1 - forced));
  if (!width || !height || !Fits(*width, *height)) return std::nullopt;
  using Orientation = PageSize::Orientation;
  const Orientation orientation =
      !forced ? Orientation::FollowPage : (*width > *height ? Orientation::Landscape : Orientation::Portrait);
  return PageSize{PageSize::Kind::Pixels, static_cast<int32_t>(*width), static_cast<int32_t>(*height), 0, orientation};
}

FlatSize FlatPageSize(const PageSize& size, const TDynaArray& outline, int32_t pictureWidth, int32_t pictureHeight) {
  std::vector<Vec> corners;
  for (int k = 1; k <= 4; ++k) corners.push_back(SidePoints(outline, k).front());
  const double ratio =
      TrueProportion(corners, pictureWidth, pictureHeight, SidePoints(outline, 1), SidePoints(outline, 3));
  // A paper or pixel size's two sides, turned as asked.
  const auto turned = [&](int32_t a, int32_t b) {
    const int32_t shortSide = std::min(a, b), longSide = std::max(a, b);
    using Orientation = PageSize::Orientation;
    const bool landscape =
        size.orientation == Orientation::FollowPage ? ratio > 1 : size.orientation == Orientation::Landscape;
    return landscape ? FlatSize{longSide, shortSide} : FlatSize{shortSide, longSide};
  };
  if (size.kind == PageSize::Kind::Pixels) return turned(size.width, size.height);
  if (const Paper* paper = PaperOf(size.kind)) {
    const int32_t dpi = size.dpi > 0 ? size.dpi : kDefaultDpi;
    return turned(static_cast<int32_t>(PaperPixels(paper->width, dpi)),
                  static_cast<int32_t>(PaperPixels(paper->height, dpi)));
  }
  // The long side as long as the outline's longest side, bends included.
  const SideLengthSet sides = SideLengths(outline);
  const double longest =
      std::clamp(std::max({sides.L1, sides.L2, sides.L3, sides.L4}), 1.0, static_cast<double>(kMostPageSide));
  const auto side = [](double pixels) {
    return static_cast<int32_t>(std::clamp(std::nearbyint(pixels), 1.0, static_cast<double>(kMostPageSide)));
  };
  return ratio >= 1 ? FlatSize{side(longest), side(longest / ratio)} : FlatSize{side(longest * ratio), side(longest)};
}

std::pair<double, double> PagePoints(const PageSize& size, int32_t width, int32_t height) {
  constexpr double kPointsPerInch = 72, kPointsPerMillimetre = kPointsPerInch / 25.4;
  if (const Paper* paper = PaperOf(size.kind)) {
    const double across = paper->width * kPointsPerMillimetre, down = paper->height * kPointsPerMillimetre;
    return width > height ? std::pair{down, across} : std::pair{across, down};
  }
  const double dpi = size.dpi > 0 ? size.dpi : kDefaultDpi;
  return {width * kPointsPerInch / dpi, height * kPointsPerInch / dpi};
}

bool PrepareFlatten(Workspace& ws, const FlatPage& made) {
  const FlatSize flat = made.size;
  dib page{};
  newdib(&page, flat.width, flat.height, 24, nullptr, 0);
  if (page.poi == nullptr) {
    deldib(page);
    return false;
  }
  std::fill_n(page.poi, static_cast<size_t>(page.bytew) * static_cast<size_t>(flat.height), uint8_t{255});
  const SideRef side = ws.Side(1);
  ReleaseDib(&side.picture);
  side.picture = page;
  PictureEdgeOutline(flat.width, flat.height, side.outline);
  side.corners = side.outline.count == 5 ? 4 : 0;
  if (side.corners != 4) return false;  // no memory for the outline's records
  ws.perspective = true;
  ws.smooth = true;
  ws.flatPage = made;
  return true;
}

}  // namespace trellimap
