#pragma once
// The workspace of one window or one command-line run: the two pictures, the
// two results, both outlines with their corner counters and the option states.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "foundation/dynaarray.h"
#include "foundation/outlinepoint.h"
#include "image/dib.h"
#include "workspace/flatpage.h"

namespace trellimap {

// One side of the workspace: a picture with its outline and corner counter.
struct SideRef {
  dib& picture;
  TDynaArray& outline;
  int32_t& corners;
};
struct ConstSideRef {
  const dib& picture;
  const TDynaArray& outline;
  int32_t corners;
};

enum class WarpDirection {
  OneIntoTwo,  // picture 1's outlined area into picture 2's outline: result 1 (di3)
  TwoIntoOne,  // picture 2's outlined area into picture 1's outline: result 2 (di4)
};

inline constexpr WarpDirection kBothDirections[] = {WarpDirection::OneIntoTwo, WarpDirection::TwoIntoOne};

// The side a direction reads (its source) and the side whose outline it fills.
inline size_t SourceSide(WarpDirection direction) { return direction == WarpDirection::OneIntoTwo ? 0 : 1; }
inline size_t DestinationSide(WarpDirection direction) { return 1 - SourceSide(direction); }
// The number of the result a direction writes: 1 or 2.
inline int ResultNumber(WarpDirection direction) { return static_cast<int>(SourceSide(direction)) + 1; }
// The window's pane that shows a direction's result: 2 or 3 (the picture panes are 0 and 1).
inline size_t ResultPane(WarpDirection direction) { return 1 + static_cast<size_t>(ResultNumber(direction)); }

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
  bool smooth = false;       // results resampled smoothly
  bool perspective = false;  // results mapped perspective-true
  // While picture 2 is a page Flatten made: the size chosen and the page's
  // size. Whatever else replaces picture 2 clears it.
  std::optional<FlatPage> flatPage;
  // How result 1 is finished while picture 2 is a flat page.
  PageFinish finish;
  // The zooms of the window's four panes as last saved with or opened from a
  // project (0: not known). How the work was looked at, not the work: kept
  // only beside the settings above and no change of the work.
  std::array<int32_t, 4> paneZooms{};

  // Side 0 (picture 1, punkte1, ecken1) or side 1 (picture 2, punkte2, ecken2).
  SideRef Side(size_t side);
  ConstSideRef Side(size_t side) const;
  // The result a direction writes: di3 or di4.
  dib& Result(WarpDirection direction);
  const dib& Result(WarpDirection direction) const;
  // The four pictures as the panes show them: di1, di2, di3, di4.
  std::array<dib*, 4> Pictures();
  std::array<const dib*, 4> Pictures() const;
};

// Size of the pictures a new workspace starts with.
inline constexpr int32_t kStartWidth = 320;
inline constexpr int32_t kStartHeight = 200;

}  // namespace trellimap
