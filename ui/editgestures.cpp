#include "ui/editgestures.h"

#include <QStatusBar>
#include <algorithm>
#include <cstdlib>

#include "foundation/outlinepoint.h"
#include "i18n/translateunit.h"
#include "render/perspectivewarnings.h"
#include "view/panegeometry.h"
#include "workspace/outlineguidance.h"

namespace trellimap {

TEditGestures::TEditGestures(EditHost& host, QObject* parent) : QObject(parent), host_(host) {
  // Two lines: the next step on each picture on the left, warnings beside
  // them; the bar keeps its height whatever it shows, and notes that run on
  // past two lines are cut at their end, their start (the most urgent) shown.
  QStatusBar* bar = host.StatusBar();
  guidance_ = new QLabel(bar);
  warnings_ = new QLabel(bar);
  warnings_->setWordWrap(true);
  warnings_->setStyleSheet(QStringLiteral("color: #b00000"));
  for (QLabel* label : {guidance_, warnings_}) {
    label->setFixedHeight(2 * label->fontMetrics().lineSpacing() + 2);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }
  bar->addWidget(guidance_);
  bar->addWidget(warnings_, 1);
  loupeTime_ = new QTimer(this);
  loupeTime_->setSingleShot(true);
  loupeTime_->setInterval(kNudgeLoupeMs);
  connect(loupeTime_, &QTimer::timeout, this, [this] {
    if (!held_) host_.HideLoupe();
  });
}

SideRef TEditGestures::Side(size_t pane) const { return host_.EditedWorkspace().Side(pane); }
bool TEditGestures::LiveResults() const {
  return Side(0).corners == 4 && Side(1).corners == 4 && host_.RendersAutomatically();
}

void TEditGestures::Press(size_t pane, MouseButton button, int x, int y) {
  const SideRef side = Side(pane);
  const int32_t near =
      button == MouseButton::Left ? PointNear(side.outline, side.corners, x, y, host_.PaneZoom(pane), kGrabRadius) : -1;
  if (near < 0) {
    Click(pane, button, x, y);
    // The point a left click placed shows in the loupe until the button goes up.
    if (button == MouseButton::Left) {
      held_ = Held{pane, last_.index};
      ShowLoupe(pane, x, y);
    }
    return;
  }
  // Near a point: a drag, or a click when the button goes up without one.
  grab_ = Grab{pane, near, x, y, false, CaptureState(host_.EditedWorkspace())};
  held_ = Held{pane, near};
  ShowLoupe(pane, x, y);
}

void TEditGestures::Move(size_t pane, int x, int y) {
  if (grab_ && grab_->pane == pane) {
    if (!grab_->dragging) {
      if (std::abs(x - grab_->x) <= kDragThreshold && std::abs(y - grab_->y) <= kDragThreshold) return;
      grab_->dragging = true;
      if (LiveResults()) preview_.Begin(host_.EditedWorkspace());
    }
    const int32_t zoom = host_.PaneZoom(pane);
    const SideRef side = Side(pane);
    MovePoint(side.outline, side.corners, grab_->index, PaneToPicture(x, zoom), PaneToPicture(y, zoom));
    host_.RepaintPane(pane);
    if (preview_.Active() && preview_.Render(host_.EditedWorkspace())) RepaintResults();
  }
  ShowLoupe(pane, x, y);
}

void TEditGestures::ShowLoupe(size_t pane, int x, int y) {
  if (!held_ || held_->pane != pane || held_->index < 0) return;
  const TDynaArray& list = Side(pane).outline;
  if (static_cast<uint32_t>(held_->index) >= list.count) return;
  const TOutlinePoint& point = PointAt(list, static_cast<uint32_t>(held_->index));
  host_.ShowLoupe(pane, point.x, point.y, x, y);
}

void TEditGestures::LetGo() {
  grab_.reset();
  held_.reset();
  host_.HideLoupe();
}

void TEditGestures::Release(size_t pane, int x, int y) {
  if (held_ && held_->pane == pane) {
    held_.reset();
    host_.HideLoupe();
  }
  if (!grab_ || grab_->pane != pane) return;
  if (grab_->dragging) Move(pane, x, y);
  const Grab grab = *grab_;
  grab_.reset();
  // On a finished outline a point pressed and let go is chosen for the keys;
  // on one being placed the press is a click, as it always was.
  if (!grab.dragging && Side(pane).corners == 4) return SelectPoint(pane, grab.index);
  if (!grab.dragging) return Click(pane, MouseButton::Left, grab.x, grab.y);
  const bool previewed = preview_.Active();
  preview_.End();
  // The exact renderer has the last word on every result shown.
  if (LiveResults())
    host_.RenderBoth();
  else if (previewed)
    RepaintResults();
  last_ = {pane, grab.index};
  selected_ = true;
  Changed(pane, grab.before);
}

void TEditGestures::SelectPoint(size_t pane, int32_t index) {
  const size_t before = last_.pane;
  last_ = {pane, index};
  selected_ = true;
  host_.RepaintPane(pane);
  if (before != pane) host_.RepaintPane(before);
}

int32_t TEditGestures::PointCount(size_t pane) const {
  const SideRef side = Side(pane);
  return static_cast<int32_t>(side.outline.count) - (HasClosingRecord(side.outline, side.corners) ? 1 : 0);
}

void TEditGestures::Click(size_t pane, MouseButton button, int x, int y) {
  const OutlineState before = CaptureState(host_.EditedWorkspace());
  host_.ClickPicture(pane, button, x, y);
  const SideRef side = Side(pane);
  const auto count = static_cast<int32_t>(side.outline.count);
  // The point just placed; on a complete outline corner 4, before the closing record.
  last_ = {pane, side.corners == 4 ? count - 2 : count - 1};
  selected_ = false;
  Changed(pane, before);
}

void TEditGestures::Changed(size_t pane, const OutlineState& before) {
  history_.Record(before, host_.EditedWorkspace());
  host_.RepaintPane(pane);
  host_.WorkspaceChanged();
}

void TEditGestures::RepaintResults() {
  host_.RepaintPane(2);
  host_.RepaintPane(3);
}

void TEditGestures::Undo() {
  const OutlineState before = CaptureState(host_.EditedWorkspace());
  const uint32_t pictures[2] = {Side(0).picture.poih, Side(1).picture.poih};
  if (history_.Undo(host_.EditedWorkspace())) Restored(before, pictures);
}

void TEditGestures::Redo() {
  const OutlineState before = CaptureState(host_.EditedWorkspace());
  const uint32_t pictures[2] = {Side(0).picture.poih, Side(1).picture.poih};
  if (history_.Redo(host_.EditedWorkspace())) Restored(before, pictures);
}

void TEditGestures::Restored(const OutlineState& before, const uint32_t (&pictures)[2]) {
  LetGo();
  for (size_t side = 0; side < 2; ++side)
    if (Side(side).picture.poih != pictures[side]) host_.PictureSwapped(side);
  // The arrow keys go on with the point the step brought back, if it brought back one.
  last_.index = -1;
  selected_ = false;
  if (const std::optional<ChangedPoint> changed = PointChanged(before, CaptureState(host_.EditedWorkspace())))
    last_ = {changed->side, changed->index};
  host_.ShowWorkspace();
  // The results of that state, as a completed outline renders them.
  host_.RenderBothIfAutomatic();
  host_.WorkspaceChanged();
}

size_t TEditGestures::PaneUnderPointer() const {
  for (size_t pane = 0; pane < 2; ++pane)
    if (host_.PointerOver(pane)) return pane;
  return last_.pane;
}

void TEditGestures::RemoveLastPoint() {
  const size_t pane = PaneUnderPointer();
  const OutlineState before = CaptureState(host_.EditedWorkspace());
  const SideRef side = Side(pane);
  if (!trellimap::RemoveLastPoint(side.outline, side.corners)) return;
  last_ = {pane, static_cast<int32_t>(side.outline.count) - 1};
  selected_ = false;
  Changed(pane, before);
}

void TEditGestures::StepSelection(bool forward) {
  const size_t pane = PaneUnderPointer();
  const int32_t count = PointCount(pane);
  if (count <= 0) return;
  const bool going = selected_ && last_.pane == pane && last_.index >= 0 && last_.index < count;
  SelectPoint(pane, !going ? (forward ? 0 : count - 1) : (last_.index + (forward ? 1 : count - 1)) % count);
}

void TEditGestures::RemoveSelectedPoint() {
  if (!selected_ || last_.index < 0) return;
  const OutlineState before = CaptureState(host_.EditedWorkspace());
  const SideRef side = Side(last_.pane);
  if (!RemoveBendPoint(side.outline, side.corners, last_.index)) {
    UpdateStatus(TranslateUtf8("A corner stays: Delete removes points that bend a side."));
    return;
  }
  // The point before it is the one the keys go on with.
  last_.index = std::max(0, last_.index - 1);
  host_.RenderBothIfAutomatic();
  Changed(last_.pane, before);
}

void TEditGestures::Nudge(int dx, int dy) {
  const SideRef side = Side(last_.pane);
  if (last_.index < 0 || static_cast<uint32_t>(last_.index) >= side.outline.count) return;
  const OutlineState before = CaptureState(host_.EditedWorkspace());
  const TOutlinePoint point = PointAt(side.outline, static_cast<uint32_t>(last_.index));
  MovePoint(side.outline, side.corners, last_.index, point.x + dx, point.y + dy);
  host_.RenderBothIfAutomatic();
  Changed(last_.pane, before);
  if (!selected_ || held_) return;
  // The loupe keeps clear of the point itself, as it keeps clear of the pointer.
  const TOutlinePoint moved = PointAt(side.outline, static_cast<uint32_t>(last_.index));
  const int32_t zoom = host_.PaneZoom(last_.pane);
  host_.ShowLoupe(last_.pane, moved.x, moved.y, Zoomed(moved.x, zoom), Zoomed(moved.y, zoom));
  loupeTime_->start();
}

void TEditGestures::OptionChanged(const OutlineState& before) {
  if (host_.SettingOptions()) return;  // set by the program, not by the user
  history_.Record(before, host_.EditedWorkspace());
}

void TEditGestures::OutlineReplaced(size_t pane, const OutlineState& before) {
  LetGo();
  last_ = {pane, -1};
  selected_ = false;
  Changed(pane, before);
}

void TEditGestures::PictureReplaced(size_t pane, const OutlineState& before, const dib& replaced, bool smoothBefore,
                                    const std::optional<FlatPage>& flatPageBefore) {
  history_.RecordPictureChange(before, pane, replaced, smoothBefore, flatPageBefore);
  LetGo();
  last_ = {pane, -1};
  selected_ = false;
  host_.ShowWorkspace();
  host_.WorkspaceChanged();
}

void TEditGestures::ForgetHistory() {
  history_.Clear();
  LetGo();
  last_.index = -1;
  selected_ = false;
}

const dib* TEditGestures::PreviewFor(size_t pane) const {
  if (!preview_.Active() || !grab_ || !grab_->dragging) return nullptr;
  const dib& result = preview_.Result(pane == 2 ? WarpDirection::OneIntoTwo : WarpDirection::TwoIntoOne);
  return result.poi != nullptr ? &result : nullptr;
}

std::vector<TPaintBox::Label> TEditGestures::CornerLabels(size_t pane) const {
  const TDynaArray& list = Side(pane).outline;
  const int32_t zoom = host_.PaneZoom(pane);
  std::vector<TPaintBox::Label> labels;
  // The closing record repeats corner 1 and gets no number of its own.
  for (uint32_t i = 0; i < list.count && labels.size() < 4; ++i) {
    const TOutlinePoint& p = PointAt(list, i);
    if (!p.iscorner) continue;
    // Above right of the marker, or below it where the pane's top edge would cut it.
    const int x = Zoomed(p.x, zoom), y = Zoomed(p.y, zoom);
    labels.push_back({QString::number(labels.size() + 1), x + 6, y < 16 ? y + 17 : y - 5});
  }
  return labels;
}

std::optional<QPoint> TEditGestures::SelectedMark(size_t pane) const {
  if (!selected_ || last_.pane != pane || last_.index < 0 || last_.index >= PointCount(pane)) return std::nullopt;
  const TOutlinePoint& p = PointAt(Side(pane).outline, static_cast<uint32_t>(last_.index));
  const int32_t zoom = host_.PaneZoom(pane);
  return QPoint(Zoomed(p.x, zoom), Zoomed(p.y, zoom));
}

void TEditGestures::UpdateStatus(const std::string& notice) {
  QStringList steps;
  for (size_t pane = 0; pane < 2; ++pane)
    steps << QString::fromStdString(
        host_.PictureMissing(pane)
            ? TranslateFormat("Picture %1: open a picture, or drop one here", {std::to_string(pane + 1)})
            : OutlineGuidance(static_cast<int>(pane) + 1, Side(pane).outline, Side(pane).corners));
  guidance_->setText(steps.join(QLatin1Char('\n')));
  std::vector<std::string> warnings = host_.StatusNotes();
  for (std::string& w : OutlineWarnings(host_.EditedWorkspace())) warnings.push_back(std::move(w));
  for (std::string& w : PerspectiveWarnings(host_.EditedWorkspace())) warnings.push_back(std::move(w));
  if (!notice.empty()) warnings.insert(warnings.begin(), notice);
  QStringList lines;
  for (const std::string& w : warnings) lines << QString::fromStdString(w);
  warnings_->setText(lines.join(QStringLiteral("  \u00b7  ")));  // a dot between notes, which need not end in one
  // The bar keeps two lines: notes that run on past them are read whole in the tooltip, one to a line.
  warnings_->setToolTip(lines.join(QLatin1Char('\n')));
}

}  // namespace trellimap
