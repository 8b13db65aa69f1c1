#include "document/scandemo.h"

#include <cairo.h>

#include <cmath>
#include <cstring>

#include "document/flatpages.h"
#include "image/pixmill3.h"
#include "render/foundoutline.h"
#include "render/workspacerender.h"

namespace trellimap {
namespace {

// The letter: A5 at 100 pixels per inch.
constexpr int32_t kLetterWidth = 583, kLetterHeight = 827;
// The photo, and where the letter's corners lie on it.
constexpr int32_t kPhotoWidth = 960, kPhotoHeight = 720;
constexpr int32_t kCorners[4][2] = {{265, 92}, {735, 128}, {792, 660}, {190, 626}};

constexpr const char* kLines[] = {
    "Dear Ms Halvorsen,",
    "",
    "thank you for your letter of the 3rd and for the",
    "drawings of the new harbour office, which arrived",
    "safely yesterday. We have looked at them closely",
    "and would be glad to go ahead as you suggest.",
    "",
    "The site will be ready from the first of May. The",
    "survey shows firm ground along the quay, so the",
    "foundations can follow your plan without changes.",
    "Please send the final figures when they are done.",
    "",
    "With kind regards,",
};

// A cairo picture's pixels as a 24-bit picture.
dib FromCairo(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  dib picture{};
  newdib(&picture, w, h, 24, nullptr, 0);
  if (picture.poi == nullptr) return picture;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t pixel;
      std::memcpy(&pixel, data + static_cast<size_t>(y) * stride + 4 * x, 4);
      setpixel(picture, x, y, (pixel >> 16 & 0xff) | (pixel & 0xff00) | (pixel & 0xff) << 16);
    }
  return picture;
}

// The letter as printed: text, a blue stamp, a pencil note.
dib DrawLetter() {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kLetterWidth, kLetterHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.97, 0.96, 0.93);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.12);
  cairo_select_font_face(cr, "serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 30);
  cairo_move_to(cr, 50, 80);
  cairo_show_text(cr, "Vandoriq Harbour Works");
  cairo_select_font_face(cr, "serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 17);
  double y = 160;
  for (const char* line : kLines) {
    cairo_move_to(cr, 50, y);
    cairo_show_text(cr, line);
    y += 27;
  }
  // The stamp, in blue ink, and a pencil note beside it.
  cairo_new_path(cr);
  cairo_set_source_rgba(cr, 0.15, 0.3, 0.8, 0.85);
  cairo_set_line_width(cr, 5);
  cairo_arc(cr, 430, 650, 62, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_set_font_size(cr, 16);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, "RECEIVED", &extents);
  cairo_move_to(cr, 430 - extents.width / 2 - extents.x_bearing, 656);
  cairo_show_text(cr, "RECEIVED");
  cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
  cairo_set_line_width(cr, 1.5);
  cairo_move_to(cr, 60, 700);
  for (int x = 60; x <= 300; x += 6) cairo_line_to(cr, x, 700 + 6 * std::sin(x / 9.0));
  cairo_stroke(cr);
  cairo_destroy(cr);
  dib letter = FromCairo(surface);
  cairo_surface_destroy(surface);
  return letter;
}

// The table: wood grain in warm browns.
dib DrawTable() {
  dib table{};
  newdib(&table, kPhotoWidth, kPhotoHeight, 24, nullptr, 0);
  if (table.poi == nullptr) return table;
  for (int32_t y = 0; y < kPhotoHeight; ++y)
    for (int32_t x = 0; x < kPhotoWidth; ++x) {
      const double grain = 0.5 + 0.25 * std::sin(y / 3.0 + 2 * std::sin(x / 70.0)) +
                           0.25 * std::sin(y / 11.0 + std::sin(x / 41.0) + x / 300.0);
      const auto level = [grain](double dark, double light) {
        return static_cast<uint32_t>(dark + (light - dark) * grain);
      };
      setpixel(table, x, y, level(120, 150) | level(78, 100) << 8 | level(45, 62) << 16);
    }
  return table;
}

// The lamp's light: warm, falling off away from the top left, with the soft
// shadow of something out of the picture over the page's lower right.
void Light(dib& photo) {
  for (int32_t y = 0; y < kPhotoHeight; ++y)
    for (int32_t x = 0; x < kPhotoWidth; ++x) {
      const double fall = 1 - 0.35 * std::hypot(x / double(kPhotoWidth), y / double(kPhotoHeight)) / std::sqrt(2.0);
      const double across = (x - 0.55 * kPhotoWidth) * 0.6 + (y - 0.5 * kPhotoHeight) * 0.8;
      const double shade = 1 - 0.42 / (1 + std::exp(-across / 18));
      const double light = fall * shade;
      const uint32_t c = getpixel(photo, x, y);
      const auto lit = [light](uint32_t v, double cast) {
        return static_cast<uint32_t>(std::min(255.0, v * light * cast));
      };
      setpixel(photo, x, y, lit(c & 0xFF, 1.0) | lit(c >> 8 & 0xFF, 0.9) << 8 | lit(c >> 16 & 0xFF, 0.72) << 16);
    }
}

}  // namespace

dib DrawPhotographedLetter(std::vector<PointPress>* corners) {
  // The letter warped onto the table by the program's own perspective warp.
  Workspace ws;
  ReplacePicture(&ws.di1, DrawLetter());
  ReplacePicture(&ws.di2, DrawTable());
  PlaceOutline(ws.Side(0), InsetPresses(kLetterWidth, kLetterHeight, 0));
  std::vector<PointPress> onPhoto;
  for (const auto& [x, y] : kCorners) onPhoto.push_back({x, y, MouseButton::Left});
  PlaceOutline(ws.Side(1), onPhoto);
  ws.showoriginal = true;
  ws.perspective = true;
  dib photo{};
  if (ws.di1.poi == nullptr || ws.di2.poi == nullptr || !RenderDirectionSmooth(ws, WarpDirection::OneIntoTwo))
    return photo;
  photo = ws.di3;
  ws.di3 = dib{};
  Light(photo);
  if (corners != nullptr) *corners = onPhoto;
  return photo;
}

bool BuildScanDemo(ProjectDocument& doc) {
  std::vector<PointPress> corners;
  dib photo = DrawPhotographedLetter(&corners);
  if (photo.poi == nullptr) return false;
  Workspace& ws = doc.workspace();
  ReplacePicture(&ws.di1, photo);
  doc.PictureReplaced(0);
  PlaceOutline(ws.Side(0), corners);
  RunInPlace inPlace;
  FlattenChoices choices;
  choices.size = {PageSize::Kind::A5, 0, 0, 100};
  choices.finish.look = Look::Clean;
  choices.finish.inset = {0.5, true};  // the rim of table a corner's pixel takes in
  return FlattenPicture1(doc, choices, inPlace).done();
}

}  // namespace trellimap
