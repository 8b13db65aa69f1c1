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

// The failure `error` stands for; Done for heif_error_Ok.
Outcome Checked(const heif_error& error) {
  if (error.code == heif_error_Ok) return Outcome::Done();
  if (error.code == heif_error_Memory_allocation_error) return FailedNoMemory();
  return FailedDamaged(std::string("the HEIF data is damaged or cut short (") + error.message + ")");
}

Outcome SizeInRange(int64_t width, int64_t height) {
  if (width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
      width * height <= kMaxPicturePixels)
    return Outcome::Done();
  return FailedTooLarge("the picture's size (" + std::to_string(width) + " x " + std::to_string(height) +
                        ") is out of range");
}

// The library's account of the tiles it decoded, told on; a stop is noted
// and takes effect when the library returns.
struct Watch {
  Progress* progress = nullptr;
  int total = 0;
  bool stopped = false;
};

void StartProgress(heif_progress_step, int total, void* watch) { static_cast<Watch*>(watch)->total = total; }

void OnProgress(heif_progress_step, int done, void* data) {
  auto* watch = static_cast<Watch*>(data);
  if (watch->total > 0 && !Continue(watch->progress, static_cast<double>(done) / watch->total)) watch->stopped = true;
}

void EndProgress(heif_progress_step, void*) {}

Outcome Decode(const uint8_t* data, size_t size, dib* out, Progress* progress) {
  const Context context(heif_context_alloc());
  if (context == nullptr) return FailedNoMemory();
  if (Outcome read = Checked(heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr));
      !read.done())
    return read;
  heif_image_handle* primary = nullptr;
  if (Outcome found = Checked(heif_context_get_primary_image_handle(context.get(), &primary)); !found.done())
    return found;
  const Handle handle(primary);
  if (Outcome fits = SizeInRange(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
      !fits.done())
    return fits;
  const bool alpha = heif_image_handle_has_alpha_channel(primary) != 0;
  const bool deep = heif_image_handle_get_luma_bits_per_pixel(primary) > 8;
  const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                  : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  const Options options(heif_decoding_options_alloc());
  Watch watch{progress};
  if (options != nullptr) {
    options->start_progress = StartProgress;
    options->on_progress = OnProgress;
    options->end_progress = EndProgress;
    options->progress_user_data = &watch;
  }
  if (!Continue(progress, 0)) return Outcome::Stopped();
  heif_image* decoded = nullptr;
  const heif_error error = heif_decode_image(primary, &decoded, heif_colorspace_RGB, chroma, options.get());
  const Picture picture(decoded);
  if (watch.stopped) return Outcome::Stopped();
  if (Outcome checked = Checked(error); !checked.done()) return checked;
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
  const int width = heif_image_get_width(decoded, heif_channel_interleaved);
  const int height = heif_image_get_height(decoded, heif_channel_interleaved);
  const int bits = heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved);
  if (plane == nullptr || stride <= 0 || bits < 1 || bits > 16)
    return FailedDamaged("the HEIF data is damaged (no picture was decoded)");
  if (Outcome fits = SizeInRange(width, height); !fits.done()) return fits;
  newdib(out, width, height, 24, nullptr, 0);
  if (out->poi == nullptr) return FailedNoMemory();
  DeliverSampleRows({.top = plane,
                     .stride = static_cast<size_t>(stride),
                     .channels = alpha ? 4 : 3,
                     .type = deep ? SampleType::kWord : SampleType::kByte,
                     .max = deep ? (uint32_t{1} << bits) - 1 : 255,
                     .premultiplied = heif_image_is_premultiplied_alpha(decoded) != 0},
                    out);
  return Outcome::Done();
}

}  // namespace

Outcome ReadHeif(std::span<const uint8_t> bytes, dib& picture, Progress* progress) {
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes.data(), bytes.size(), &out, progress); });
}

}  // namespace trellimap
