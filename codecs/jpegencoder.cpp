#include "codecs/jpegencoder.h"

#include <exception>
#include <vector>

#include "codecs/jpegerrors.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

constexpr size_t kBufferBytes = size_t{1} << 16;

// The encoder's output, passed on to the sink a buffer at a time. An
// exception from the sink must not cross the library: it is kept, the rest
// of the output dropped, and it is thrown again once the library is done.
struct Destination {
  jpeg_destination_mgr manager{};
  const ByteSink* sink = nullptr;
  std::vector<uint8_t> buffer = std::vector<uint8_t>(kBufferBytes);
  std::exception_ptr failure;

  void Pass(size_t bytes) {
    if (failure) return;
    try {
      (*sink)(buffer.data(), bytes);
    } catch (...) {
      failure = std::current_exception();
    }
  }
};

void StartOutput(j_compress_ptr info) {
  auto* d = reinterpret_cast<Destination*>(info->dest);
  d->manager.next_output_byte = d->buffer.data();
  d->manager.free_in_buffer = d->buffer.size();
}

boolean PassBuffer(j_compress_ptr info) {
  auto* d = reinterpret_cast<Destination*>(info->dest);
  d->Pass(d->buffer.size());
  StartOutput(info);
  return TRUE;
}

void PassRest(j_compress_ptr info) {
  auto* d = reinterpret_cast<Destination*>(info->dest);
  d->Pass(d->buffer.size() - d->manager.free_in_buffer);
}

}  // namespace

Outcome EncodeJpeg24(const dib& picture, const ByteSink& sink) { return EncodeJpeg(picture, sink, {}); }

Outcome EncodeJpeg(const dib& picture, const ByteSink& sink, const JpegCoding& coding) {
  const bool grey = coding.grey;
  jpeg_compress_struct info{};
  JpegErrorTrap errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JpegFail;
  Destination destination;
  destination.sink = &sink;
  destination.manager.init_destination = StartOutput;
  destination.manager.empty_output_buffer = PassBuffer;
  destination.manager.term_destination = PassRest;
  // A grey row is gathered here; made before the library can jump back past it.
  std::vector<uint8_t> level(grey ? static_cast<size_t>(DibWidth(&picture)) : 0);
  if (setjmp(errors.back) != 0) {
    jpeg_destroy_compress(&info);
    return Outcome::Failed(FileProblem::None, errors.message);
  }
  jpeg_create_compress(&info);
  info.dest = &destination.manager;
  info.image_width = static_cast<JDIMENSION>(DibWidth(&picture));
  info.image_height = static_cast<JDIMENSION>(DibHeight(&picture));
  info.input_components = grey ? 1 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;  // the picture's own byte order
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, coding.quality, TRUE);
  // The defaults halve the colour's resolution.
  if (!coding.halfColour)
    for (int c = 0; c < info.num_components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  const int32_t h = DibHeight(&picture);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = picture.poi + static_cast<int64_t>(h - 1 - static_cast<int32_t>(info.next_scanline)) * picture.bytew;
    if (grey) {
      for (JDIMENSION x = 0; x < info.image_width; ++x) level[x] = row[3 * x + 1];
      row = level.data();
    }
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  if (destination.failure) std::rethrow_exception(destination.failure);
  return Outcome::Done();
}

}  // namespace trellimap
