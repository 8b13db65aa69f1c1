// Flattening a photographed page: the page sizes asked for, the flat page's
// size found from the outline, and the workspace made ready to render it.

#include "render/flatten.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "image/pixmill3.h"
#include "tests/support/outlines.h"
#include "tests/support/syntheticphoto.h"
#include "warp/edgewalk.h"

namespace trellimap {
namespace {

using Kind = PageSize::Kind;
using testing::PointSpec;

TEST(ParsePageSize, ReadsEachSizeAndRefusesTheRest) {
  using Turn = PageSize::Orientation;
  struct Case {
    const char* text;
    Kind kind;
    int32_t width, height, dpi;
    Turn orientation = Turn::FollowPage;
  };
  for (const Case& c :
       {Case{"auto", Kind::Auto, 0, 0, 0}, Case{"AUTO", Kind::Auto, 0, 0, 0},
        Case{"800x600", Kind::Pixels, 800, 600, 0}, Case{"1X30000", Kind::Pixels, 1, 30000, 0},
        Case{"800x600!", Kind::Pixels, 800, 600, 0, Turn::Landscape},
        Case{"600x800!", Kind::Pixels, 600, 800, 0, Turn::Portrait},
        Case{"7x7!", Kind::Pixels, 7, 7, 0, Turn::Portrait}, Case{"a4", Kind::A4, 0, 0, 150},
        Case{"A4@300", Kind::A4, 0, 0, 300}, Case{"a5@72", Kind::A5, 0, 0, 72}, Case{"Letter", Kind::Letter, 0, 0, 150},
        Case{"legal@2000", Kind::Legal, 0, 0, 2000}, Case{"Auto@300", Kind::Auto, 0, 0, 300}}) {
    const std::optional<PageSize> size = ParsePageSize(c.text);
    ASSERT_TRUE(size) << c.text;
    EXPECT_EQ(size->kind, c.kind) << c.text;
    EXPECT_EQ(size->width, c.width) << c.text;
    EXPECT_EQ(size->height, c.height) << c.text;
    EXPECT_EQ(size->dpi, c.dpi) << c.text;
    EXPECT_EQ(size->orientation, c.orientation) << c.text;
  }
  for (const char* text : {"",
                           "a3",
                           "a4@",
                           "a4@0",
                           "a4@-5",
                           "a4@2.5",
                           "a4@3000",
                           "a4@99999999999999999999",
                           "a4@4294967446",
                           "letter@2800",
                           "0x600",
                           "800x0",
                           "-800x600",
                           "800x-600",
                           "30001x10",
                           "10x30001",
                           "99999999999x1",
                           "800x",
                           "x600",
                           "800x600@72",
                           "auto@",
                           "auto@0",
                           "auto@30001",
                           " a4",
                           "a4 ",
                           "800 x 600",
                           "800x600x2",
                           "+800x600",
                           "a4a4",
                           "a4@300@300",
                           "800x600!!",
                           "!800x600",
                           "800!x600",
                           "a4!",
                           "auto!",
                           "x600!",
                           "800x!"})
    EXPECT_FALSE(ParsePageSize(text)) << '"' << text << '"';
}

// On paper a paper size is its own, turned as the page is whatever its
// pixels; any other size is its pixels at its resolution.
TEST(PagePoints, PaperSizesAreTheirOwnAndOthersFollowTheResolution) {
  const struct {
    const char* size;
    int32_t width, height;
    double across, down;
  } cases[] = {{"a4", 1240, 1754, 595.28, 841.89}, {"a4@300", 3508, 2480, 841.89, 595.28},
               {"a4", 1200, 1700, 595.28, 841.89},  // a margin trimmed off
               {"letter", 10, 20, 612, 792},       {"auto", 300, 150, 144, 72},
               {"auto@300", 600, 900, 144, 216},   {"800x600", 800, 600, 384, 288}};
  for (const auto& c : cases) {
    const auto [across, down] = PagePoints(*ParsePageSize(c.size), c.width, c.height);
    EXPECT_NEAR(across, c.across, 0.01) << c.size;
    EXPECT_NEAR(down, c.down, 0.01) << c.size;
  }
}

// Paper and pixel sizes at their resolution, turned to the page's
// orientation or to the one asked for.
TEST(FlatPageSize, PaperAndPixelSizes) {
  testing::Outline tall({{100, 50, true}, {300, 50, true}, {300, 333, true}, {100, 333, true}, {100, 50, true}});
  testing::Outline wide({{50, 100, true}, {333, 100, true}, {333, 300, true}, {50, 300, true}, {50, 100, true}});
  struct Case {
    const char* size;
    int32_t width, height;  // for the tall page; the wide one turns them
  };
  for (const Case& c : {Case{"a4", 1240, 1754}, Case{"a4@300", 2480, 3508}, Case{"a5@300", 1748, 2480},
                        Case{"letter@100", 850, 1100}, Case{"legal", 1275, 2100}}) {
    const FlatSize t = FlatPageSize(*ParsePageSize(c.size), tall.list, 800, 600);
    const FlatSize w = FlatPageSize(*ParsePageSize(c.size), wide.list, 800, 600);
    EXPECT_EQ(t.width, c.width) << c.size;
    EXPECT_EQ(t.height, c.height) << c.size;
    EXPECT_EQ(w.width, c.height) << c.size;
    EXPECT_EQ(w.height, c.width) << c.size;
  }
  using Turn = PageSize::Orientation;
  const struct {
    const char* size;
    Turn turn;
    FlatSize tallPage, widePage;
  } turns[] = {
      {"640x480", Turn::FollowPage, {480, 640}, {640, 480}}, {"480x640", Turn::FollowPage, {480, 640}, {640, 480}},
      {"640x480!", Turn::Landscape, {640, 480}, {640, 480}}, {"480x640!", Turn::Portrait, {480, 640}, {480, 640}},
      {"a4", Turn::Landscape, {1754, 1240}, {1754, 1240}},   {"a4", Turn::Portrait, {1240, 1754}, {1240, 1754}},
  };
  for (const auto& c : turns) {
    PageSize size = *ParsePageSize(c.size);
    size.orientation = c.turn;
    EXPECT_EQ(FlatPageSize(size, tall.list, 800, 600), c.tallPage) << c.size;
    EXPECT_EQ(FlatPageSize(size, wide.list, 800, 600), c.widePage) << c.size;
  }
}

// Automatic: the page's true proportions, its long side as long as the
// outline's longest side; for pages seen at random, flat or bent like a
// book's (sides 1 and 3 then carry bending points), on whole-pixel outlines.
TEST(FlatPageSize, AutomaticSizeHasTheTrueProportions) {
  std::mt19937 random(3);
  const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  for (int i = 0; i < 120; ++i) {
    testing::PhotoSetup setup;
    setup.width = 4000;
    setup.height = 3000;
    setup.pageWidth = uniform(50, 300);
    setup.pageHeight = uniform(50, 300);
    setup.tilt = uniform(0, 40);
    // Away from the axes, where the picture tells the focal length (see the proportions' tests).
    setup.azimuth = 90 * std::floor(uniform(0, 4)) + uniform(8, 82);
    setup.focal = uniform(0.7, 1.6);
    setup.curl = i % 3 == 0 ? uniform(0.03, 0.12) : 0;
    const testing::SyntheticPhoto photo = testing::PlacePage(setup);
    std::vector<PointSpec> points;
    const auto add = [&](const Vec& p, bool corner) {
      points.push_back({static_cast<int32_t>(std::lround(p.x)), static_cast<int32_t>(std::lround(p.y)), corner});
    };
    constexpr int kBends = 12;
    for (int side : {0, 1}) {
      for (int k = 0; k < 2; ++k) add(photo.corners[2 * side + k], true);
      if (setup.curl > 0)  // the bending points of side 1, then of side 3, in the order of the outline
        for (int b = 1; b < kBends; ++b) {
          const double u = static_cast<double>(b) / kBends;
          points.insert(points.end() - 1, {0, 0, false});
          const Vec at = side == 0 ? photo.Project(u, 0) : photo.Project(1 - u, 1);
          points[points.size() - 2] = {static_cast<int32_t>(std::lround(at.x)), static_cast<int32_t>(std::lround(at.y)),
                                       false};
        }
    }
    points.push_back(points.front());
    const testing::Outline outline(points);
    const FlatSize flat = FlatPageSize(PageSize{}, outline.list, setup.width, setup.height);
    const SideLengthSet sides = SideLengths(outline.list);
    EXPECT_NEAR(std::max(flat.width, flat.height), std::max({sides.L1, sides.L2, sides.L3, sides.L4}), 0.5) << i;
    EXPECT_NEAR(static_cast<double>(flat.width) / flat.height / (setup.pageWidth / setup.pageHeight), 1, 0.025)
        << "case " << i << ": curl " << setup.curl << " tilt " << setup.tilt << " azimuth " << setup.azimuth;
  }
}

// Picture 2 becomes a white page of the size asked for, with the page's corner
// pixels as a complete outline, Perspective and Smooth on, and the size chosen
// recorded with it; a page that cannot be made changes nothing.
TEST(PrepareFlatten, MakesAWhitePageWithItsCornersAsOutline) {
  Workspace ws;
  testing::FillOutline(ws.punkte2, {{5, 5, true}, {60, 7, false}, {90, 9, true}, {5, 5, false}});
  ws.ecken2 = 2;
  const PageSize a4{Kind::A4, 0, 0, 96};
  for (const FlatSize flat : {FlatSize{1, 1}, FlatSize{37, 11}, FlatSize{11, 37}}) {
    ASSERT_TRUE(PrepareFlatten(ws, {a4, flat}));
    ASSERT_EQ(DibWidth(&ws.di2), flat.width);
    ASSERT_EQ(DibHeight(&ws.di2), flat.height);
    EXPECT_EQ(DibBitCount(&ws.di2), 24);
    for (int32_t y = 0; y < flat.height; ++y)
      for (int32_t x = 0; x < flat.width; ++x) ASSERT_EQ(getpixel(ws.di2, x, y), 0xFFFFFFu) << x << "," << y;
    const int32_t r = flat.width - 1, b = flat.height - 1;
    const PointSpec expected[] = {{0, 0, true}, {r, 0, true}, {r, b, true}, {0, b, true}, {0, 0, true}};
    ASSERT_EQ(ws.punkte2.count, 5u);
    for (uint32_t i = 0; i < 5; ++i) {
      EXPECT_EQ(PointAt(ws.punkte2, i).x, expected[i].x);
      EXPECT_EQ(PointAt(ws.punkte2, i).y, expected[i].y);
      EXPECT_TRUE(PointAt(ws.punkte2, i).iscorner);
    }
    EXPECT_EQ(ws.ecken2, 4);
    EXPECT_TRUE(ws.perspective && ws.smooth);
    EXPECT_EQ(ws.flatPage, (FlatPage{a4, flat}));
  }
  const uint8_t* kept = ws.di2.poi;
  for (const FlatSize flat : {FlatSize{0, 5}, FlatSize{5, -1}, FlatSize{kMostPageSide, kMostPageSide}}) {
    EXPECT_FALSE(PrepareFlatten(ws, {PageSize{}, flat}));
    EXPECT_EQ(ws.di2.poi, kept);
    EXPECT_EQ(DibWidth(&ws.di2), 11);
    EXPECT_EQ(ws.flatPage, (FlatPage{a4, {11, 37}}));
  }
}

}  // namespace
}  // namespace trellimap
