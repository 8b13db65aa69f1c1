#pragma once
// Finding a photographed page's outline: the four corners of the page (a
// sheet, a card, a screen, a receipt, an open book's page) and, where its top
// or bottom edge curves, points along that curve.

#include <cstdint>
#include <optional>
#include <vector>

#include "image/dib.h"
#include "warp/vec.h"

namespace trellimap {

struct PagePoint {
  Vec at;       // picture pixels, y counted from the top; sub-pixel
  bool corner;  // false: a point bending side 1 (top) or side 3 (bottom)
};

// In the order of an outline's records without the closing copy: corner 1 (the
// page's top left as the picture shows it), points of side 1, corner 2, corner
// 3, points of side 3, corner 4; clockwise on the screen.
struct PageOutline {
  std::vector<PagePoint> points;
  // 0 to 1: how clearly the picture shows the page's edges along the outline,
  // or for a page found from its text, how clearly its lines show it.
  double score = 0;
  bool fromText = false;  // found from the page's lines of text, its edges not showing all round
  // Found from the text of a page that does not fill the picture, the
  // paper's edge traced on too few sides: its size is the text's guess.
  bool paperUnseen = false;

  // The four corners, corner 1 first.
  std::vector<Vec> Corners() const;
  // Every point in order: the outline as a polygon.
  std::vector<Vec> Polygon() const;
  // The same outline on the picture `factor` times as large.
  void Enlarge(double factor);
};

// The longer side a picture needs for its page to be found: twice the
// working copy's, for the last, sub-pixel step. A larger picture may be read
// reduced to it (ReadPicture's Reduction) and the outline enlarged.
inline constexpr int32_t kFindingSide = 1320;

// Which page of an open book's two facing pages to take.
enum class PageChoice { Nearest, Left, Right };  // Nearest: the one nearer the picture's middle

struct FindOptions {
  PageChoice page = PageChoice::Nearest;
};

// The page the picture shows, or nothing when no page stands out clearly.
// Found from its edges; from its lines of text in a close-up whose edges do
// not show, and where the edges cut the text off or show too faintly. Works
// on any depth; reads the picture and changes nothing.
std::optional<PageOutline> FindPageOutline(const dib& picture, const FindOptions& options = {});

}  // namespace trellimap
