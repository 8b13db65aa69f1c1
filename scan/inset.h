#pragma once
// Trimming a margin off a flat page.

#include "image/dib.h"
#include "workspace/flatpage.h"

namespace trellimap {

// The rectangle left of a page `width` × `height` once the inset is trimmed
// off (left, top, width, height); an empty one where nothing would be left.
struct Kept {
  int left = 0, top = 0, width = 0, height = 0;
};
Kept KeptAfter(int width, int height, const PageInset& inset);

// Trims the inset off the page (24 bits), in place; false, the page as it
// was, where nothing would be left or there is no memory for the smaller page.
bool TrimInset(dib& page, const PageInset& inset);

}  // namespace trellimap
