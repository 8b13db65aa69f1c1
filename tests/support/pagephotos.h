#pragma once
// Photos of pages lying tilted on a table, written as picture files, for
// tests of work on many photos.

#include <cstdint>
#include <string>

#include "tests/support/testfiles.h"

namespace trellimap::testing {

// A `pictureWidth` × `pictureHeight` photo of a page of `width` × `height`
// (any unit), written as `name` in `folder`; its full path.
std::string WriteTiltedPagePhoto(const TempFolder& folder, const std::string& name, double width, double height,
                                 int32_t pictureWidth, int32_t pictureHeight);

}  // namespace trellimap::testing
