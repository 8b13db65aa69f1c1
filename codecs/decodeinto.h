#pragma once
// The common frame of the picture readers: a reader fills a picture or says
// in its Outcome why it could not; on anything but Done the picture is left
// empty, whatever the reader had made of it, and running out of memory is a
// failure like any other.

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "foundation/outcome.h"
#include "image/dib.h"
#include "image/pixmill3.h"

namespace trellimap {

// The largest picture any reader delivers, so that a damaged header cannot
// make a decoder allocate without bound.
inline constexpr int64_t kMaxPictureSide = 65535;
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 28;
// The most memory a decoder may take for its own working copies.
inline constexpr int64_t kMaxDecoderMemory = int64_t{3} << 30;

// The kinds of failure the data of a file causes, with the reader's words.
inline Outcome FailedDamaged(std::string detail) { return Outcome::Failed(FileProblem::Damaged, std::move(detail)); }
inline Outcome FailedTooLarge(std::string detail) { return Outcome::Failed(FileProblem::TooLarge, std::move(detail)); }
inline Outcome FailedNoMemory(std::string detail = "not enough memory for the picture") {
  return Outcome::Failed(FileProblem::NoMemory, std::move(detail));
}

// Calls decode(picture), which returns an Outcome, and returns that. On
// anything but Done `picture` holds no picture; std::bad_alloc fails as
// NoMemory.
template <class Decode>
Outcome DecodeInto(dib& picture, Decode&& decode) {
  std::memset(&picture, 0, sizeof(dib));
  Outcome outcome;
  try {
    outcome = decode(picture);
  } catch (const std::bad_alloc&) {
    outcome = FailedNoMemory();
  }
  if (outcome.done()) return outcome;
  if (picture.poi != nullptr) ReleaseDib(&picture);
  std::memset(&picture, 0, sizeof(dib));
  return outcome;
}

}  // namespace trellimap
