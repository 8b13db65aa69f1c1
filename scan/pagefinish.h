#pragma once
// How a flat page is finished: the look it is given, the margin trimmed off
// it, how it is turned, and how it goes into a PDF.

namespace trellimap {

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
};

// The quality of the JPEG of a colour or grey page in a PDF unless asked otherwise.
inline constexpr int kPdfJpegQuality = 85;

}  // namespace trellimap
