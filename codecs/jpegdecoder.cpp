#include "codecs/jpegdecoder.h"

#include <algorithm>
#include <array>
#include <optional>

#include "codecs/decodeinto.h"
#include "codecs/jpegerrors.h"
#include "codecs/jpegrestarts.h"
#include "foundation/workers.h"
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
// side `longer` at least `leastSide`; 1 for none asked.
int32_t ReductionFor(int64_t longer, int32_t leastSide) {
  int32_t factor = 1;
  while (leastSide > 0 && factor < 8 && (longer + 2 * factor - 1) / (2 * factor) >= leastSide) factor *= 2;
  return factor;
}

// Where a decoding's rows go: into a new picture, reduced by the largest
// reduction that leaves `leastSide`; or, for a stream that holds part of the
// rows of `into`, reduced by `factor`, its first row being `into`'s row
// `firstRow`, and only `into`'s rows from `keepFrom` to before `keepTo` kept.
struct Rows {
  int32_t leastSide = 0;
  dib* into = nullptr;
  int32_t factor = 1, firstRow = 0, keepFrom = 0, keepTo = 0;
};

Outcome Decode(std::span<const uint8_t> bytes, dib* out, Progress* progress, const Rows& rows, int32_t* factor) {
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
  info.scale_denom = static_cast<unsigned>(
      rows.into != nullptr ? rows.factor : ReductionFor(std::max(info.image_width, info.image_height), rows.leastSide));
  if (factor != nullptr) *factor = static_cast<int32_t>(info.scale_denom);
  info.progress = &watch.manager;
  jpeg_start_decompress(&info);
  const auto w = static_cast<int32_t>(info.output_width), h = static_cast<int32_t>(info.output_height);
  dib* target = rows.into != nullptr ? rows.into : out;
  if (rows.into == nullptr) newdib(out, w, h, 24, nullptr, 0);
  if (target->poi == nullptr) {
    jpeg_destroy_decompress(&info);
    return FailedNoMemory();
  }
  const int32_t height = DibHeight(target);
  const int32_t keepFrom = rows.into != nullptr ? rows.keepFrom : 0, keepTo = rows.into != nullptr ? rows.keepTo : h;
  if (DibWidth(target) != w || keepFrom < rows.firstRow || keepTo > height ||
      int64_t{rows.firstRow} + h < int64_t{keepTo}) {
    jpeg_destroy_decompress(&info);
    return FailedDamaged("the parts of the JPEG stream do not fit together");
  }
  // Rows decoded only for the rows beside them go to a row of libjpeg's own,
  // which it frees however the reading ends.
  JSAMPROW passed = nullptr;
  if (keepFrom > rows.firstRow || keepTo < rows.firstRow + h)
    passed = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                       static_cast<JDIMENSION>(target->bytew), 1)[0];
  while (info.output_scanline < info.output_height) {
    const int32_t y = rows.firstRow + static_cast<int32_t>(info.output_scanline);
    JSAMPROW row =
        y >= keepFrom && y < keepTo ? target->poi + static_cast<int64_t>(height - 1 - y) * target->bytew : passed;
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
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes, &out, progress, {}, nullptr); });
}

Outcome ReadJpegReduced(std::span<const uint8_t> bytes, dib& picture, Progress* progress, int32_t leastSide,
                        int32_t* factor) {
  *factor = 1;
  // A stream with restart markers is read in two halves at once; where the
  // halves will not read, or the picture is too large, the whole stream says why.
  if (const std::optional<JpegHalves> halves = SplitAtRestart(bytes);
      halves && int64_t{halves->width} * halves->height <= kMaxPicturePixels) {
    const int32_t reduction = ReductionFor(std::max(halves->width, halves->height), leastSide);
    const Outcome read = DecodeInto(picture, [&](dib& out) {
      newdib(&out, (halves->width + reduction - 1) / reduction, (halves->height + reduction - 1) / reduction, 24,
             nullptr, 0);
      if (out.poi == nullptr) return FailedNoMemory();
      // Only the upper half tells the progress: it is told from one thread.
      std::array<Outcome, 2> parts;
      const int32_t seam = halves->seam / reduction;
      RunWorkers(2, [&](int i) {
        const Rows rows{.into = &out,
                        .factor = reduction,
                        .firstRow = i == 0 ? 0 : (halves->seam - halves->overlap) / reduction,
                        .keepFrom = i == 0 ? 0 : seam,
                        .keepTo = i == 0 ? seam : DibHeight(&out)};
        parts[i] = Decode(i == 0 ? halves->upper : halves->lower, nullptr, i == 0 ? progress : nullptr, rows, nullptr);
      });
      return parts[0].done() ? parts[1] : parts[0];
    });
    if (read.done() || read.stopped()) {
      if (read.done()) *factor = reduction;
      return read;
    }
  }
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes, &out, progress, {.leastSide = leastSide}, factor); });
}

}  // namespace trellimap
