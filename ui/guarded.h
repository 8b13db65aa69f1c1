#pragma once
// Event handlers that read or write files run inside Guarded, so that an
// input/output error from inside a file reaches the one general handler
// instead of unwinding through the window system.

#include <utility>

#include "foundation/ioerror.h"

namespace trellimap {

template <class Handler>
void Guarded(Handler&& handler) {
  try {
    std::forward<Handler>(handler)();
  } catch (const InOutError& error) {
    HandleInOutError(error);
  }
}

}  // namespace trellimap
