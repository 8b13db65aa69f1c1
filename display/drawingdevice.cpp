#include "display/drawingdevice.h"

#include <algorithm>

namespace trellimap {

// Out of line so that the vtables live in one object file.
DeviceBitmap::~DeviceBitmap() = default;
DrawingDevice::~DrawingDevice() = default;

IndexSpan VisibleSpan(int64_t pos, int64_t size, int64_t lo, int64_t hi) {
  return {std::max<int64_t>(0, lo - pos), std::min(size, hi - pos)};
}

}  // namespace trellimap
