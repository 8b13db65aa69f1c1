#pragma once
// Halved copies of a pane's picture, each pixel the mean of the two by two
// pixels of the copy before, so that a pane below 100 % can average what each
// of its pixels covers without reading the whole picture at every paint.
// They are made as a zoom first needs them and kept while the pane shows the
// same picture: a picture is never changed in place, a new one has a new
// handle.

#include <cstdint>
#include <vector>

#include "image/dib.h"

namespace trellimap {

// Halves `from` (24 bits) into `to`: width and height (w + 1) / 2, each pixel
// the rounded mean of the pixels of `from` it covers (two by two; at an odd
// edge, the one or two there are). False, `to` left empty, without memory.
bool HalvePicture(const dib& from, dib& to);

class ReducedCopies {
 public:
  ReducedCopies() = default;
  ~ReducedCopies();
  ReducedCopies(const ReducedCopies&) = delete;
  ReducedCopies& operator=(const ReducedCopies&) = delete;

  // The smallest of `picture` and its halved copies that is still at least
  // `width` × `height`: the one to average a pane of that size from. The
  // picture itself for anything but 24 bits, or when a copy cannot be made.
  const dib& AtLeast(const dib& picture, int32_t width, int32_t height);

 private:
  void Forget();

  uint32_t handle_ = 0;  // the picture the copies are of
  const uint8_t* pixels_ = nullptr;
  std::vector<dib> copies_;  // halved once, twice, ...
};

}  // namespace trellimap
