#pragma once
// The common frame of the picture readers: a reader fills a record or says
// why it could not; on failure the record is left empty, whatever the reader
// had made of it, and running out of memory is a failure like any other.

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "image/dib.h"
#include "image/pixmill3.h"

namespace trellimap {

// The largest picture any reader delivers, so that a damaged header cannot
// make a decoder allocate without bound.
inline constexpr int64_t kMaxPictureSide = 65535;
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 28;
// The most memory a decoder may take for its own working copies.
inline constexpr int64_t kMaxDecoderMemory = int64_t{3} << 30;

// Calls decode(out, &why). True when it succeeded; otherwise `out` holds no
// picture and `*reason` (when given) says why, or `fallback`.
template <class Decode>
bool DecodeInto(dib* out, std::string* reason, const char* fallback, Decode&& decode) {
  std::memset(out, 0, sizeof(dib));
  std::string why;
  bool ok = false;
  try {
    ok = decode(out, &why);
  } catch (const std::bad_alloc&) {
    why = "not enough memory for the picture";
  }
  if (ok) return true;
  if (out->poi != nullptr) ReleaseDib(out);
  std::memset(out, 0, sizeof(dib));
  if (reason) *reason = why.empty() ? fallback : why;
  return false;
}

}  // namespace trellimap
