#pragma once
// Small JPEG streams written through libjpeg itself, coded as a test or a
// fuzz seed needs (our own writer sets no restart markers and writes no
// progressive streams).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// libjpeg's header needs the standard I/O declarations first.
#include <jpeglib.h>

namespace trellimap::testing {

// How a stream is coded beyond its colours: a restart marker after every
// `restartRows` rows of blocks (0: none), progressive, chroma kept whole.
struct Coding {
  int restartRows = 0;
  bool progressive = false, wholeChroma = false;
};

// A `width` × `height` JPEG of `components` samples a pixel in `given`, stored in `stored`.
inline std::vector<uint8_t> MakeJpeg(J_COLOR_SPACE given, int components, J_COLOR_SPACE stored, int width, int height,
                                     const Coding& coding = {}) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = given;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, stored);
  info.restart_in_rows = coding.restartRows;
  if (coding.progressive) jpeg_simple_progression(&info);
  if (coding.wholeChroma)
    for (int c = 0; c < info.num_components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width * components));
  for (int y = 0; y < height; ++y) {
    for (size_t i = 0; i < row.size(); ++i)
      row[i] = static_cast<JSAMPLE>(i * 13 + static_cast<size_t>(y) * 29 + (i * 7 + static_cast<size_t>(y)) % 11 * 17);
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> file(buffer, buffer + size);
  std::free(buffer);
  jpeg_destroy_compress(&info);
  return file;
}

}  // namespace trellimap::testing
