#include "render/mockup.h"

#include "foundation/outlinepoint.h"
#include "image/pixmill3.h"
#include "warp/smoothrenderer.h"

namespace trellimap {

void PictureEdgeOutline(int32_t w, int32_t h, TDynaArray& outline) {
  outline.Clear();
  const int32_t right = w > 0 ? w - 1 : 0, bottom = h > 0 ? h - 1 : 0;
  const int32_t corners[][2] = {{0, 0}, {right, 0}, {right, bottom}, {0, bottom}, {0, 0}};
  for (const auto& c : corners) {
    auto* p = static_cast<TOutlinePoint*>(outline.Add());
    if (p == nullptr) return;  // no memory: the outline stays incomplete and renders nothing
    p->x = c[0];
    p->y = c[1];
    p->iscorner = true;
  }
}

bool RenderMockup(const dib& design, const dib& templatePicture, const TDynaArray& templateOutline, dib& result,
                  int threads, Progress* progress) {
  TDynaArray designOutline(sizeof(TOutlinePoint));
  PictureEdgeOutline(DibWidth(&design), DibHeight(&design), designOutline);
  RenderOptions options;
  options.showoriginal = true;
  options.perspective = true;
  options.threads = threads;
  options.progress = progress;
  return RenderSmooth(DirectionParts{design, designOutline, templatePicture, templateOutline, result}, options);
}

}  // namespace trellimap
