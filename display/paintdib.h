#pragma once
// Zoomed display of a picture buffer on a drawing device. The panes draw their
// whole picture at the zoomed size into a device that keeps only the visible
// part; the row routines then work on that part only, so memory and time
// follow the visible area whatever the zoom.

#include <cstdint>

#include "display/drawingdevice.h"
#include "image/dib.h"

namespace trellimap {

// Bits per pixel of the screen; the desktop program sets it, 24 until then.
int32_t ScreenBitsPerPixel();
void SetScreenBitsPerPixel(int32_t bits);

// A source rectangle of a picture (column sx, row sy counted from the bottom,
// sw × sh) and the device rectangle it is drawn into (x, y, dw × dh). 64-bit
// so that clipping arbitrary 32-bit arguments cannot overflow.
struct PaintRects {
  int64_t x, y, dw, dh;
  int64_t sx, sy, sw, sh;

  bool operator==(const PaintRects&) const = default;
};

// Round(a × b / c): the quotient in extended precision, nearest with halves
// to even, clamped to the 32-bit range; 0 when c is 0.
int64_t RoundRatio(int64_t a, int64_t b, int64_t c);

// Clips the source rectangle to a width × height picture and scales the
// destination with it, in four steps (right edge, bottom, top, left edge),
// each on the values the one before left. The destination keeps the edge on
// the side that is not cut. A source wholly outside the picture comes out
// with a width or height of 0 or less.
PaintRects ClipSourceRect(PaintRects r, int32_t width, int32_t height);

// Draws the rectangle (sx, sy from the bottom, sw × sh) of `picture` scaled
// into (x, y, dw × dh) of `device`, which is left in COLORONCOLOR stretch
// mode. 24- and 8-bit pictures on anything but a printer go through the row
// routines; a 24-bit picture with `halftone` on a screen of 8 bits or fewer is
// halftoned first; the rest goes to the device's stretch-draw, with software
// scaling and a device bitmap as fallbacks. `rop` is handed to the stretch
// operations. Draws nothing for a picture without pixels or when the clipped
// rectangles are empty. The only reports are the device-bitmap fallback's
// messages.
void PaintDib(DrawingDevice& device, int32_t x, int32_t y, int32_t dw, int32_t dh, const dib* picture, int32_t sx,
              int32_t sy, int32_t sw, int32_t sh, bool halftone, uint32_t rop);

// Nearest-neighbour drawing of the rectangle whose top row, counted from the
// top, is `top`: destination column i shows source column sx + sw × i div dw,
// destination row r the source row top + sh × r div dh; pixels outside the
// picture are black. Only destination pixels inside device.ClipBox() are
// computed, one SetDIBitsToDevice per visible row. Nothing happens when dw
// or dh is 0 or less, or when the picture is not of 24 (8) bits.
void PaintDibRows24(DrawingDevice& device, int32_t x, int32_t y, int32_t dw, int32_t dh, const dib* picture, int32_t sx,
                    int32_t top, int32_t sw, int32_t sh);
void PaintDibRows8(DrawingDevice& device, int32_t x, int32_t y, int32_t dw, int32_t dh, const dib* picture, int32_t sx,
                   int32_t top, int32_t sw, int32_t sh);

}  // namespace trellimap
