#include "workspace/edithistory.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

std::vector<TOutlinePoint> Points(const TDynaArray& list) {
  std::vector<TOutlinePoint> points(list.count);
  for (uint32_t i = 0; i < list.count; ++i) points[i] = PointAt(list, i);
  return points;
}

void SetPoints(TDynaArray& list, const std::vector<TOutlinePoint>& points) {
  list.Clear();
  for (const TOutlinePoint& p : points) {
    void* record = list.Add();
    if (record == nullptr) return;  // out of memory, reported by the list
    std::memcpy(record, &p, sizeof p);
  }
}

bool SamePoints(const std::vector<TOutlinePoint>& a, const std::vector<TOutlinePoint>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(TOutlinePoint)) == 0);
}

}  // namespace

bool OutlineState::operator==(const OutlineState& other) const {
  return SamePoints(points1, other.points1) && SamePoints(points2, other.points2) && corners1 == other.corners1 &&
         corners2 == other.corners2 && showoriginal == other.showoriginal && transparent == other.transparent &&
         perspective == other.perspective && finish == other.finish;
}

std::optional<ChangedPoint> PointChanged(const OutlineState& from, const OutlineState& to) {
  const std::vector<TOutlinePoint>* before[2] = {&from.points1, &from.points2};
  const std::vector<TOutlinePoint>* after[2] = {&to.points1, &to.points2};
  for (size_t side = 0; side < 2; ++side) {
    const std::vector<TOutlinePoint>& a = *before[side];
    const std::vector<TOutlinePoint>& b = *after[side];
    if (SamePoints(a, b)) continue;
    if (b.empty()) continue;
    size_t i = 0;
    while (i < a.size() && i < b.size() && std::memcmp(&a[i], &b[i], sizeof(TOutlinePoint)) == 0) ++i;
    return ChangedPoint{side, static_cast<int32_t>(std::min(i, b.size() - 1))};
  }
  return std::nullopt;
}

OutlineState CaptureState(const Workspace& ws) {
  return {Points(ws.punkte1), Points(ws.punkte2), ws.ecken1,      ws.ecken2,
          ws.showoriginal,    ws.transparent,     ws.perspective, ws.finish};
}

void RestoreState(Workspace& ws, const OutlineState& state) {
  SetPoints(ws.punkte1, state.points1);
  SetPoints(ws.punkte2, state.points2);
  ws.ecken1 = state.corners1;
  ws.ecken2 = state.corners2;
  ws.showoriginal = state.showoriginal;
  ws.transparent = state.transparent;
  ws.perspective = state.perspective;
  ws.finish = state.finish;
}

EditHistory::KeptPicture::~KeptPicture() { ReleaseDib(&picture); }

void EditHistory::Record(const OutlineState& before, Workspace& ws) {
  if (before == CaptureState(ws)) return;
  Push({before, nullptr});
}

void EditHistory::RecordPictureChange(const OutlineState& before, size_t side, const dib& replaced, bool smoothBefore,
                                      const std::optional<FlatPage>& flatPageBefore) {
  Push({before, std::make_unique<KeptPicture>(side, replaced, smoothBefore, flatPageBefore)});
}

void EditHistory::Push(Entry entry) {
  if (undo_.size() == kMaxSteps) undo_.erase(undo_.begin());
  undo_.push_back(std::move(entry));
  redo_.clear();
}

bool EditHistory::Undo(Workspace& ws) { return Step(undo_, redo_, ws); }
bool EditHistory::Redo(Workspace& ws) { return Step(redo_, undo_, ws); }

bool EditHistory::Step(std::vector<Entry>& from, std::vector<Entry>& to, Workspace& ws) {
  if (from.empty()) return false;
  Entry back = std::move(from.back());
  from.pop_back();
  // The step's picture and the workspace's change places, so each stays owned once.
  if (back.kept) {
    std::swap(back.kept->picture, ws.Side(back.kept->side).picture);
    std::swap(back.kept->smooth, ws.smooth);
    std::swap(back.kept->flatPage, ws.flatPage);
  }
  to.push_back({CaptureState(ws), std::move(back.kept)});
  RestoreState(ws, back.state);
  return true;
}

void EditHistory::Clear() {
  undo_.clear();
  redo_.clear();
}

}  // namespace trellimap
