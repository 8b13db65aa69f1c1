#include "codecs/heif.h"

#include <libheif/heif.h>

#include "codecs/decodeinto.h"
#include "codecs/samplerows.h"
#include "foundation/progress.h"
#include "foundation/releasewith.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

using Context = Owned<heif_context, heif_context_free>;
using Handle = Owned<const heif_image_handle, heif_image_handle_release>;
using Picture = Owned<const heif_image, heif_image_release>;
using Options = Owned<heif_decoding_options, heif_decoding_options_free>;

bool Failed(const heif_error& error, std::string* why) {
  if (error.code == heif_error_Ok) return false;
  if (error.code == heif_error_Memory_allocation_error)
    *why = "not enough memory for the picture";
  else
    *why = std::string("the HEIF data is damaged or cut short (") + error.message + ")";
  return true;
}

bool SizeInRange(int64_t width, int64_t height, std::string* why) {
  if (width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
      width * height <= kMaxPicturePixels)
    return true;
  *why = "the picture's size (" + std::to_string(width) + " x " + std::to_string(height) + ") is out of range";
  return false;
}

// The library's account of the tiles it decoded, told on; a stop is noted
// and takes effect when the library returns.
struct Watch {
  bool (*goesOn)(double) = nullptr;
  int total = 0;
  bool stopped = false;
};

void StartProgress(heif_progress_step, int total, void* watch) { static_cast<Watch*>(watch)->total = total; }

void OnProgress(heif_progress_step, int done, void* data) {
  auto* watch = static_cast<Watch*>(data);
  if (watch->total > 0 && !watch->goesOn(static_cast<double>(done) / watch->total)) watch->stopped = true;
}

void EndProgress(heif_progress_step, void*) {}

}  // namespace

bool DecodeHeif(const uint8_t* data, size_t size, dib* out, std::string* why, bool (*goesOn)(double)) {
  const Context context(heif_context_alloc());
  if (context == nullptr) {
    *why = "not enough memory for the picture";
    return false;
  }
  if (Failed(heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr), why)) return false;
  heif_image_handle* primary = nullptr;
  if (Failed(heif_context_get_primary_image_handle(context.get(), &primary), why)) return false;
  const Handle handle(primary);
  if (!SizeInRange(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary), why)) return false;
  const bool alpha = heif_image_handle_has_alpha_channel(primary) != 0;
  const bool deep = heif_image_handle_get_luma_bits_per_pixel(primary) > 8;
  const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                  : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  const Options options(heif_decoding_options_alloc());
  Watch watch{goesOn};
  if (options != nullptr) {
    options->start_progress = StartProgress;
    options->on_progress = OnProgress;
    options->end_progress = EndProgress;
    options->progress_user_data = &watch;
  }
  if (!goesOn(0)) {
    *why = kStopped;
    return false;
  }
  heif_image* decoded = nullptr;
  const heif_error error = heif_decode_image(primary, &decoded, heif_colorspace_RGB, chroma, options.get());
  const Picture picture(decoded);
  if (watch.stopped) {
    *why = kStopped;
    return false;
  }
  if (Failed(error, why)) return false;
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
  const int width = heif_image_get_width(decoded, heif_channel_interleaved);
  const int height = heif_image_get_height(decoded, heif_channel_interleaved);
  const int bits = heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved);
  if (plane == nullptr || stride <= 0 || bits < 1 || bits > 16) {
    *why = "the HEIF data is damaged (no picture was decoded)";
    return false;
  }
  if (!SizeInRange(width, height, why)) return false;
  newdib(out, width, height, 24, nullptr, 0);
  if (out->poi == nullptr) {
    *why = "not enough memory for the picture";
    return false;
  }
  DeliverSampleRows({.top = plane,
                     .stride = static_cast<size_t>(stride),
                     .channels = alpha ? 4 : 3,
                     .type = deep ? SampleType::kWord : SampleType::kByte,
                     .max = deep ? (uint32_t{1} << bits) - 1 : 255,
                     .premultiplied = heif_image_is_premultiplied_alpha(decoded) != 0},
                    out);
  return true;
}

}  // namespace trellimap
