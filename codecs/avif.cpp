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

bool Failed(avifResult result, std::string* why) {
  if (result == AVIF_RESULT_OK) return false;
  if (result == AVIF_RESULT_OUT_OF_MEMORY)
    *why = "not enough memory for the picture";
  else
    *why = std::string("the AVIF data is damaged or cut short (") + avifResultToString(result) + ")";
  return true;
}

// Turns the rows of `picture` upside down in place.
void Flip(dib* picture) {
  const auto h = static_cast<size_t>(DibHeight(picture)), stride = static_cast<size_t>(picture->bytew);
  for (size_t y = 0; y < h / 2; ++y)
    std::swap_ranges(picture->poi + y * stride, picture->poi + (y + 1) * stride, picture->poi + (h - 1 - y) * stride);
}

}  // namespace

bool DecodeAvif(const uint8_t* data, size_t size, dib* out, std::string* why, bool (*goesOn)(double)) {
  const Decoder decoder(avifDecoderCreate());
  if (decoder == nullptr) {
    *why = "not enough memory for the picture";
    return false;
  }
  avifDecoder* d = decoder.get();
  d->maxThreads = Cores();
  // Files other writers make loosely are read too; the sizes stay bounded.
  d->strictFlags = AVIF_STRICT_DISABLED;
  d->imageSizeLimit = static_cast<uint32_t>(kMaxPicturePixels);
  d->imageDimensionLimit = static_cast<uint32_t>(kMaxPictureSide);
  if (Failed(avifDecoderSetIOMemory(d, data, size), why) || Failed(avifDecoderParse(d), why)) return false;
  const avifImage* image = d->image;
  const int64_t w = image->width, h = image->height;
  if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide || w * h > kMaxPicturePixels) {
    *why = "the picture's size (" + std::to_string(w) + " x " + std::to_string(h) + ") is out of range";
    return false;
  }
  if (!goesOn(0)) {
    *why = kStopped;
    return false;
  }
  if (Failed(avifDecoderNextImage(d), why)) return false;
  image = d->image;
  if (image->width != w || image->height != h || image->depth < 8 || image->depth > 16) {
    *why = "the AVIF data is damaged (its frame differs from its declared size)";
    return false;
  }
  newdib(out, static_cast<int32_t>(w), static_cast<int32_t>(h), 24, nullptr, 0);
  if (out->poi == nullptr) {
    *why = "not enough memory for the picture";
    return false;
  }
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image);
  const bool alpha = image->alphaPlane != nullptr;
  if (image->depth == 8 && !alpha) {
    // Straight into the picture's rows, which run from the bottom: turned after.
    rgb.format = AVIF_RGB_FORMAT_BGR;
    rgb.pixels = out->poi;
    rgb.rowBytes = static_cast<uint32_t>(out->bytew);
    if (Failed(avifImageYUVToRGB(image, &rgb), why)) return false;
    Flip(out);
    return true;
  }
  // Deeper samples are kept at their own depth and scaled here, to the nearest 8-bit value.
  rgb.format = alpha ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
  rgb.rowBytes = rgb.width * avifRGBImagePixelSize(&rgb);
  std::vector<uint8_t> samples(static_cast<size_t>(rgb.rowBytes) * rgb.height);
  rgb.pixels = samples.data();
  if (Failed(avifImageYUVToRGB(image, &rgb), why)) return false;
  const bool deep = rgb.depth > 8;
  DeliverSampleRows({.top = samples.data(),
                     .stride = rgb.rowBytes,
                     .channels = alpha ? 4 : 3,
                     .type = deep ? SampleType::kWord : SampleType::kByte,
                     .max = (uint32_t{1} << rgb.depth) - 1},
                    out);
  return true;
}

}  // namespace trellimap
