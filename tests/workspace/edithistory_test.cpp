#include "workspace/edithistory.h"

#include <gtest/gtest.h>

#include "image/pixmill3.h"
#include "tests/support/outlines.h"

namespace trellimap {
namespace {

// Steps go back and forth exactly, no-change steps are not kept, a new
// change forgets what could be redone, and the oldest steps are dropped.
TEST(EditHistory, UndoAndRedoRestoreOutlinesCountersAndOptions) {
  Workspace ws;
  EditHistory history;
  const OutlineState empty = CaptureState(ws);
  testing::FillOutline(ws.punkte1, {{1, 2, true}});
  ws.ecken1 = 1;
  history.Record(empty, ws);
  const OutlineState one = CaptureState(ws);
  ws.transparent = true;
  history.Record(one, ws);
  history.Record(CaptureState(ws), ws);  // nothing changed: no step
  const OutlineState both = CaptureState(ws);

  ASSERT_TRUE(history.Undo(ws));
  EXPECT_TRUE(CaptureState(ws) == one);
  ASSERT_TRUE(history.Undo(ws));
  EXPECT_TRUE(CaptureState(ws) == empty);
  EXPECT_FALSE(history.Undo(ws));
  ASSERT_TRUE(history.Redo(ws));
  ASSERT_TRUE(history.Redo(ws));
  EXPECT_TRUE(CaptureState(ws) == both);
  EXPECT_FALSE(history.Redo(ws));

  history.Undo(ws);
  ws.showoriginal = ws.perspective = true;
  history.Record(one, ws);
  EXPECT_FALSE(history.CanRedo());
  history.Undo(ws);
  EXPECT_FALSE(ws.perspective);
  history.Redo(ws);
  EXPECT_TRUE(ws.perspective);

  for (size_t i = 0; i < EditHistory::kMaxSteps + 5; ++i) {
    const OutlineState before = CaptureState(ws);
    ws.ecken2 = static_cast<int32_t>(i % 2);
    history.Record(before, ws);
  }
  size_t steps = 0;
  while (history.Undo(ws)) ++steps;
  EXPECT_EQ(steps, EditHistory::kMaxSteps);
}

}  // namespace
}  // namespace trellimap

namespace trellimap {
namespace {

// The point a step changed is where the outlines first differ, on the side that differs.
TEST(EditHistory, PointChangedIsWhereTheOutlinesFirstDiffer) {
  const auto outline = [](std::initializer_list<int32_t> xs) {
    std::vector<TOutlinePoint> points;
    for (const int32_t x : xs) points.push_back({x, 2 * x, true, {}});
    return points;
  };
  const struct {
    std::vector<TOutlinePoint> from1, from2, to1, to2;
    std::optional<std::pair<size_t, int32_t>> expected;
  } cases[] = {
      {outline({1, 2, 3}), outline({4}), outline({1, 2, 3}), outline({4}), std::nullopt},  // same
      {outline({1, 2, 3}), {}, outline({1, 9, 3}), {}, std::pair{size_t{0}, 1}},           // moved
      {outline({1, 2}), {}, outline({1, 2, 3}), {}, std::pair{size_t{0}, 2}},              // added
      {outline({1, 2, 3}), {}, outline({1, 2}), {}, std::pair{size_t{0}, 1}},              // removed: the last left
      {outline({1}), outline({5, 6}), outline({1}), outline({5, 7}), std::pair{size_t{1}, 1}},
      {outline({1, 2}), {}, {}, {}, std::nullopt},  // emptied: no point to go on with
  };
  for (const auto& c : cases) {
    OutlineState from, to;
    from.points1 = c.from1, from.points2 = c.from2, to.points1 = c.to1, to.points2 = c.to2;
    const std::optional<ChangedPoint> changed = PointChanged(from, to);
    ASSERT_EQ(changed.has_value(), c.expected.has_value());
    if (!changed) continue;
    EXPECT_EQ(changed->side, c.expected->first);
    EXPECT_EQ(changed->index, c.expected->second);
  }
}

}  // namespace
}  // namespace trellimap

