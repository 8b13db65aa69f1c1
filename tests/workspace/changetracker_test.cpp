#include "workspace/changetracker.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <utility>

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
  // Smooth results and perspective are stored with the project: unsaved until saved or set back.
  changes.Saved(ws, false);
  ws.smooth = ws.perspective = true;
  EXPECT_TRUE(changes.Modified(ws));
  ws.smooth = ws.perspective = false;
  EXPECT_FALSE(changes.Modified(ws));

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

// Random steps over Smooth and Perspective, saves (some of an opened
// project, whose results are its own) and renders: the workspace is unsaved
// exactly when its two settings differ from the last save's, and a result is
// out of date exactly when they differ from those it was made or opened with.
TEST(ChangeTracker, StoredSettingsFollowTheirLastSaveAndRender) {
  using Settings = std::pair<bool, bool>;  // Smooth, Perspective
  std::mt19937 rng(7);
  for (int run = 0; run < 50; ++run) {
    Workspace ws;
    ChangeTracker changes;
    changes.Saved(ws, false);
    Settings saved{false, false};
    std::optional<Settings> rendered[2];
    for (int step = 0; step < 40; ++step) {
      const uint32_t action = rng() % 5;
      const size_t side = rng() % 2;
      if (action == 0) ws.smooth = !ws.smooth;
      if (action == 1) ws.perspective = !ws.perspective;
      const Settings now{ws.smooth, ws.perspective};
      if (action == 2) {
        changes.Saved(ws, side == 0);
        saved = now;
        if (side == 0) rendered[0] = rendered[1] = now;
      }
      if (action >= 3) {
        changes.Rendered(ws, kBothDirections[side]);
        rendered[side] = now;
      }
      ASSERT_EQ(changes.Modified(ws), now != saved) << run << "/" << step;
      for (size_t d = 0; d < 2; ++d)
        ASSERT_EQ(changes.Stale(ws, kBothDirections[d]), rendered[d] && *rendered[d] != now) << run << "/" << step;
    }
  }
}

}  // namespace
}  // namespace trellimap
