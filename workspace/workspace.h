#pragma once
// The workspace of one window or one command-line run: the two pictures, the
// two results, both outlines with their corner counters and the option states.

#include <cstdint>

#include "foundation/dynaarray.h"
#include "foundation/outlinepoint.h"
#include "image/dib.h"

namespace trellimap {

struct Workspace {
  // Four 320 × 200 pictures at 24 bits, empty outlines, default options.
  Workspace();
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  dib di1{};                        // picture 1
  dib di2{};                        // picture 2
  dib di3{};                        // result 1: picture 1's outlined area in picture 2's outline
  dib di4{};                        // result 2: the reverse direction
  TOutlinePoint* apunkt = nullptr;  // current record of whichever list moved last
  TDynaArray punkte1{sizeof(TOutlinePoint), &apunkt};
  TDynaArray punkte2{sizeof(TOutlinePoint), &apunkt};
  int32_t ecken1 = 0;  // corners placed on picture 1 (0 to 4)
  int32_t ecken2 = 0;
  bool showoriginal = false;  // results start as a copy of the destination picture
  bool transparent = false;   // warped pixels are blended half and half
  bool renderautomatically = true;
  bool smooth = false;  // results resampled smoothly; an option of the run, never stored
};

// Size of the pictures a new workspace starts with.
inline constexpr int32_t kStartWidth = 320;
inline constexpr int32_t kStartHeight = 200;

}  // namespace trellimap
