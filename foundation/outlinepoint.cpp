#include "foundation/outlinepoint.h"

#include <cstring>

namespace trellimap {

bool CopyOutline(const TDynaArray& from, TDynaArray& to) {
  to.Clear();
  for (uint32_t i = 0; i < from.count; ++i) {
    void* record = to.Add();
    if (record == nullptr) return false;
    std::memcpy(record, from.At(i), sizeof(TOutlinePoint));
  }
  return true;
}

}  // namespace trellimap
