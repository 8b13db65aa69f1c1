#pragma once
// The sizes of a flattened page: what the user asked for and what it came to.
// The workspace keeps both while picture 2 is such a page, and the project
// file stores them, so that a later session knows picture 2 for a flat page.
// And how the flat page is finished: its look, a margin trimmed off, its
// turn; kept for the session only, as the window's zooms are.

#include <cstdint>

namespace trellimap {

// How big the flat page is made.
struct PageSize {
  enum class Kind { Auto, Pixels, A4, A5, Letter, Legal };
  // Which way a paper or pixel size is turned: as the page lies in the photo,
  // or upright or across whatever the photo shows. Auto keeps the page's own.
  // The values are stored in projects.
  enum class Orientation : uint8_t { FollowPage = 0, Portrait = 1, Landscape = 2 };
  Kind kind = Kind::Auto;
  int32_t width = 0, height = 0;  // Pixels: the page's size in pixels
  int32_t dpi = 0;                // paper sizes: pixels per inch (0: a default of 150)
  Orientation orientation = Orientation::FollowPage;

  bool operator==(const PageSize&) const = default;
};

// The longest side a flat page may have, in pixels.
inline constexpr int32_t kMostPageSide = 30000;

// A flat page's width and height in pixels.
struct FlatSize {
  int32_t width, height;

  bool operator==(const FlatSize&) const = default;
};

// Picture 2 as Flatten made it: the size chosen and the page's size in pixels.
struct FlatPage {
  PageSize chosen;
  FlatSize size;

  bool operator==(const FlatPage&) const = default;
};

// As photographed; clean (the paper even and white, the light's cast and
// shadows gone, ink in its own colours); the same in grey levels; black and
// white, for text.
enum class Look { Photo, Clean, Grey, BlackWhite };

// Quarter turns clockwise a flat page is given (0 to 3), or kTurnUpright:
// as many as make its text read upright.
inline constexpr int kTurnUpright = -1;

// The margin trimmed off every side of a flat page: `amount` pixels, or, as
// a share, `amount` percent of the page's width off its left and right and
// of its height off its top and bottom.
struct PageInset {
  double amount = 0;
  bool percent = false;

  // No inset is no inset in either unit.
  bool operator==(const PageInset& other) const {
    return amount == other.amount && (amount == 0 || percent == other.percent);
  }
};

// How a flat page is finished once it is drawn: trimmed, turned, given its look.
struct PageFinish {
  Look look = Look::Photo;
  PageInset inset;
  int turn = kTurnUpright;

  bool operator==(const PageFinish&) const = default;
};

}  // namespace trellimap
