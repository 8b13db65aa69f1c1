#include "codecs/samplerows.h"

#include <cstring>

#include "codecs/samplescale.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

uint32_t Word(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }

float Float(const uint8_t* p) {
  float f;
  std::memcpy(&f, p, sizeof f);
  return f;
}

size_t SampleBytes(SampleType type) { return type == SampleType::kByte ? 1 : type == SampleType::kWord ? 2 : 4; }

bool AlphaInUse(const SampleRows& rows, int32_t w, int32_t h) {
  if (rows.channels != 4) return false;
  const size_t bytes = SampleBytes(rows.type), pixel = 4 * bytes;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* alpha = rows.top + static_cast<size_t>(y) * rows.stride + 3 * bytes;
    for (int32_t x = 0; x < w; ++x, alpha += pixel)
      for (size_t b = 0; b < bytes; ++b)
        if (alpha[b] != 0) return true;
  }
  return false;
}

// One row's red, green and blue into `to` in blue, green, red order.
template <class Sample, class Opaque, class Blend>
void Row(const uint8_t* from, uint8_t* to, int32_t w, const SampleRows& rows, bool blend, Sample sample, Opaque opaque,
         Blend over) {
  const size_t step = SampleBytes(rows.type), pixel = static_cast<size_t>(rows.channels) * step;
  const size_t red = rows.blueFirst ? 2 : 0, blue = rows.blueFirst ? 0 : 2;
  for (int32_t x = 0; x < w; ++x, from += pixel, to += 3) {
    const auto r = sample(from + red * step), g = sample(from + step), b = sample(from + blue * step);
    if (blend) {
      const auto a = sample(from + 3 * step);
      to[0] = over(b, a);
      to[1] = over(g, a);
      to[2] = over(r, a);
    } else {
      to[0] = opaque(b);
      to[1] = opaque(g);
      to[2] = opaque(r);
    }
  }
}

}  // namespace

void DeliverSampleRows(const SampleRows& rows, dib* out) {
  const int32_t w = DibWidth(out), h = DibHeight(out);
  const bool blend = AlphaInUse(rows, w, h);
  const uint32_t max = rows.max;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* from = rows.top + static_cast<size_t>(y) * rows.stride;
    uint8_t* to = out->poi + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(out->bytew);
    switch (rows.type) {
      case SampleType::kByte:
        Row(
            from, to, w, rows, blend, [](const uint8_t* p) { return uint32_t{*p}; },
            [](uint32_t v) { return static_cast<uint8_t>(v); },
            [&](uint32_t c, uint32_t a) {
              return rows.premultiplied ? PremultipliedOverWhite(c, a, 255) : OverWhite(c, a, 255);
            });
        break;
      case SampleType::kWord:
        Row(
            from, to, w, rows, blend, Word, [&](uint32_t v) { return NearestByte(std::min(v, max), max); },
            [&](uint32_t c, uint32_t a) {
              c = std::min(c, max);
              a = std::min(a, max);
              return rows.premultiplied ? PremultipliedOverWhite(c, a, max) : OverWhite(c, a, max);
            });
        break;
      case SampleType::kFloat:
        Row(from, to, w, rows, blend, Float, FloatByte,
            [&](float c, float a) { return rows.premultiplied ? FloatByte(c + (1 - a)) : FloatOverWhite(c, a); });
        break;
    }
  }
}

}  // namespace trellimap
