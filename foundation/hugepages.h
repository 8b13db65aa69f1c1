#pragma once
// An allocator for large working buffers that asks the system to back them
// with huge pages and leaves their elements uninitialised: a buffer of many
// megabytes then costs a few page faults to fill instead of thousands, and
// reads spread over it miss the address cache less often.
//
// The last buffer given back is kept for the next one of about its size
// (renders come in pairs and are repeated while the user works), so that the
// system need not clear fresh pages for it again; only buffers up to
// kKeptBytes are kept.

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>

namespace trellimap {

inline constexpr size_t kKeptBytes = size_t{256} << 20;

// A block of at least `bytes` bytes, aligned to a huge page; throws
// std::bad_alloc when there is none.
void* TakeHugeBlock(size_t bytes);
// Gives back a block of `bytes` bytes from TakeHugeBlock.
void GiveBackHugeBlock(void* block, size_t bytes);

template <class T>
struct HugePageAllocator {
  using value_type = T;

  HugePageAllocator() = default;
  template <class U>
  explicit HugePageAllocator(const HugePageAllocator<U>&) {}

  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T) / 2) throw std::bad_alloc();
    return static_cast<T*>(TakeHugeBlock(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) { GiveBackHugeBlock(p, n * sizeof(T)); }
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
