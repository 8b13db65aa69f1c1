#include "ui/editgestures.h"

#include <QCursor>
#include <QStatusBar>
#include <cstdlib>

#include "foundation/outlinepoint.h"
#include "ui/mainunit.h"
#include "workspace/outlineguidance.h"
#include "workspace/panegeometry.h"

namespace trellimap {

TEditGestures::TEditGestures(TMainForm& form) : QObject(&form), form_(form) {
  // Two lines: the next step on each picture on the left, warnings beside
  // them; the bar keeps its height whatever it shows.
  QStatusBar* bar = form.statusBar();
  guidance_ = new QLabel(bar);
  warnings_ = new QLabel(bar);
  warnings_->setWordWrap(true);
  warnings_->setStyleSheet(QStringLiteral("color: #b00000"));
  for (QLabel* label : {guidance_, warnings_}) {
    label->setFixedHeight(2 * label->fontMetrics().lineSpacing() + 2);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
  bar->addWidget(guidance_);
  bar->addWidget(warnings_, 1);
}

TDynaArray& TEditGestures::List(size_t pane) const { return pane == 0 ? form_.ws->punkte1 : form_.ws->punkte2; }
int32_t& TEditGestures::Corners(size_t pane) const { return pane == 0 ? form_.ws->ecken1 : form_.ws->ecken2; }
bool TEditGestures::BothComplete() const { return form_.ws->ecken1 == 4 && form_.ws->ecken2 == 4; }
bool TEditGestures::LiveResults() const { return BothComplete() && form_.RenderCheck->isChecked(); }

void TEditGestures::Press(size_t pane, MouseButton button, int x, int y) {
  const int32_t near =
      button == MouseButton::Left ? PointNear(List(pane), Corners(pane), x, y, form_.PaneZoom(pane), kGrabRadius) : -1;
  if (near < 0) {
    Click(pane, button, x, y);
    return;
  }
  // Near a point: a drag, or a click when the button goes up without one.
  grab_ = Grab{pane, near, x, y, false, CaptureState(*form_.ws)};
}

void TEditGestures::Move(size_t pane, int x, int y) {
  if (!grab_ || grab_->pane != pane) return;
  if (!grab_->dragging) {
    if (std::abs(x - grab_->x) <= kDragThreshold && std::abs(y - grab_->y) <= kDragThreshold) return;
    grab_->dragging = true;
    if (LiveResults()) preview_.Begin(*form_.ws);
  }
  const int32_t zoom = form_.PaneZoom(pane);
  MovePoint(List(pane), Corners(pane), grab_->index, PaneToPicture(x, zoom), PaneToPicture(y, zoom));
  pane == 0 ? form_.PaintBox1Paint() : form_.PaintBox2Paint();
  if (preview_.Active() && preview_.Render(*form_.ws)) {
    form_.PaintBox3Paint();
    form_.PaintBox4Paint();
  }
}

void TEditGestures::Release(size_t pane, int x, int y) {
  if (!grab_ || grab_->pane != pane) return;
  if (grab_->dragging) Move(pane, x, y);
  const Grab grab = *grab_;
  grab_.reset();
  if (!grab.dragging) {
    Click(pane, MouseButton::Left, grab.x, grab.y);
    return;
  }
  const bool previewed = preview_.Active();
  preview_.End();
  // The exact renderer has the last word on every result shown.
  if (LiveResults()) {
    form_.BerechnenBtnClick();
    form_.Render2BtnClick();
  } else if (previewed) {
    form_.PaintBox3Paint();
    form_.PaintBox4Paint();
  }
  last_ = {pane, grab.index};
  Changed(pane, grab.before);
}

void TEditGestures::Click(size_t pane, MouseButton button, int x, int y) {
  const OutlineState before = CaptureState(*form_.ws);
  pane == 0 ? form_.PaintBox1MouseDown(button, x, y) : form_.PaintBox2MouseDown(button, x, y);
  const auto count = static_cast<int32_t>(List(pane).count);
  // The point just placed; on a complete outline corner 4, before the closing record.
  last_ = {pane, Corners(pane) == 4 ? count - 2 : count - 1};
  Changed(pane, before);
}

void TEditGestures::Changed(size_t pane, const OutlineState& before) {
  history_.Record(before, *form_.ws);
  pane == 0 ? form_.PaintBox1Paint() : form_.PaintBox2Paint();
  UpdateStatus();
}

void TEditGestures::Undo() {
  if (history_.Undo(*form_.ws)) Restored();
}

void TEditGestures::Redo() {
  if (history_.Redo(*form_.ws)) Restored();
}

void TEditGestures::Restored() {
  grab_.reset();
  last_.index = -1;
  form_.ShowWorkspace();
  // The results of that state, as a completed outline renders them.
  form_.RenderBothIfAutomatic();
  UpdateStatus();
}

size_t TEditGestures::PaneUnderPointer() const {
  for (size_t pane = 0; pane < 2; ++pane) {
    const QWidget* view = form_.panes[pane].scrollBox;
    if (view->isVisible() && view->rect().contains(view->mapFromGlobal(QCursor::pos()))) return pane;
  }
  return last_.pane;
}

void TEditGestures::RemoveLastPoint() {
  const size_t pane = PaneUnderPointer();
  const OutlineState before = CaptureState(*form_.ws);
  if (!trellimap::RemoveLastPoint(List(pane), Corners(pane))) return;
  last_ = {pane, static_cast<int32_t>(List(pane).count) - 1};
  Changed(pane, before);
}

void TEditGestures::Nudge(int dx, int dy) {
  TDynaArray& list = List(last_.pane);
  if (last_.index < 0 || static_cast<uint32_t>(last_.index) >= list.count) return;
  const OutlineState before = CaptureState(*form_.ws);
  const auto* point = static_cast<const TOutlinePoint*>(list.GetObject(static_cast<uint32_t>(last_.index)));
  MovePoint(list, Corners(last_.pane), last_.index, point->x + dx, point->y + dy);
  form_.RenderBothIfAutomatic();
  Changed(last_.pane, before);
}

void TEditGestures::OptionChanged(const OutlineState& before) {
  if (form_.donotrendernow) return;  // set by the program, not by the user
  history_.Record(before, *form_.ws);
}

void TEditGestures::ForgetHistory() {
  history_.Clear();
  grab_.reset();
  last_.index = -1;
}

const dib* TEditGestures::PreviewFor(size_t pane) const {
  if (!preview_.Active() || !grab_ || !grab_->dragging) return nullptr;
  const dib& result = pane == 2 ? preview_.Result1() : preview_.Result2();
  return result.poi != nullptr ? &result : nullptr;
}

std::vector<TPaintBox::Label> TEditGestures::CornerLabels(size_t pane) const {
  TDynaArray& list = List(pane);
  const int32_t zoom = form_.PaneZoom(pane);
  std::vector<TPaintBox::Label> labels;
  // The closing record repeats corner 1 and gets no number of its own.
  for (uint32_t i = 0; i < list.count && labels.size() < 4; ++i) {
    const auto* p = static_cast<const TOutlinePoint*>(list.GetObject(i));
    if (!p->iscorner) continue;
    // Above right of the marker, or below it where the pane's top edge would cut it.
    const int x = Zoomed(p->x, zoom), y = Zoomed(p->y, zoom);
    labels.push_back({QString::number(labels.size() + 1), x + 6, y < 16 ? y + 17 : y - 5});
  }
  return labels;
}

void TEditGestures::UpdateStatus(const std::string& notice) {
  QStringList steps;
  for (size_t pane = 0; pane < 2; ++pane)
    steps << QString::fromStdString(OutlineGuidance(static_cast<int>(pane) + 1, List(pane), Corners(pane)));
  guidance_->setText(steps.join(QLatin1Char('\n')));
  std::vector<std::string> warnings = OutlineWarnings(*form_.ws);
  if (!notice.empty()) warnings.insert(warnings.begin(), notice);
  QStringList lines;
  for (const std::string& w : warnings) lines << QString::fromStdString(w);
  warnings_->setText(lines.join(QLatin1Char(' ')));
}

}  // namespace trellimap
