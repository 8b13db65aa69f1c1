#include "ui/panedisplay.h"

#include <QCursor>
#include <QScrollBar>

#include "image/pixmill3.h"
#include "ui/mainframe.h"
#include "view/loupe.h"
#include "view/outlinedrawing.h"
#include "view/panegeometry.h"

namespace trellimap {

PaneDisplay::PaneDisplay(const MainFrame& frame, const ProjectDocument& document, const TEditGestures& editing)
    : frame_(frame), document_(document), editing_(editing) {
  for (PixelSurface* s : bitmaps_) s->SetSize(0, 0);
}

int32_t PaneDisplay::Zoom(size_t pane) const {
  return ZoomFromText(frame_.panes[pane].zoom->cleanText().toStdString());
}

std::array<int32_t, 4> PaneDisplay::Zooms() const {
  std::array<int32_t, 4> zooms{};
  for (size_t pane = 0; pane < zooms.size(); ++pane) zooms[pane] = Zoom(pane);
  return zooms;
}

void PaneDisplay::SetZooms(const std::array<int32_t, 4>& zooms) {
  for (size_t pane = 0; pane < zooms.size(); ++pane)
    if (zooms[pane] != 0) frame_.panes[pane].zoom->setValue(zooms[pane]);
}

void PaneDisplay::Paint(size_t pane) {
  TPaintBox* box = frame_.panes[pane].paintBox;
  const PaneArea size = ZoomedPicture(*document_.workspace().Pictures()[pane], Zoom(pane));
  if (box->width() != size.width || box->height() != size.height) {
    box->resize(size.width, size.height);  // the platform paints the resized area
    return;
  }
  box->repaint();
}

const PixelSurface* PaneDisplay::Compose(size_t pane, const PaneArea& area, int32_t scale) {
  const int32_t zoom = Zoom(pane);
  const Workspace& ws = document_.workspace();
  const dib& picture = *ws.Pictures()[pane];
  const PaneArea size = ZoomedPicture(picture, zoom);
  TPaintBox* box = frame_.panes[pane].paintBox;
  if (box->width() != size.width || box->height() != size.height) {
    box->resize(size.width, size.height);
    return nullptr;
  }
  PixelSurface& bitmap = *bitmaps_[pane];
  // While a point is dragged, the results follow it in reduced form.
  if (const dib* preview = pane >= 2 ? editing_.PreviewFor(pane) : nullptr) {
    ComposeStretched(*preview, {0, 0, size.width * scale, size.height * scale}, area, bitmap);
    return &bitmap;
  }
  ComposePane(picture, zoom, pane < 2 ? &ws.Side(pane).outline : nullptr, area, bitmap, scale, &reduced_[pane]);
  // A page found in doubt stands out until its outline is changed.
  if (pane < 2)
    if (const std::optional<PageDoubt> doubt = document_.FoundDoubt(pane); doubt && doubt->Doubtful())
      DrawOutline(bitmap, area.left, area.top, ws.Side(pane).outline, zoom, scale, kDoubtfulOrange);
  // A result no longer made from what the picture panes show is drawn faded.
  if (pane >= 2 && shownStale_[pane - 2]) Fade(bitmap);
  return &bitmap;
}

void PaneDisplay::ShowStale(size_t pane, bool stale) {
  if (stale == shownStale_[pane - 2]) return;
  shownStale_[pane - 2] = stale;
  Paint(pane);
}

void PaneDisplay::Fit(size_t pane) {
  const dib& picture = *document_.workspace().Pictures()[pane];
  const Pane& p = frame_.panes[pane];
  const QSize view = p.scrollBox->maximumViewportSize();
  p.zoom->setValue(FitZoom(DibWidth(&picture), DibHeight(&picture), view.width(), view.height()));
}

void PaneDisplay::FitIfLarger(size_t pane) {
  const PaneArea size = ZoomedPicture(*document_.workspace().Pictures()[pane], Zoom(pane));
  const QSize view = frame_.panes[pane].scrollBox->maximumViewportSize();
  if (size.width > view.width() || size.height > view.height()) Fit(pane);
}

void PaneDisplay::WheelZoom(size_t pane, int notches, int x, int y) {
  const int32_t from = Zoom(pane), to = trellimap::WheelZoom(from, notches);
  if (to == from) return;
  const Pane& p = frame_.panes[pane];
  QScrollArea* view = p.scrollBox;
  const QPoint pointer = p.paintBox->mapTo(view->viewport(), QPoint(x, y));
  const int scrollX = view->horizontalScrollBar()->value(), scrollY = view->verticalScrollBar()->value();
  p.zoom->setValue(to);  // resizes the drawing area, and the scroll bars with it
  view->horizontalScrollBar()->setValue(ScrollKeepingPoint(scrollX, pointer.x(), from, to));
  view->verticalScrollBar()->setValue(ScrollKeepingPoint(scrollY, pointer.y(), from, to));
}

void PaneDisplay::ShowLoupe(size_t pane, int32_t x, int32_t y, int pointerX, int pointerY) {
  const Pane& p = frame_.panes[pane];
  const QWidget* view = p.scrollBox->viewport();
  const QPoint pointer = p.paintBox->mapTo(view, QPoint(pointerX, pointerY));
  const dib& picture = document_.workspace().Side(pane).picture;
  frame_.loupes[pane]->Show(picture, document_.workspace().Side(pane).outline,
                            PlaceLoupe(x, y, DibWidth(&picture), DibHeight(&picture), pointer.x(), pointer.y(),
                                       view->width(), view->height()));
}

void PaneDisplay::HideLoupe() {
  for (TLoupeView* loupe : frame_.loupes) loupe->hide();
}

bool PaneDisplay::PointerOver(size_t pane) const {
  const QWidget* view = frame_.panes[pane].scrollBox;
  return view->isVisible() && view->rect().contains(view->mapFromGlobal(QCursor::pos()));
}

}  // namespace trellimap
