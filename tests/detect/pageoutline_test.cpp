// Finding a page in photos made with the truth known, and the geometry the
// finding rests on: fitting a side to its edge points, where sides meet, and
// the points that bend a curved side.

#include "detect/pageoutline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "detect/sidecurve.h"
#include "image/pixmill3.h"
#include "tests/support/syntheticphoto.h"

namespace trellimap {
namespace {

using testing::Backdrop;
using testing::MakePhoto;
using testing::PhotoSetup;

struct PhotoCase {
  const char* name;
  PhotoSetup setup;
};

PhotoSetup Photo(Backdrop backdrop, double tilt, double azimuth, uint32_t seed) {
  PhotoSetup setup;
  setup.width = 560;
  setup.height = 420;
  setup.backdrop = backdrop;
  setup.tilt = tilt;
  setup.azimuth = azimuth;
  setup.seed = seed;
  return setup;
}

std::vector<PhotoCase> Photos() {
  std::vector<PhotoCase> cases;
  PhotoSetup setup = Photo(Backdrop::Plain, 40, 20, 1);
  cases.push_back({"a4_plain_steep", setup});
  setup = Photo(Backdrop::Textured, 25, 200, 2);
  setup.pageWidth = 216, setup.pageHeight = 279, setup.shadow = 0.35, setup.noise = 4;
  cases.push_back({"letter_textured_shadow", setup});
  setup = Photo(Backdrop::Cluttered, 30, 120, 3);
  setup.pageWidth = 85.6, setup.pageHeight = 54, setup.cornerRadius = 0.1, setup.fill = 0.6;
  cases.push_back({"card_cluttered_rounded", setup});
  setup = Photo(Backdrop::LowContrast, 35, 300, 4);
  setup.pageWidth = 297, setup.pageHeight = 210, setup.blur = 1.2, setup.noise = 3, setup.shadow = 0.3;
  cases.push_back({"a4_lowcontrast_blurred", setup});
  setup = Photo(Backdrop::Plain, 15, 90, 5);
  setup.pageWidth = 80, setup.pageHeight = 260, setup.fill = 0.8;
  cases.push_back({"receipt_plain", setup});
  setup = Photo(Backdrop::Textured, 20, 260, 6);
  setup.pageWidth = 150, setup.pageHeight = 230, setup.curl = 0.12, setup.fill = 0.75;
  cases.push_back({"book_textured", setup});
  // From the varied set: a card whose text fills it nearly to its edges, on stripes
  // that continue its sides; flat pages whose sides a fit may bow slightly; a
  // receipt in clutter, lit unevenly, whose first guess ends at a rule near its
  // top; a receipt whose bottom a fit may bow round the shapes beneath it.
  cases.push_back({"card_full_of_text_on_stripes", testing::VariedPhoto(176, 800, 600)});
  cases.push_back({"letter_textured_slight_bow", testing::VariedPhoto(33, 800, 600)});
  cases.push_back({"letter_blurred_slight_bow", testing::VariedPhoto(1, 800, 600)});
  cases.push_back({"receipt_cluttered_lit_unevenly", testing::VariedPhoto(208, 800, 600)});
  cases.push_back({"receipt_on_shapes_beneath", testing::VariedPhoto(232, 800, 600)});
  // A page whose lower corner lies on a light shape that its edges run on
  // along; a receipt among coloured shapes with clean edges of their own.
  cases.push_back({"a4_on_a_light_shape", testing::VariedPhoto(276, 800, 600)});
  cases.push_back({"receipt_among_coloured_shapes", testing::VariedPhoto(568, 800, 600)});
  // A page full of text whose edge fades where light falls beside it; a page
  // lying across whose one side a fit may bow round a light shape beside it.
  cases.push_back({"letter_edge_fading_into_light", testing::VariedPhoto(619, 800, 600)});
  cases.push_back({"a4_across_one_side_bowing", testing::VariedPhoto(780, 800, 600)});
  // Receipts whose heading's rule parts them, the part above it lost in
  // the backdrop's stripes or merged with a light shape touching it; a
  // page among shapes that touch it all round.
  cases.push_back({"receipt_parted_by_its_heading", testing::VariedPhoto(922, 800, 600)});
  cases.push_back({"receipt_parted_under_a_light_shape", testing::VariedPhoto(904, 800, 600)});
  cases.push_back({"letter_amid_touching_shapes", testing::VariedPhoto(973, 800, 600)});
  // A page whose side light shapes touch along most of its length: its text shows where it lies.
  cases.push_back({"page_side_along_light_shapes", testing::VariedPhoto(1575, 800, 600)});
  // A receipt whose whole top lies on a light ellipse.
  cases.push_back({"receipt_top_on_a_light_ellipse", testing::VariedPhoto(832, 800, 600)});
  // A receipt held up before a bright window: darker than the window beyond
  // its top, lighter than the room below.
  cases.push_back({"receipt_held_before_a_window", testing::HandHeldPhoto(9)});
  return cases;
}

class FindPageOutlineTest : public ::testing::TestWithParam<PhotoCase> {};

// The outline covers the page (sharp corners where the page's are rounded),
// corner 1 at the page's top left and on round clockwise, each corner within
// half a percent of the page's diagonal; only a bent page's top and bottom
// carry bending points.
TEST_P(FindPageOutlineTest, FindsThePageAsItLies) {
  const PhotoSetup& setup = GetParam().setup;
  const testing::SyntheticPhoto photo = MakePhoto(setup);
  const std::optional<PageOutline> found = FindPageOutline(photo.picture);
  ASSERT_TRUE(found);
  EXPECT_GE(testing::Overlap(found->Polygon(), photo.outline, setup.width, setup.height),
            setup.curl > 0 ? 0.975 : 0.985);
  const std::vector<Vec> corners = found->Corners();
  ASSERT_EQ(corners.size(), 4u);
  const double diagonal = std::hypot(photo.corners[2].x - photo.corners[0].x, photo.corners[2].y - photo.corners[0].y);
  for (int k = 0; k < 4; ++k)
    EXPECT_LE(std::hypot(corners[k].x - photo.corners[k].x, corners[k].y - photo.corners[k].y), 0.005 * diagonal)
        << "corner " << k + 1;
  const size_t bends = found->points.size() - 4;
  if (setup.curl == 0) {
    EXPECT_EQ(bends, 0u);
  } else {
    EXPECT_GT(bends, 0u);
    // Each bending point lies on the page's true top or bottom edge.
    const double height = std::hypot(photo.corners[3].x - photo.corners[0].x, photo.corners[3].y - photo.corners[0].y);
    for (const PagePoint& p : found->points)
      if (!p.corner) {
        EXPECT_LE(testing::DistanceToPolyline(photo.outline, p.at), 0.005 * height);
      }
  }
  EXPECT_GT(found->score, 0.5);
  EXPECT_LE(found->score, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Photos, FindPageOutlineTest, ::testing::ValuesIn(Photos()),
                         [](const auto& test) { return std::string(test.param.name); });

// A picture without a page: one colour, or noise, gives nothing; so does a
// picture too small to hold one.
TEST(FindPageOutline, FindsNothingWhereNoPageIs) {
  std::mt19937 random(7);
  for (const int kind : {0, 1, 2}) {
    const int32_t w = kind == 2 ? 12 : 320, h = kind == 2 ? 9 : 240;
    dib picture{};
    newdib(&picture, w, h, 24, nullptr, 0);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < 3 * w; ++x)
        picture.poi[static_cast<int64_t>(y) * picture.bytew + x] =
            kind == 1 ? static_cast<uint8_t>(random() % 256) : uint8_t{128};
    EXPECT_FALSE(FindPageOutline(picture)) << "kind " << kind;
    deldib(picture);
  }
  EXPECT_FALSE(FindPageOutline(dib{}));
}

// A fit recovers a curve of its degree from its points among a crowd half as
// many again scattered 5 to 45 pixels off to one side of it.
TEST(SideCurve, FitsThroughStrayPoints) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int round = 0; round < 20; ++round) {
    const Vec a{unit(random) * 100, unit(random) * 100}, b{a.x + 300 + unit(random) * 50, a.y + unit(random) * 80};
    SideCurve truth = BaseLine(a, b);
    truth.coefficients = {unit(random) * 3, unit(random) * 20, unit(random) * 20, unit(random) * 10};
    std::vector<Vec> points;
    for (int i = 0; i < 90; ++i) {
      Vec p = truth.At(truth.length * i / 89.0);
      const double off = 25 + 20 * unit(random);
      if (i % 3 == 1) p = {p.x + truth.Normal().x * off, p.y + truth.Normal().y * off};
      points.push_back(p);
    }
    const std::optional<SideCurve> fit = FitSide(BaseLine(a, b), points, 3, 1.5);
    ASSERT_TRUE(fit);
    for (int i = 0; i <= 10; ++i) {
      const double t = truth.length * i / 10;
      EXPECT_NEAR(fit->Offset(t), truth.Offset(t), 0.05) << "round " << round << " at " << t;
    }
  }
}

