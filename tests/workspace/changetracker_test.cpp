#include "workspace/changetracker.h"

#include <gtest/gtest.h>

#include "tests/support/outlines.h"

namespace trellimap {
namespace {

// Unsaved is whatever differs from the saved state, so a change undone is no
// change; a result is out of date once anything it was made from differs,
// and current again when that is back or it is rendered anew.
TEST(ChangeTracker, ModifiedAndStaleFollowWhatDiffers) {
  Workspace ws;
  ChangeTracker changes;
  changes.Saved(ws, false);
  EXPECT_FALSE(changes.Modified(ws));
  EXPECT_TRUE(changes.NeverRendered(WarpDirection::OneIntoTwo));
  EXPECT_FALSE(changes.Stale(ws, WarpDirection::OneIntoTwo));  // never rendered: nothing to be out of date

  testing::FillOutline(ws.punkte1, {{1, 1, true}, {9, 1, true}});
  ws.ecken1 = 2;
  EXPECT_TRUE(changes.Modified(ws));
  changes.Rendered(ws, WarpDirection::OneIntoTwo);
  EXPECT_FALSE(changes.Stale(ws, WarpDirection::OneIntoTwo));
  EXPECT_FALSE(changes.NeverRendered(WarpDirection::OneIntoTwo));
  EXPECT_TRUE(changes.NeverRendered(WarpDirection::TwoIntoOne));

  // Each kind of change makes the rendered result out of date, and undoing it makes it current again.
  const struct {
    const char* what;
    void (*change)(Workspace&, ChangeTracker&);
    void (*undo)(Workspace&);
  } cases[] = {
      {"a moved point",
       [](Workspace& w, ChangeTracker&) { static_cast<TOutlinePoint*>(w.punkte1.GetObject(1))->x = 5; },
       [](Workspace& w) { static_cast<TOutlinePoint*>(w.punkte1.GetObject(1))->x = 9; }},
      {"an option", [](Workspace& w, ChangeTracker&) { w.transparent = true; },
       [](Workspace& w) { w.transparent = false; }},
      {"smooth results", [](Workspace& w, ChangeTracker&) { w.smooth = true; }, [](Workspace& w) { w.smooth = false; }},
      {"perspective", [](Workspace& w, ChangeTracker&) { w.perspective = true; },
       [](Workspace& w) { w.perspective = false; }},
  };
  for (const auto& c : cases) {
    c.change(ws, changes);
    EXPECT_TRUE(changes.Stale(ws, WarpDirection::OneIntoTwo)) << c.what;
    c.undo(ws);
    EXPECT_FALSE(changes.Stale(ws, WarpDirection::OneIntoTwo)) << c.what;
  }
  // Smooth results and perspective are not stored, so they leave the file unmodified.
  changes.Saved(ws, false);
  ws.smooth = ws.perspective = true;
  EXPECT_FALSE(changes.Modified(ws));
  ws.smooth = ws.perspective = false;

  // A new picture cannot be undone: out of date and unsaved until rendered and saved.
  changes.PictureReplaced(1);
  EXPECT_TRUE(changes.Stale(ws, WarpDirection::OneIntoTwo));
  EXPECT_TRUE(changes.Modified(ws));
  changes.Rendered(ws, WarpDirection::OneIntoTwo);
  EXPECT_FALSE(changes.Stale(ws, WarpDirection::OneIntoTwo));
  changes.Saved(ws, true);  // an opened project: both results are its own
  EXPECT_FALSE(changes.Modified(ws));
  EXPECT_FALSE(changes.NeverRendered(WarpDirection::TwoIntoOne));
}

}  // namespace
}  // namespace trellimap
