#pragma once
// Flattening a photographed page: picture 2 becomes a blank page of the page's
// flat size with outline 2 on its corners, so that rendering result 1 with
// Perspective and Smooth on gives the page flat and square.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/dynaarray.h"
#include "workspace/flatpage.h"
#include "workspace/workspace.h"

namespace trellimap {

// The resolution of a paper size that names none, in pixels per inch.
inline constexpr int32_t kDefaultDpi = 150;

// Parses "auto", "WxH" (pixels), "a4", "a5", "letter" or "legal", each paper
// size and auto optionally followed by "@DPI" (150 without; auto's pixels
// come from the photo, and its DPI says only how large it is on paper); case
// does not matter.
// Sizes follow the page's orientation; "WxH!" keeps W across and H down
// whatever the page. Nothing for text that is none of them, or a size of
// nothing or beyond kMostPageSide pixels a side.
std::optional<PageSize> ParsePageSize(std::string_view text);

// The flat page's width and height in pixels for a page photographed inside
// `outline` (complete, four corners) on a picture of `pictureWidth` ×
// `pictureHeight`: Auto takes the true proportions with the long side as long
// as the outline's longest side (a bent side measured along its bends),
// within kMostPageSide; paper and pixel sizes turn to the orientation asked
// for, where that follows the page to the outline's (landscape when the page
// is wider than high).
// Sides 1 and 3's bending points count as the page's curved top and bottom.
FlatSize FlatPageSize(const PageSize& size, const TDynaArray& outline, int32_t pictureWidth, int32_t pictureHeight);

// The size on paper, in points (1/72 inch), of a flat page of `width` ×
// `height` pixels made at `size`: a paper size's own, turned as the page is
// (its picture stretched over it where a margin was trimmed off), any other
// its pixels at the size's DPI (kDefaultDpi where it names none).
std::pair<double, double> PagePoints(const PageSize& size, int32_t width, int32_t height);

// Makes picture 2 a white 24-bit page of `page.size`, outline 2 its four
// corner pixels from the top left on round clockwise (no bending points),
// turns Perspective and Smooth on and records `page` as the workspace's flat
// page. Outline 1 must be complete. False, changing nothing, when no memory
// can be had for the page.
bool PrepareFlatten(Workspace& ws, const FlatPage& page);

}  // namespace trellimap