namespace trellimap {
namespace {

// A step that replaced a picture swaps it back and forth with the Smooth
// state, the flat page's record and the outlines; steps around it leave the
// picture alone. Every
// picture stays owned once: those of steps dropped by a new change, by Clear
// or with the history are released (the leak checker of the sanitizer build
// reports any that is not, and a double release fails there too).
TEST(EditHistory, AStepThatReplacedAPictureSwapsItBackAndForth) {
  Workspace ws;
  EditHistory history;
  const uint32_t photo = ws.di2.poih;
  const OutlineState before = CaptureState(ws);
  const dib replaced = ws.di2;
  newdib(&ws.di2, 7, 5, 24, nullptr, 0);
  const uint32_t page = ws.di2.poih;
  testing::FillOutline(ws.punkte2, {{0, 0, true}, {6, 0, true}, {6, 4, true}, {0, 4, true}, {0, 0, true}});
  ws.ecken2 = 4;
  ws.perspective = ws.smooth = true;
  const FlatPage flat{{PageSize::Kind::Pixels, 7, 5, 0}, {7, 5}};
  ws.flatPage = flat;
  history.RecordPictureChange(before, 1, replaced, false, std::nullopt);
  const OutlineState flattened = CaptureState(ws);
  ws.transparent = true;
  history.Record(flattened, ws);

  struct Expected {
    uint32_t picture;
    int32_t width;
    bool smooth, transparent;
    int32_t corners;
  };
  const auto check = [&](const Expected& e) {
    EXPECT_EQ(ws.di2.poih, e.picture);
    EXPECT_EQ(DibWidth(&ws.di2), e.width);
    EXPECT_EQ(ws.smooth, e.smooth);
    EXPECT_EQ(ws.transparent, e.transparent);
    EXPECT_EQ(ws.ecken2, e.corners);
    EXPECT_EQ(ws.perspective, e.corners == 4);
    EXPECT_EQ(ws.flatPage, e.picture == page ? std::optional(flat) : std::nullopt);
  };
  const Expected afterAll{page, 7, true, true, 4}, afterFlatten{page, 7, true, false, 4},
      atStart{photo, kStartWidth, false, false, 0};
  ASSERT_TRUE(history.Undo(ws));
  check(afterFlatten);
  ASSERT_TRUE(history.Undo(ws));
  check(atStart);
  ASSERT_TRUE(history.Redo(ws));
  check(afterFlatten);
  ASSERT_TRUE(history.Redo(ws));
  check(afterAll);
  ASSERT_TRUE(history.Undo(ws));
  ASSERT_TRUE(history.Undo(ws));
  check(atStart);
  ASSERT_TRUE(history.Redo(ws));
  ASSERT_TRUE(history.Undo(ws));

  // A new change forgets the redo step and the page it held.
  const OutlineState start = CaptureState(ws);
  ws.showoriginal = true;
  history.Record(start, ws);
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(ws.di2.poih, photo);

  // A step whose picture is dropped with the oldest steps, and one cleared.
  for (int round = 0; round < 2; ++round) {
    const OutlineState now = CaptureState(ws);
    const dib gone = ws.di2;
    newdib(&ws.di2, 3 + round, 2, 24, nullptr, 0);
    history.RecordPictureChange(now, 1, gone, ws.smooth, ws.flatPage);
    if (round == 0)
      for (size_t i = 0; i < EditHistory::kMaxSteps; ++i) {
        const OutlineState step = CaptureState(ws);
        ws.ecken1 = static_cast<int32_t>(i % 2);
        history.Record(step, ws);
      }
    else
      history.Clear();
  }
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(DibWidth(&ws.di2), 4);
}

}  // namespace
}  // namespace trellimap
