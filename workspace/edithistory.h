#pragma once
// Undo and redo of outline editing: every change of the two outlines (their
// points and corner counters), of the option states that shape a render and
// of how a flat page is finished is one step. Only a step that replaced a picture itself (a flattened page)
// keeps a picture: the one on its other side, with the Smooth state and the
// flat page's record there.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "foundation/outlinepoint.h"
#include "workspace/workspace.h"

namespace trellimap {

// What one step restores.
struct OutlineState {
  std::vector<TOutlinePoint> points1, points2;  // whole records, as the lists hold them
  int32_t corners1 = 0, corners2 = 0;
  bool showoriginal = false, transparent = false, perspective = false;
  PageFinish finish;

  bool operator==(const OutlineState& other) const;
};

OutlineState CaptureState(const Workspace& ws);

// The point that a step from `from` to `to` changed: the first record of
// either outline that `to` holds and `from` does not hold at that place, as
// (side, index in `to`'s list); the last point of an outline that only lost
// points. Nothing when the outlines are the same or the changed one is empty.
struct ChangedPoint {
  size_t side;
  int32_t index;
};
std::optional<ChangedPoint> PointChanged(const OutlineState& from, const OutlineState& to);
void RestoreState(Workspace& ws, const OutlineState& state);

class EditHistory {
 public:
  // Records the change from `before` to the workspace's present state as one
  // step, when there is one; what could be redone is forgotten then.
  void Record(const OutlineState& before, Workspace& ws);
  // Records as one step a change from `before` that also replaced picture
  // `side` (0 or 1), formerly `replaced`, and set Smooth and the flat page's
  // record, formerly `smoothBefore` and `flatPageBefore`. The history owns
  // `replaced` from here on: undoing the step swaps it back into the
  // workspace, which hands the picture it had to the step for a redo; the
  // picture a step holds is released with the step.
  void RecordPictureChange(const OutlineState& before, size_t side, const dib& replaced, bool smoothBefore,
                           const std::optional<FlatPage>& flatPageBefore);
  // Go back or forward one step; false (and nothing changed) when there is none.
  bool Undo(Workspace& ws);
  bool Redo(Workspace& ws);
  void Clear();
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }

  // The oldest steps are dropped beyond this many.
  static constexpr size_t kMaxSteps = 1000;

 private:
  // A picture a step owns, with the Smooth state and flat page's record that went with it.
  struct KeptPicture {
    size_t side;
    dib picture;
    bool smooth;
    std::optional<FlatPage> flatPage;
    KeptPicture(size_t s, const dib& p, bool sm, const std::optional<FlatPage>& flat)
        : side(s), picture(p), smooth(sm), flatPage(flat) {}
    ~KeptPicture();
    KeptPicture(const KeptPicture&) = delete;
    KeptPicture& operator=(const KeptPicture&) = delete;
  };
  struct Entry {
    OutlineState state;
    std::unique_ptr<KeptPicture> kept;  // null for a step that replaced no picture
  };
  void Push(Entry entry);
  // Restores the last state of `from`, keeping the present one in `to`.
  static bool Step(std::vector<Entry>& from, std::vector<Entry>& to, Workspace& ws);

  std::vector<Entry> undo_, redo_;
};

}  // namespace trellimap
