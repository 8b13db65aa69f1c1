#include "codecs/jpegdecoder.h"

#include <algorithm>

#include "codecs/decodeinto.h"
#include "codecs/jpegerrors.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// A warning means damaged data (a stream cut short, bytes out of place): the
// picture is refused rather than shown in part.
void WarningFails(j_common_ptr info, int level) {
  if (level < 0) JpegFail(info);
}

// The library's own account of its passes, told on as one share; a reading
// told to stop ends by the same jump as an error, noted in `stopped`.
struct Watch {
  jpeg_progress_mgr manager{};  // first: the library hands back a pointer to it
  Progress* progress = nullptr;
  double told = -1;
  volatile bool stopped = false;  // read after the jump
};

void TellProgress(j_common_ptr info) {
  auto* watch = reinterpret_cast<Watch*>(info->progress);
  const jpeg_progress_mgr& p = watch->manager;
  const double pass = p.pass_limit > 0 ? static_cast<double>(p.pass_counter) / static_cast<double>(p.pass_limit) : 0;
  const double done = (p.completed_passes + pass) / std::max(1, p.total_passes);
  // Told at the start and then about every half per cent.
  if (watch->told >= 0 && done < watch->told + 0.005) return;
  watch->told = done;
  if (Continue(watch->progress, done)) return;
  watch->stopped = true;
  std::longjmp(reinterpret_cast<JpegErrorTrap*>(info->err)->back, 1);
}

// The streams ReadJpeg reads, by the header read into `info`.
bool PlainColours(const jpeg_decompress_struct& info) {
  const bool colours =
      info.jpeg_color_space == JCS_GRAYSCALE || info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB;
  return colours && info.data_precision == 8;
}

// The largest of libjpeg's reductions (1, 2, 4 or 8) that leaves the longer
// side at least `leastSide`; 1 for none asked.
int32_t ReductionFor(const jpeg_decompress_struct& info, int32_t leastSide) {
  const int64_t longer = std::max(info.image_width, info.image_height);
  int32_t factor = 1;
  while (leastSide > 0 && factor < 8 && (longer + 2 * factor - 1) / (2 * factor) >= leastSide) factor *= 2;
  return factor;
}

Outcome Decode(std::span<const uint8_t> bytes, dib* out, Progress* progress, int32_t leastSide, int32_t* factor) {
  jpeg_decompress_struct info{};
  JpegErrorTrap errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JpegFail;
  errors.manager.emit_message = WarningFails;
  Watch watch;
  watch.progress = progress;
  watch.manager.progress_monitor = TellProgress;
  if (setjmp(errors.back) != 0) {
    jpeg_destroy_decompress(&info);
    return watch.stopped ? Outcome::Stopped() : FailedDamaged(errors.message);
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kMaxDecoderMemory;
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  if (!PlainColours(info)) {
    jpeg_destroy_decompress(&info);
    return FailedDamaged("the JPEG stream's colour space or sample precision is not read here");
  }
  if (info.image_width > kMaxPictureSide || info.image_height > kMaxPictureSide ||
      int64_t{info.image_width} * info.image_height > kMaxPicturePixels) {
    jpeg_destroy_decompress(&info);
    return FailedTooLarge("the picture's size is out of range");
  }
  info.out_color_space = JCS_EXT_BGR;  // the picture's own byte order
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(ReductionFor(info, leastSide));
  if (factor != nullptr) *factor = static_cast<int32_t>(info.scale_denom);
  info.progress = &watch.manager;
  jpeg_start_decompress(&info);
  const auto w = static_cast<int32_t>(info.output_width), h = static_cast<int32_t>(info.output_height);
  newdib(out, w, h, 24, nullptr, 0);
  if (out->poi == nullptr) {
    jpeg_destroy_decompress(&info);
    return FailedNoMemory();
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out->poi + static_cast<int64_t>(h - 1 - static_cast<int32_t>(info.output_scanline)) * out->bytew;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return Outcome::Done();
}

}  // namespace

bool IsPlainJpeg(std::span<const uint8_t> bytes) {
  jpeg_decompress_struct info{};
  JpegErrorTrap errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JpegFail;
  errors.manager.emit_message = WarningFails;
  if (setjmp(errors.back) != 0) {
    jpeg_destroy_decompress(&info);
    return true;  // ReadJpeg meets the same failure and reports it
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kMaxDecoderMemory;
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  const bool plain = PlainColours(info);
  jpeg_destroy_decompress(&info);
  return plain;
}

Outcome ReadJpeg(std::span<const uint8_t> bytes, dib& picture, Progress* progress) {
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes, &out, progress, 0, nullptr); });
}

Outcome ReadJpegReduced(std::span<const uint8_t> bytes, dib& picture, Progress* progress, int32_t leastSide,
                        int32_t* factor) {
  *factor = 1;
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes, &out, progress, leastSide, factor); });
}

}  // namespace trellimap
