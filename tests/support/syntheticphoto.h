#pragma once
// Photographs of a page made by ray casting, with the truth known: a page
// with text and full-width rules, flat or bent like an open book's page, seen
// by a pinhole camera (principal point at the picture's centre) over a
// backdrop, with shadow, noise and blur.

#include <cstdint>
#include <vector>

#include "image/dib.h"
#include "warp/vec.h"

namespace trellimap::testing {

enum class Backdrop { Plain, Textured, Cluttered, LowContrast };

struct PhotoSetup {
  int32_t width = 800, height = 600;         // the picture, in pixels
  double pageWidth = 210, pageHeight = 297;  // the page's proportions
  double tilt = 25;                          // degrees between the camera's axis and the page's normal
  double azimuth = 30;                       // degrees: the direction the camera leans in
  double roll = 0;                           // degrees the camera turns about its axis
  double focal = 1.0;                        // focal length in picture widths
  double fill = 0.7;                         // the page's larger extent as a share of the picture's
  Vec shift{0, 0};                           // the page moved off the centre, in shares of the free room
  Backdrop backdrop = Backdrop::Plain;
  double cornerRadius = 0;  // share of the page's shorter side
  double curl = 0;          // an open book: the page's lift as a share of its width
  double shadow = 0;        // 0 to 1: how dark a soft shadow over part of the picture is
  double noise = 0;         // standard deviation, in grey levels
  double blur = 0;          // standard deviation of a Gaussian blur, in pixels
  int fingers = 0;          // fingers and thumbs over the page's edges, in front of it (a sheet held up)
  double window = 0;        // 0 to 1: how far down the picture a bright window behind the page reaches
  uint32_t seed = 1;
  // A book's lines of text (paragraphs, left-aligned with ragged right ends,
  // each paragraph's last line shorter) instead of the filler text and rules.
  bool bookText = false;
  // The page's print (24 bits) laid over the whole page in place of the
  // filler text and rules: its colours multiply the paper's.
  const dib* print = nullptr;
  // The light's colour, a share of white per red, green and blue (a lamp's
  // warm cast), over the whole picture.
  double light[3] = {1, 1, 1};
};

// A line of a book's text: the box its words fill, in shares of the page's width and height.
struct TextRow {
  double left, right, top, bottom;
};

struct SyntheticPhoto {
  dib picture{};                  // 24 bits; owned (released by the destructor)
  Vec corners[4];                 // the page's corners, top left first, clockwise
  std::vector<Vec> outline;       // the page's true edge, densely: top, right, bottom, left
  std::vector<double> rules;      // heights of the full-width rules, as shares of the page's height
  double ruleInset = 0.05;        // the rules run across the page's width but this share at either end
  std::vector<TextRow> textRows;  // a book's lines of text, top to bottom (bookText only)

  SyntheticPhoto() = default;
  SyntheticPhoto(SyntheticPhoto&&) noexcept;
  SyntheticPhoto(const SyntheticPhoto&) = delete;
  SyntheticPhoto& operator=(const SyntheticPhoto&) = delete;
  ~SyntheticPhoto();

  // Where the page point (u, v), shares of its width and height, shows in the picture.
  Vec Project(double u, double v) const;

  // Internal: the camera and the page's surface.
  struct Camera {
    double rotation[3][3];  // columns: the camera's axes in the world
    double centre[3];
    double focal;  // pixels
    double cx, cy;
  } camera{};
  double width = 0, height = 0, lift = 0;  // the page, in world units
};

SyntheticPhoto MakePhoto(const PhotoSetup& setup);
// The same camera and page without the picture (left empty): corners,
// outline and Project only, for tests of the geometry alone.
SyntheticPhoto PlacePage(const PhotoSetup& setup);

// The page kinds of varied photos.
enum class PageKind { A4, Letter, Card, Screen, Receipt, Book };
const char* PageKindName(PageKind kind);

// The `index`th of a varied set of photos of `width` × `height`: the page
// kinds in turn (a book's page bent, a card's corners rounded), each on every
// backdrop in turn, with tilt up to 45°, shadow, noise and blur drawn from
// the index.
PhotoSetup VariedPhoto(uint32_t index, int32_t width = 800, int32_t height = 600);
PageKind VariedPageKind(uint32_t index);

// The `index`th of a set of sheets held up: a varied photo of a flat page
// with fingers over its edges and, every other one, a bright window behind.
PhotoSetup HandHeldPhoto(uint32_t index, int32_t width = 800, int32_t height = 600);

// The `index`th of a set of sheets photographed to fill the frame (portrait
// and landscape, `size` pixels on the longer side), running just out of it
// at one side, the other side touching the border or nearly, over every
// backdrop in turn.
PhotoSetup FillingPhoto(uint32_t index, int32_t size = 800);

// A close-up of an open book's page with lines of text, in a 600 × 800
// picture: the page bent by `curl`, seen `tilt` degrees off straight on,
// filling `fill` of the picture (above 1: running out of it), moved by `shift`.
PhotoSetup BookCloseUp(double curl, double tilt, double fill, Vec shift, uint32_t seed);

// The overlap of two simple polygons (intersection over union), measured on
// a grid of `step`-pixel cells over the picture's area.
double Overlap(const std::vector<Vec>& a, const std::vector<Vec>& b, int32_t width, int32_t height, double step = 0.5);

// How far `p` lies from the polygonal line through `points`.
double DistanceToPolyline(const std::vector<Vec>& points, const Vec& p);

}  // namespace trellimap::testing
