#include "codecs/avif.h"

#include <avif/avif.h>

#include <algorithm>
#include <vector>

#include "codecs/decodeinto.h"
#include "codecs/samplerows.h"
#include "foundation/progress.h"
#include "foundation/releasewith.h"
#include "foundation/workers.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

using Decoder = Owned<avifDecoder, avifDecoderDestroy>;

// The failure `result` stands for; Done for AVIF_RESULT_OK.
Outcome Checked(avifResult result) {
  if (result == AVIF_RESULT_OK) return Outcome::Done();
  if (result == AVIF_RESULT_OUT_OF_MEMORY) return FailedNoMemory();
  return FailedDamaged(std::string("the AVIF data is damaged or cut short (") + avifResultToString(result) + ")");
}

// Turns the rows of `picture` upside down in place.
void Flip(dib* picture) {
  const auto h = static_cast<size_t>(DibHeight(picture)), stride = static_cast<size_t>(picture->bytew);
  for (size_t y = 0; y < h / 2; ++y)
    std::swap_ranges(picture->poi + y * stride, picture->poi + (y + 1) * stride, picture->poi + (h - 1 - y) * stride);
}

Outcome Decode(const uint8_t* data, size_t size, dib* out, Progress* progress) {
  const Decoder decoder(avifDecoderCreate());
  if (decoder == nullptr) return FailedNoMemory();
  avifDecoder* d = decoder.get();
  d->maxThreads = Cores();
  // Files other writers make loosely are read too; the sizes stay bounded.
  d->strictFlags = AVIF_STRICT_DISABLED;
  d->imageSizeLimit = static_cast<uint32_t>(kMaxPicturePixels);
  d->imageDimensionLimit = static_cast<uint32_t>(kMaxPictureSide);
  if (Outcome set = Checked(avifDecoderSetIOMemory(d, data, size)); !set.done()) return set;
  if (Outcome parsed = Checked(avifDecoderParse(d)); !parsed.done()) return parsed;
  const avifImage* image = d->image;
  const int64_t w = image->width, h = image->height;
  if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide || w * h > kMaxPicturePixels)
    return FailedTooLarge("the picture's size (" + std::to_string(w) + " x " + std::to_string(h) + ") is out of range");
  if (!Continue(progress, 0)) return Outcome::Stopped();
  if (Outcome decoded = Checked(avifDecoderNextImage(d)); !decoded.done()) return decoded;
  image = d->image;
  if (image->width != w || image->height != h || image->depth < 8 || image->depth > 16)
    return FailedDamaged("the AVIF data is damaged (its frame differs from its declared size)");
  newdib(out, static_cast<int32_t>(w), static_cast<int32_t>(h), 24, nullptr, 0);
  if (out->poi == nullptr) return FailedNoMemory();
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image);
  const bool alpha = image->alphaPlane != nullptr;
  if (image->depth == 8 && !alpha) {
    // Straight into the picture's rows, which run from the bottom: turned after.
    rgb.format = AVIF_RGB_FORMAT_BGR;
    rgb.pixels = out->poi;
    rgb.rowBytes = static_cast<uint32_t>(out->bytew);
    if (Outcome converted = Checked(avifImageYUVToRGB(image, &rgb)); !converted.done()) return converted;
    Flip(out);
    return Outcome::Done();
  }
  // Deeper samples are kept at their own depth and scaled here, to the nearest 8-bit value.
  rgb.format = alpha ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
  rgb.rowBytes = rgb.width * avifRGBImagePixelSize(&rgb);
  std::vector<uint8_t> samples(static_cast<size_t>(rgb.rowBytes) * rgb.height);
  rgb.pixels = samples.data();
  if (Outcome converted = Checked(avifImageYUVToRGB(image, &rgb)); !converted.done()) return converted;
  const bool deep = rgb.depth > 8;
  DeliverSampleRows({.top = samples.data(),
                     .stride = rgb.rowBytes,
                     .channels = alpha ? 4 : 3,
                     .type = deep ? SampleType::kWord : SampleType::kByte,
                     .max = (uint32_t{1} << rgb.depth) - 1},
                    out);
  return Outcome::Done();
}

}  // namespace

Outcome ReadAvif(std::span<const uint8_t> bytes, dib& picture, Progress* progress) {
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes.data(), bytes.size(), &out, progress); });
}

}  // namespace trellimap