// A line follows the longer straight run of its points where the edge runs
// on, for the last two fifths of them, along another line turning off it.
TEST(SideCurve, LineFollowsTheLongerRun) {
  std::mt19937 random(13);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int round = 0; round < 20; ++round) {
    const SideCurve base = BaseLine({0, 0}, {300, 0});
    const double start = unit(random) * 5, slope = unit(random) * 0.1, turn = 0.15 + 0.2 * std::abs(unit(random));
    std::vector<Vec> points;
    for (int i = 0; i < 100; ++i) {
      const double x = 3.0 * i, joint = 180;
      const double y = start + slope * x + (x > joint ? (x - joint) * (round % 2 ? turn : -turn) : 0);
      points.push_back({x, y + 0.3 * unit(random)});
    }
    const std::optional<SideCurve> fit = FitSide(base, points, 1, 1.5);
    ASSERT_TRUE(fit);
    for (const double x : {0.0, 150.0, 300.0})
      EXPECT_NEAR(fit->Offset(x), start + slope * x, 0.5) << "round " << round << " at " << x;
  }
}

// Sides meet where both run: the crossing lies on each; parallel sides do not meet.
TEST(SideCurve, MeetsOnBothSides) {
  SideCurve curved = BaseLine({0, 0}, {200, 0});
  curved.coefficients = {0, 0, 30, -30};  // bows, and comes back to its chord at the ends
  const SideCurve across = BaseLine({150, -80}, {170, 90});
  const std::optional<Vec> corner = Meet(curved, across);
  ASSERT_TRUE(corner);
  EXPECT_NEAR(across.Across(*corner), 0, 1e-6);
  EXPECT_NEAR(curved.Across(*corner) - curved.Offset(curved.Along(*corner)), 0, 1e-6);
  EXPECT_FALSE(Meet(BaseLine({0, 0}, {100, 0}), BaseLine({0, 10}, {100, 10})));
}

