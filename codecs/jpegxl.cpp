#include "codecs/jpegxl.h"

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>
#include <vector>

#include "codecs/decodeinto.h"
#include "codecs/samplerows.h"
#include "foundation/progress.h"
#include "foundation/releasewith.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

using Decoder = Owned<JxlDecoder, JxlDecoderDestroy>;
using Runner = Owned<void, JxlThreadParallelRunnerDestroy>;

// The data is handed to the decoder in this many steps, each told to the progress.
constexpr size_t kSteps = 16;

constexpr const char* kDamaged = "the JPEG XL data is damaged";

// The picture of the size `info` declares, as it is shown (turned when its
// orientation swaps the sides); TooLarge when that is beyond the budget.
Outcome NewPicture(const JxlBasicInfo& info, dib* out) {
  const bool turned = info.orientation >= JXL_ORIENT_TRANSPOSE;
  const int64_t width = turned ? info.ysize : info.xsize, height = turned ? info.xsize : info.ysize;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height > kMaxPicturePixels)
    return FailedTooLarge("the picture's size (" + std::to_string(width) + " x " + std::to_string(height) +
                          ") is out of range");
  newdib(out, static_cast<int32_t>(width), static_cast<int32_t>(height), 24, nullptr, 0);
  return out->poi != nullptr ? Outcome::Done() : FailedNoMemory();
}

Outcome Decode(const uint8_t* data, size_t size, dib* out, Progress* progress) {
  const Decoder decoder(JxlDecoderCreate(nullptr));
  const Runner runner(JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
  if (decoder == nullptr || runner == nullptr) return FailedNoMemory();
  JxlDecoder* d = decoder.get();
  if (JxlDecoderSetParallelRunner(d, JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS ||
      JxlDecoderSubscribeEvents(d, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
      JxlDecoderSetUnpremultiplyAlpha(d, JXL_TRUE) != JXL_DEC_SUCCESS)
    return FailedDamaged(kDamaged);
  JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_LITTLE_ENDIAN, 0};
  std::vector<uint8_t> samples;
  size_t given = 0;  // the end of the data handed over so far
  for (;;) {
    switch (JxlDecoderProcessInput(d)) {
      case JXL_DEC_NEED_MORE_INPUT: {
        if (given == size) return FailedDamaged("the JPEG XL data is cut short");
        const size_t kept = given == 0 ? 0 : JxlDecoderReleaseInput(d);
        if (!Continue(progress, static_cast<double>(given) / static_cast<double>(size))) return Outcome::Stopped();
        const size_t from = given - kept;
        given = std::min(size, given + std::max<size_t>(size / kSteps, 1));
        // The end is never declared: a file cut short then asks for more,
        // rather than failing inside the library, which reports on stderr.
        JxlDecoderSetInput(d, data + from, given - from);
        break;
      }
      case JXL_DEC_BASIC_INFO: {
        JxlBasicInfo info;
        if (JxlDecoderGetBasicInfo(d, &info) != JXL_DEC_SUCCESS) return FailedDamaged(kDamaged);
        if (Outcome made = NewPicture(info, out); !made.done()) return made;
        format.num_channels = info.alpha_bits > 0 ? 4 : 3;
        if (info.bits_per_sample > 8 || info.exponent_bits_per_sample > 0) format.data_type = JXL_TYPE_FLOAT;
        break;
      }
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
        size_t bytes = 0;
        const size_t pixel = format.num_channels * (format.data_type == JXL_TYPE_FLOAT ? sizeof(float) : 1);
        if (out->poi == nullptr || JxlDecoderImageOutBufferSize(d, &format, &bytes) != JXL_DEC_SUCCESS ||
            bytes != pixel * static_cast<size_t>(DibWidth(out)) * static_cast<size_t>(DibHeight(out)))
          return FailedDamaged(kDamaged);
        samples.resize(bytes);
        if (JxlDecoderSetImageOutBuffer(d, &format, samples.data(), bytes) != JXL_DEC_SUCCESS)
          return FailedDamaged(kDamaged);
        break;
      }
      case JXL_DEC_FULL_IMAGE: {
        // The first frame is the picture; any others are left unread.
        const bool floats = format.data_type == JXL_TYPE_FLOAT;
        const size_t pixel = format.num_channels * (floats ? sizeof(float) : 1);
        DeliverSampleRows({.top = samples.data(),
                           .stride = pixel * static_cast<size_t>(DibWidth(out)),
                           .channels = static_cast<int>(format.num_channels),
                           .type = floats ? SampleType::kFloat : SampleType::kByte},
                          out);
        return Outcome::Done();
      }
      case JXL_DEC_ERROR:
        return FailedDamaged(kDamaged);
      default:
        return FailedDamaged("the JPEG XL data holds no picture");
    }
  }
}

}  // namespace

Outcome ReadJpegXl(std::span<const uint8_t> bytes, dib& picture, Progress* progress) {
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes.data(), bytes.size(), &out, progress); });
}

}  // namespace trellimap
