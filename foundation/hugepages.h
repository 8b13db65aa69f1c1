#pragma once
// An allocator for large working buffers that asks the system to back them
// with huge pages and leaves their elements uninitialised: a buffer of many megabytes then costs a few page faults to
// fill instead of thousands, and reads spread over it miss the address cache
// less often.

#include <sys/mman.h>

#include <cstdlib>
#include <new>
#include <type_traits>

namespace trellimap {

template <class T>
struct HugePageAllocator {
  using value_type = T;
  static constexpr size_t kHugePage = size_t{2} << 20;

  HugePageAllocator() = default;
  template <class U>
  explicit HugePageAllocator(const HugePageAllocator<U>&) {}

  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T) - kHugePage) throw std::bad_alloc();
    // Whole huge pages, aligned to one, so that every page of the buffer can be huge.
    const size_t bytes = (n * sizeof(T) + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, bytes);
    if (p == nullptr) throw std::bad_alloc();
    madvise(p, bytes, MADV_HUGEPAGE);  // advice only: without it the buffer still works
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t) { std::free(p); }
  // Elements are left as they come, not zeroed: the buffers are filled by
  // their owners, and zeroing many megabytes first would cost as much again.
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  // Nor are they touched again when the buffer goes.
  template <class U>
  void destroy(U* p) noexcept {
    if constexpr (!std::is_trivially_destructible_v<U>) p->~U();
  }

  template <class U>
  bool operator==(const HugePageAllocator<U>&) const {
    return true;
  }
};

}  // namespace trellimap
