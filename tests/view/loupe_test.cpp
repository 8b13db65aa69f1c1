#include "view/loupe.h"

#include <gtest/gtest.h>

namespace trellimap {
namespace {

// Which picture pixels the loupe shows, where its mark lands and which corner
// of the pane it takes, for points in the middle, at the edges and beyond the
// picture, on pictures larger and smaller than the loupe.
TEST(Loupe, ShowsThePointsNeighbourhoodAwayFromThePointer) {
  const struct {
    const char* what;
    int32_t pointX, pointY, pictureWidth, pictureHeight;
    int32_t pointerX, pointerY, viewWidth, viewHeight;
    LoupeRect source;
    int32_t markX, markY;
    int32_t placeX, placeY;
  } cases[] = {
      {"middle, pointer top left", 100, 80, 400, 300, 10, 20, 382, 200, {85, 65, 31, 31}, 60, 60, 252, 70},
      {"pointer bottom right", 100, 80, 400, 300, 300, 150, 382, 200, {85, 65, 31, 31}, 60, 60, 6, 6},
      {"pointer top right", 100, 80, 400, 300, 191, 99, 382, 200, {85, 65, 31, 31}, 60, 60, 6, 70},
      {"pointer bottom left, view's middle belongs to the far half",
       100,
       80,
       400,
       300,
       190,
       100,
       382,
       200,
       {85, 65, 31, 31},
       60,
       60,
       252,
       6},
      {"top left pixel of the picture", 0, 0, 400, 300, 0, 0, 382, 200, {0, 0, 31, 31}, 0, 0, 252, 70},
      {"bottom right pixel", 399, 299, 400, 300, 0, 0, 382, 200, {369, 269, 31, 31}, 120, 120, 252, 70},
      {"just inside the centring distance", 15, 284, 400, 300, 0, 0, 382, 200, {0, 269, 31, 31}, 60, 60, 252, 70},
      {"one pixel closer to the edge", 14, 285, 400, 300, 0, 0, 382, 200, {0, 269, 31, 31}, 56, 64, 252, 70},
      {"dragged beyond the left and top", -50, -3, 400, 300, 0, 0, 382, 200, {-50, -3, 31, 31}, 0, 0, 252, 70},
      {"dragged beyond the right and bottom",
       450,
       305,
       400,
       300,
       0,
       0,
       382,
       200,
       {420, 275, 31, 31},
       120,
       120,
       252,
       70},
      {"picture smaller than the loupe", 7, 2, 20, 10, 0, 0, 382, 200, {0, 0, 31, 31}, 28, 8, 252, 70},
      {"view smaller than the loupe", 100, 80, 400, 300, 5, 5, 100, 60, {85, 65, 31, 31}, 60, 60, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const LoupePlacement loupe = PlaceLoupe(c.pointX, c.pointY, c.pictureWidth, c.pictureHeight, c.pointerX, c.pointerY,
                                            c.viewWidth, c.viewHeight);
    EXPECT_EQ(loupe.source, c.source);
    EXPECT_EQ(loupe.mark, (LoupeRect{c.markX, c.markY, kLoupeMagnification, kLoupeMagnification}));
    EXPECT_EQ(loupe.place, (LoupeRect{c.placeX, c.placeY, kLoupeSide, kLoupeSide}));
  }
}

// Wherever the point and pointer are, the mark is the point's pixel, inside
// the loupe, and a loupe that fits its pane lies inside it, clear of the pointer.
TEST(Loupe, MarkIsThePointsPixelAndTheLoupeClearsThePointer) {
  for (int32_t pointX = -40; pointX <= 140; pointX += 7)
    for (int32_t pointY = -40; pointY <= 90; pointY += 11)
      for (const auto& [pointerX, pointerY] : {std::pair{3, 3}, {380, 3}, {3, 297}, {380, 297}, {191, 150}}) {
        const LoupePlacement loupe = PlaceLoupe(pointX, pointY, 100, 50, pointerX, pointerY, 382, 300);
        EXPECT_EQ(loupe.source.x + loupe.mark.x / kLoupeMagnification, pointX);
        EXPECT_EQ(loupe.source.y + loupe.mark.y / kLoupeMagnification, pointY);
        EXPECT_TRUE(loupe.mark.x >= 0 && loupe.mark.x + loupe.mark.width <= kLoupeSide);
        EXPECT_TRUE(loupe.mark.y >= 0 && loupe.mark.y + loupe.mark.height <= kLoupeSide);
        EXPECT_TRUE(loupe.place.x >= 0 && loupe.place.x + loupe.place.width <= 382);
        EXPECT_TRUE(loupe.place.y >= 0 && loupe.place.y + loupe.place.height <= 300);
        const bool pointerInside = pointerX >= loupe.place.x && pointerX < loupe.place.x + loupe.place.width &&
                                   pointerY >= loupe.place.y && pointerY < loupe.place.y + loupe.place.height;
        EXPECT_FALSE(pointerInside);
        // The point's middle is the mark's middle, and a pixel away is a magnified pixel away.
        const LoupeSpot spot = ToLoupe(loupe, pointX, pointY), next = ToLoupe(loupe, pointX + 1, pointY - 1);
        EXPECT_EQ(spot,
                  (LoupeSpot{loupe.mark.x + kLoupeMagnification / 2.0, loupe.mark.y + kLoupeMagnification / 2.0}));
        EXPECT_EQ(next, (LoupeSpot{spot.x + kLoupeMagnification, spot.y - kLoupeMagnification}));
      }
}

}  // namespace
}  // namespace trellimap
