#include "render/demo.h"

#include <cmath>
#include <initializer_list>
#include <utility>

#include "image/pixmill3.h"
#include "render/workspacerender.h"
#include "workspace/outlineediting.h"

namespace trellimap {
namespace {

uint32_t Rgb(int r, int g, int b) {
  auto clamp = [](int v) { return static_cast<uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
  return clamp(r) | clamp(g) << 8 | clamp(b) << 16;
}

// Picture 1: a chequered target in warm colours, easy to follow when warped.
void DrawTarget(dib& d, int32_t w, int32_t h) {
  ReleaseDib(&d);
  newdib(&d, w, h, 24, nullptr, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const double dx = x - w / 2.0, dy = y - h / 2.0;
      const int ring = static_cast<int>(std::sqrt(dx * dx + dy * dy) / 18);
      const bool chequer = ((x / 24) + (y / 24)) % 2 == 0;
      const uint32_t c = ring % 2 ? Rgb(250, 200 - ring * 8, 40) : Rgb(200 - ring * 6, 30, 90 + ring * 5);
      setpixel(d, x, y, chequer ? c : c / 2 & 0x7F7F7F);
    }
}

// Picture 2: a sky over a green slope, with a pale board standing in it.
void DrawScene(dib& d, int32_t w, int32_t h) {
  ReleaseDib(&d);
  newdib(&d, w, h, 24, nullptr, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const bool ground = y > h * 0.62 + std::sin(x / 40.0) * 12;
      uint32_t c = ground ? Rgb(40, 120 + (y - h / 2) / 3, 50) : Rgb(110 + y / 3, 160 + y / 4, 240);
      if (x > w * 0.28 && x < w * 0.74 && y > h * 0.18 && y < h * 0.8) c = Rgb(225, 220, 205);
      setpixel(d, x, y, c);
    }
}

void Press(TDynaArray& list, int32_t& corners, MouseButton b, int32_t x, int32_t y) {
  PressOnOutline(list, corners, b, x, y);
}

}  // namespace

void BuildDemoWorkspace(Workspace& ws) {
  DrawTarget(ws.di1, 480, 360);
  DrawScene(ws.di2, 560, 400);
  ws.punkte1.Clear();
  ws.punkte2.Clear();
  ws.ecken1 = ws.ecken2 = 0;
  // Picture 1: a square around the target.
  for (const auto& [x, y] : {std::pair{90, 30}, {390, 30}, {390, 330}, {90, 330}})
    Press(ws.punkte1, ws.ecken1, MouseButton::Left, x, y);
  // Picture 2: the board seen at an angle, its top side bent like a sail.
  Press(ws.punkte2, ws.ecken2, MouseButton::Left, 170, 90);
  Press(ws.punkte2, ws.ecken2, MouseButton::Right, 280, 60);
  Press(ws.punkte2, ws.ecken2, MouseButton::Left, 400, 80);
  Press(ws.punkte2, ws.ecken2, MouseButton::Left, 410, 310);
  Press(ws.punkte2, ws.ecken2, MouseButton::Left, 160, 300);
  ws.showoriginal = true;
  ws.transparent = false;
  ws.renderautomatically = true;
  RenderDirectionExact(ws, WarpDirection::OneIntoTwo);
  RenderDirectionExact(ws, WarpDirection::TwoIntoOne);
}

}  // namespace trellimap
