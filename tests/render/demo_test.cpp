#include "render/demo.h"

#include <gtest/gtest.h>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

TEST(Demo, RendersBothResultsFromItsOwnPictures) {
  Workspace ws;
  BuildDemoWorkspace(ws);
  EXPECT_EQ(ws.ecken1, 4);
  EXPECT_EQ(ws.ecken2, 4);
  EXPECT_EQ(DibWidth(&ws.di3), DibWidth(&ws.di2));
  EXPECT_EQ(DibWidth(&ws.di4), DibWidth(&ws.di1));
  // The board in picture 2 now shows the target of picture 1.
  EXPECT_NE(getpixel(ws.di3, 280, 200), getpixel(ws.di2, 280, 200));
}

}  // namespace
}  // namespace trellimap
