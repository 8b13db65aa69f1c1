#include "codecs/webp.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <vector>

#include "codecs/decodeinto.h"
#include "codecs/samplerows.h"
#include "foundation/progress.h"
#include "foundation/releasewith.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// The data is handed to the decoder in this many steps, each told to the progress.
constexpr size_t kSteps = 16;

// The failure a status other than VP8_STATUS_OK stands for.
Outcome StatusFailure(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return FailedDamaged("the WebP data is cut short");
    case VP8_STATUS_OUT_OF_MEMORY:
      return FailedNoMemory();
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return FailedDamaged("the WebP data uses a feature that cannot be read");
    default:
      return FailedDamaged("the WebP data is damaged");
  }
}

Outcome NewPicture(int width, int height, dib* out) {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      int64_t{width} * height > kMaxPicturePixels)
    return FailedTooLarge("the picture's size (" + std::to_string(width) + " x " + std::to_string(height) +
                          ") is out of range");
  newdib(out, width, height, 24, nullptr, 0);
  return out->poi != nullptr ? Outcome::Done() : FailedNoMemory();
}

// The first frame of an animation, composed on its canvas as a viewer shows it.
Outcome DecodeFirstFrame(const uint8_t* data, size_t size, dib* out) {
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_BGRA;
  const WebPData webp{data, size};
  const Owned<WebPAnimDecoder, WebPAnimDecoderDelete> decoder(WebPAnimDecoderNew(&webp, &options));
  WebPAnimInfo info;
  uint8_t* canvas = nullptr;
  int timestamp = 0;
  if (decoder == nullptr || !WebPAnimDecoderGetInfo(decoder.get(), &info) ||
      !WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
    return FailedDamaged("the WebP animation is damaged or cut short");
  const int32_t w = DibWidth(out);
  DeliverSampleRows({.top = canvas, .stride = 4 * static_cast<size_t>(w), .channels = 4, .blueFirst = true}, out);
  return Outcome::Done();
}

// A still picture, decoded in steps: without alpha straight into the
// picture's rows (bottom-up, so flipped), with alpha into a buffer first.
Outcome DecodeStill(const uint8_t* data, size_t size, bool alpha, dib* out, Progress* progress) {
  WebPDecoderConfig config;
  WebPInitDecoderConfig(&config);
  const int32_t w = DibWidth(out), h = DibHeight(out);
  std::vector<uint8_t> buffer;
  WebPRGBABuffer& rgba = config.output.u.RGBA;
  config.output.is_external_memory = 1;
  config.options.use_threads = 1;
  if (alpha) {
    buffer.resize(4 * static_cast<size_t>(w) * static_cast<size_t>(h));
    config.output.colorspace = MODE_BGRA;
    rgba = {buffer.data(), 4 * w, buffer.size()};
  } else {
    config.output.colorspace = MODE_BGR;
    config.options.flip = 1;
    rgba = {out->poi, out->bytew, static_cast<size_t>(out->bytew) * static_cast<size_t>(h)};
  }
  const Owned<WebPIDecoder, WebPIDelete> decoder(WebPIDecode(nullptr, 0, &config));
  VP8StatusCode status = decoder ? VP8_STATUS_SUSPENDED : VP8_STATUS_OUT_OF_MEMORY;
  for (size_t step = 1; step <= kSteps && status == VP8_STATUS_SUSPENDED; ++step) {
    if (!Continue(progress, static_cast<double>(step - 1) / kSteps)) return Outcome::Stopped();
    status = WebPIUpdate(decoder.get(), data, size * step / kSteps);
  }
  if (status != VP8_STATUS_OK)
    return StatusFailure(status == VP8_STATUS_SUSPENDED ? VP8_STATUS_NOT_ENOUGH_DATA : status);
  if (alpha)
    DeliverSampleRows({.top = buffer.data(), .stride = 4 * static_cast<size_t>(w), .channels = 4, .blueFirst = true},
                      out);
  return Outcome::Done();
}

Outcome Decode(const uint8_t* data, size_t size, dib* out, Progress* progress) {
  WebPBitstreamFeatures features;
  if (const VP8StatusCode status = WebPGetFeatures(data, size, &features); status != VP8_STATUS_OK)
    return StatusFailure(status);
  if (Outcome made = NewPicture(features.width, features.height, out); !made.done()) return made;
  if (features.has_animation) return DecodeFirstFrame(data, size, out);
  return DecodeStill(data, size, features.has_alpha != 0, out, progress);
}

}  // namespace

Outcome ReadWebp(std::span<const uint8_t> bytes, dib& picture, Progress* progress) {
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes.data(), bytes.size(), &out, progress); });
}

}  // namespace trellimap
