#include "foundation/hugepages.h"

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>
#include <utility>

namespace trellimap {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;

// Whole huge pages, so that every page of a block can be huge.
size_t Rounded(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

struct Kept {
  std::mutex lock;
  void* block = nullptr;
  size_t bytes = 0;
  // The block last handed out from here, with its real size, which its user
  // does not know.
  void* lent = nullptr;
  size_t lentBytes = 0;
};

Kept& TheKept() {
  static Kept kept;
  return kept;
}

}  // namespace

void* TakeHugeBlock(size_t bytes) {
  const size_t size = Rounded(bytes);
  {
    // The kept block serves a buffer of its size or up to half as big.
    Kept& kept = TheKept();
    const std::lock_guard<std::mutex> hold(kept.lock);
    if (kept.block != nullptr && kept.bytes >= size && kept.bytes / 2 <= size) {
      kept.lent = kept.block;
      kept.lentBytes = kept.bytes;
      kept.block = nullptr;
      return kept.lent;
    }
  }
  void* block = std::aligned_alloc(kHugePage, size);
  if (block == nullptr) throw std::bad_alloc();
  madvise(block, size, MADV_HUGEPAGE);  // advice only: without it the block still works
  return block;
}

void GiveBackHugeBlock(void* block, size_t bytes) {
  {
    Kept& kept = TheKept();
    const std::lock_guard<std::mutex> hold(kept.lock);
    size_t size = Rounded(bytes);
    if (block == kept.lent) {
      size = kept.lentBytes;
      kept.lent = nullptr;
    }
    // The larger block is kept.
    if (size <= kKeptBytes && (kept.block == nullptr || kept.bytes < size)) {
      std::swap(kept.block, block);
      kept.bytes = size;
    }
  }
  std::free(block);
}

}  // namespace trellimap
