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
  ws.showoriginal = true;
  history.Record(one, ws);
  EXPECT_FALSE(history.CanRedo());

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
