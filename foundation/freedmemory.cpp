#include "foundation/freedmemory.h"

#include <malloc.h>

namespace trellimap {
namespace {

// Blocks below this come from the heap and return to it when freed; a larger
// one (a whole photo at full size) is still mapped and unmapped on its own.
constexpr int kMappedFrom = 32 << 20;  // the most the C library allows
// Free memory at the heap's top up to this much stays in the process.
constexpr int kKeptFree = 256 << 20;

}  // namespace

void KeepFreedMemory() {
  // Advice: where the C library takes none, memory is handled as before.
  mallopt(M_MMAP_THRESHOLD, kMappedFrom);
  mallopt(M_TRIM_THRESHOLD, kKeptFree);
}

}  // namespace trellimap
