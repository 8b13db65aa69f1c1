#pragma once
// Owning pointers for objects of C libraries: the object is handed to its
// library's release function when the owner goes, on every path.

#include <memory>

namespace trellimap {

template <auto Release>
struct ReleaseWith {
  template <class T>
  void operator()(T* object) const {
    Release(object);
  }
};

// A unique owner of `T` that releases it with `Release`.
template <class T, auto Release>
using Owned = std::unique_ptr<T, ReleaseWith<Release>>;

}  // namespace trellimap
