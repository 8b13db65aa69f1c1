#include "render/snapshots.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/pixmill3.h"
#include "tests/support/outlines.h"
#include "workspace/edithistory.h"

namespace trellimap {
namespace {

struct Answer final : Progress {
  explicit Answer(bool answer) : go(answer) {}
  bool Report(double) override { return go; }
  bool go;
};

std::vector<uint8_t> Pixels(const dib& d) { return {d.poi, d.poi + DibHeight(&d) * d.bytew}; }

// A snapshot renders what rendering in place gives, in a picture of its own,
// from the outlines as they were when it was taken, and reading them moves no
// cursor; stopped, it gives nothing and the old result stays; with an outline
// unfinished it renders nothing.
TEST(Snapshots, ARenderRendersAsideOrNotAtAll) {
  Workspace ws;
  for (int32_t i = 0; i < DibHeight(&ws.di1) * ws.di1.bytew; ++i) ws.di1.poi[i] = static_cast<uint8_t>(i * 7);
  testing::FillOutline(ws.punkte1, {{10, 10, true}, {300, 20, true}, {310, 190, true}, {5, 180, true}, {10, 10, true}});
  testing::FillOutline(ws.punkte2, {{40, 5, true}, {280, 30, true}, {260, 170, true}, {20, 195, true}, {40, 5, true}});
  ws.ecken1 = ws.ecken2 = 4;
  for (const bool smooth : {false, true}) {
    ws.smooth = smooth;
    ASSERT_TRUE(RenderAsChosen(ws, WarpDirection::OneIntoTwo));
    const std::vector<uint8_t> rendered = Pixels(ws.di3);
    std::fill(ws.di3.poi, ws.di3.poi + DibHeight(&ws.di3) * ws.di3.bytew, 0x55);
    const std::vector<uint8_t> old = Pixels(ws.di3);

    dib made{};
    Answer stop(false), go(true);
    const DirectionSnapshot snapshot(ws, WarpDirection::OneIntoTwo);
    EXPECT_EQ(snapshot.Render(made, stop), RenderOutcome::Stopped) << smooth;
    EXPECT_EQ(made.poi, nullptr);
    static_cast<TOutlinePoint*>(ws.punkte2.GetObject(1))->x += 70;  // after the snapshot: not seen
    const TOutlinePoint* cursor = static_cast<TOutlinePoint*>(ws.punkte1.GetObject(2));
    ASSERT_EQ(snapshot.Render(made, go), RenderOutcome::Rendered) << smooth;
    EXPECT_EQ(ws.apunkt, cursor);
    EXPECT_EQ(ws.punkte1.aobjnr, 2);
    EXPECT_EQ(ws.punkte2.aobjnr, 1);
    static_cast<TOutlinePoint*>(ws.punkte2.GetObject(1))->x -= 70;
    EXPECT_EQ(Pixels(made), rendered) << smooth;
    EXPECT_EQ(Pixels(ws.di3), old) << smooth;
    ReleaseDib(&made);
  }
  ws.ecken2 = 3;
  dib made{};
  Answer go(true);
  EXPECT_EQ(DirectionSnapshot(ws, WarpDirection::TwoIntoOne).Render(made, go), RenderOutcome::Unfinished);
  EXPECT_EQ(made.poi, nullptr);
}

// A lent workspace holds the lender's pictures themselves and copies of its
// outlines and options; it goes without releasing the pictures or moving the
// lender's cursors.
TEST(Snapshots, ALentWorkspaceBorrowsPicturesAndCopiesTheRest) {
  Workspace ws;
  testing::FillOutline(ws.punkte1, {{1, 2, true}, {3, 4, true}});
  ws.ecken1 = 2;
  ws.transparent = ws.perspective = true;
  ws.renderautomatically = false;
  ws.smooth = true;
  ws.flatPage = FlatPage{{PageSize::Kind::A4, 0, 0, 0}, {kStartWidth, kStartHeight}};
  ws.punkte1.GetObject(0);
  {
    const LentWorkspace lent(ws);
    const Workspace& copy = lent.Get();
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(copy.Pictures()[i]->poi, ws.Pictures()[i]->poi) << i;
    EXPECT_EQ(CaptureState(copy), CaptureState(ws));
    EXPECT_FALSE(copy.renderautomatically);
    EXPECT_TRUE(copy.smooth);
    EXPECT_EQ(copy.flatPage, ws.flatPage);
    EXPECT_NE(&copy.punkte1, &ws.punkte1);
  }
  EXPECT_EQ(ws.punkte1.aobjnr, 0);
  for (const dib* d : ws.Pictures()) EXPECT_EQ(DibWidth(d), kStartWidth);  // still there, still readable
  EXPECT_EQ(ws.di4.poi[ws.di4.bytew * kStartHeight - 1], 0);
}

}  // namespace
}  // namespace trellimap
