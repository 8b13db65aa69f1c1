#pragma once
// Samples of any depth as the 8-bit values pictures hold, and colours with
// alpha laid onto white, as the readers of our own deliver them.

#include <algorithm>
#include <cstdint>

namespace trellimap {

// The 8-bit value nearest to v × 255 / max (0 ≤ v ≤ max). No sample of 8, 10,
// 12 or 16 bits lies halfway between two, so the rounding needs no tie rule.
constexpr uint8_t NearestByte(uint32_t v, uint32_t max) {
  return static_cast<uint8_t>((uint64_t{v} * 510 + max) / (2 * uint64_t{max}));
}

// Colour sample `c` with alpha `a` (both 0 to max) over white, as the nearest
// 8-bit value of (c·a + max·(max − a)) × 255 / max²: the blend PNG pictures get.
constexpr uint8_t OverWhite(uint32_t c, uint32_t a, uint32_t max) {
  const uint64_t m = max;
  const uint64_t scaled = (uint64_t{c} * a + m * (m - a)) * 255;
  return static_cast<uint8_t>((2 * scaled + m * m) / (2 * m * m));
}

// The same for a colour already multiplied by its alpha.
constexpr uint8_t PremultipliedOverWhite(uint32_t c, uint32_t a, uint32_t max) {
  return NearestByte(std::min(c + (max - a), max), max);
}

// A sample of 0 to 1 (clamped) as the nearest 8-bit value, and laid onto white
// with alpha `a` of 0 to 1.
inline uint8_t FloatByte(float v) { return static_cast<uint8_t>(std::clamp(double{v}, 0.0, 1.0) * 255 + 0.5); }
inline uint8_t FloatOverWhite(float c, float a) {
  const double alpha = std::clamp(double{a}, 0.0, 1.0);
  return static_cast<uint8_t>((std::clamp(double{c}, 0.0, 1.0) * alpha + (1 - alpha)) * 255 + 0.5);
}

}  // namespace trellimap