// Bending points keep the polyline within the tolerance of the curve, are no
// more than needed (one fewer would not do), and a curve that stays within
// the tolerance of its chord gets none.
TEST(SideCurve, BendPointsFollowTheCurveClosely) {
  for (const double bow : {0.3, 4.0, 25.0}) {
    SideCurve curve = BaseLine({10, 20}, {410, 60});
    curve.coefficients = {0, 4 * bow, -4 * bow};  // a parabola bowing by `bow` at its middle
    const Vec from = curve.At(0), to = curve.At(curve.length);
    const std::vector<Vec> points = BendPoints(curve, from, to, 0.5);
    std::vector<Vec> polyline{from};
    polyline.insert(polyline.end(), points.begin(), points.end());
    polyline.push_back(to);
    double stray = 0;
    for (int i = 0; i <= 200; ++i)
      stray = std::max(stray, testing::DistanceToPolyline(polyline, curve.At(curve.length * i / 200)));
    EXPECT_LE(stray, 0.5) << "bow " << bow;
    if (bow < 0.5) {
      EXPECT_TRUE(points.empty());
      continue;
    }
    // With equal pieces of a parabola, each strays by bow / pieces²: one piece fewer strays too far.
    const double pieces = static_cast<double>(points.size() + 1);
    EXPECT_GT(bow / ((pieces - 1) * (pieces - 1)), 0.5) << "bow " << bow;
  }
}

}  // namespace
}  // namespace trellimap
