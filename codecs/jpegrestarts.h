#pragma once
// A JPEG stream cut in two at a restart marker, so that its upper and lower
// rows can be decoded at the same time. Many cameras write a marker after
// every row of blocks, where the decoder forgets all it carried over from
// the rows before; a stream cut there and given its own header decodes on
// its own. Decoding a photo is mostly unpacking its coded data, which no
// reduction of the picture's size makes cheaper: two halves take half as long.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace trellimap {

struct JpegHalves {
  std::vector<uint8_t> upper, lower;  // whole streams, from their start-of-image marker to their end
  int32_t width = 0, height = 0;      // of the whole picture
  // The first row of the whole picture that the lower half gives, a
  // multiple of 8. The upper half holds rows up to `overlap` past it, the
  // lower half from `overlap` before it, for each other's sake.
  int32_t seam = 0, overlap = 0;
};

// The halves of a baseline stream of one scan with a restart marker at the
// start of every row of blocks, cut nearest the middle; nothing for any
// other stream, and for any stream that is not in order (a marker missing,
// out of sequence, or data cut short).
std::optional<JpegHalves> SplitAtRestart(std::span<const uint8_t> bytes);

}  // namespace trellimap
