#include "workspace/panegeometry.h"

namespace trellimap {

Split HalfSplit(int32_t total) {
  if (total < 0) total = 0;
  return {total / 2, total - total / 2};
}

}  // namespace trellimap
