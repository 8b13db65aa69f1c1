#include "workspace/edithistory.h"

#include <gtest/gtest.h>

#include "tests/warp/outlines.h"

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
