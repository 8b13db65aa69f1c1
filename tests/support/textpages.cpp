#include "tests/support/textpages.h"

#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "image/pixmill3.h"

namespace trellimap::testing {
namespace {

constexpr const char* kText =
    "It was the best of times and the worst of times, when the rain kept falling on the old harbour town and "
    "nobody could remember a brighter summer. Please find enclosed the signed copy of the agreement, together "
    "with the figures for the third quarter, which show a small but steady growth in every department. We would "
    "be glad to hear from you by the end of the month, and thank you for your patience while the shipping "
    "company looked for the missing parcels. Quickly the brown fox jumped over the lazy dog, and the judge "
    "weighed every word of the witness before he gave his verdict in a quiet voice.";

}  // namespace

dib TextPagePicture(const TextPageSetup& setup, std::vector<std::string>* drawn) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, setup.width, setup.height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_select_font_face(cr, setup.family, CAIRO_FONT_SLANT_NORMAL,
                         setup.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, setup.size);
  std::vector<std::string> words;
  std::istringstream in(kText);
  for (std::string w; in >> w;) {
    if (setup.capitals)
      std::transform(w.begin(), w.end(), w.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    words.push_back(w);
  }
  const double margin = 0.08 * setup.width, right = setup.width - margin, pitch = 1.5 * setup.size;
  size_t next = 0;
  for (double y = margin + setup.size; y < setup.height - margin; y += pitch) {
    std::string line;
    for (;;) {
      const std::string& word = words[next % words.size()];
      const std::string longer = line.empty() ? word : line + " " + word;
      cairo_text_extents_t extents;
      cairo_text_extents(cr, longer.c_str(), &extents);
      if (!line.empty() && margin + extents.x_advance > right) break;
      line = longer;
      if (drawn != nullptr) drawn->push_back(word);
      ++next;
    }
    cairo_move_to(cr, margin, y);
    cairo_show_text(cr, line.c_str());
  }
  cairo_surface_flush(surface);
  dib page{};
  newdib(&page, setup.width, setup.height, 24, nullptr, 0);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < setup.height; ++y)
    for (int x = 0; x < setup.width; ++x) {
      uint32_t pixel;
      std::memcpy(&pixel, data + static_cast<size_t>(y) * stride + 4 * x, 4);
      setpixel(page, x, y, (pixel >> 16 & 0xff) | (pixel & 0xff00) | (pixel & 0xff) << 16);
    }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return page;
}

double WordsFound(const std::vector<std::string>& drawn, const std::vector<std::string>& read) {
  if (drawn.empty()) return 1;
  std::map<std::string, int> left;
  for (const std::string& word : read) ++left[word];
  size_t found = 0;
  for (const std::string& word : drawn)
    if (int& n = left[word]; n > 0) --n, ++found;
  return static_cast<double>(found) / static_cast<double>(drawn.size());
}

}  // namespace trellimap::testing
