#pragma once
// The looks a flat page can be given.

namespace trellimap {

// As photographed; clean (the paper even and white, the light's cast and
// shadows gone, ink in its own colours); the same in grey levels; black and
// white, for text.
enum class Look { Photo, Clean, Grey, BlackWhite };

}  // namespace trellimap
