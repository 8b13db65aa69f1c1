#include "tests/render/literalwarp.h"

#include <cstring>

#include "image/pixmill3.h"
#include "warp/edgewalk.h"
#include "warp/warpmath.h"

namespace trellimap::testing {

bool LiteralRenderDirection(Workspace& ws, WarpDirection direction) {
  if (ws.ecken2 != 4 || ws.ecken1 != 4) return false;
  const bool oneIntoTwo = direction == WarpDirection::OneIntoTwo;
  const dib& source = oneIntoTwo ? ws.di1 : ws.di2;
  const dib& destination = oneIntoTwo ? ws.di2 : ws.di1;
  dib& result = oneIntoTwo ? ws.di3 : ws.di4;
  const SideLengthSet s1 = SideLengths(ws.punkte1);
  const SideLengthSet s2 = SideLengths(ws.punkte2);
  const int32_t W = DibWidth(&destination), H = DibHeight(&destination);
  ReleaseDib(&result);
  newdib(&result, W, H, 24, nullptr, 0);
  if (result.poi == nullptr) return true;
  if (ws.showoriginal && DibBitCount(&destination) == 24)
    std::memcpy(result.poi, destination.poi, static_cast<size_t>(H) * static_cast<size_t>(result.bytew));
  else if (ws.showoriginal)
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) setpixel(result, x, y, DibPixelColour(destination, x, y));
  const bool transparent = ws.transparent;
  for (int32_t v = 0; v < H; ++v)
    for (int32_t u = 0; u < W; ++u) {
      double t1x = 0, t1y = 0, b1x = 0, b1y = 0, t2x = 0, t2y = 0, b2x = 0, b2y = 0;
      PointOnSide(ws.punkte1, 1, SampleDistance(u, s1.L1, W), t1x, t1y);
      PointOnSide(ws.punkte1, 3, SampleDistance(W - 1 - u, s1.L3, W), b1x, b1y);
      PointOnSide(ws.punkte2, 1, SampleDistance(u, s2.L1, W), t2x, t2y);
      PointOnSide(ws.punkte2, 3, SampleDistance(W - 1 - u, s2.L3, W), b2x, b2y);
      const int32_t x1 = ToPixel(GridCoordinate(t1x, b1x, v, H)), y1 = ToPixel(GridCoordinate(t1y, b1y, v, H));
      const int32_t x2 = ToPixel(GridCoordinate(t2x, b2x, v, H)), y2 = ToPixel(GridCoordinate(t2y, b2y, v, H));
      const int32_t rx = oneIntoTwo ? x1 : x2, ry = oneIntoTwo ? y1 : y2;
      const int32_t wx = oneIntoTwo ? x2 : x1, wy = oneIntoTwo ? y2 : y1;
      if (!transparent) {
        setpixel(result, wx, wy, DibPixelColour(source, rx, ry));
      } else {
        const uint32_t b = DibPixelColour(destination, wx, wy);
        const uint32_t a = DibPixelColour(source, rx, ry);
        uint32_t blend = 0;
        for (int shift = 0; shift < 24; shift += 8) blend |= (((a >> shift & 0xFF) + (b >> shift & 0xFF)) / 2) << shift;
        setpixel(result, wx, wy, blend);
      }
    }
  return true;
}

}  // namespace trellimap::testing
