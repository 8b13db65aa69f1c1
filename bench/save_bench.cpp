// Time to write a result picture as PNG: reads PICTURE and writes it to OUT
// three times, printing the shortest in milliseconds.

#include <chrono>
#include <cstdio>
#include <string>

#include "codecs/picturewriter.h"
#include "image/pixmill3.h"

int main(int argc, char** argv) {
  using namespace trellimap;
  if (argc != 3) return std::fputs("usage: save_bench PICTURE OUT.png\n", stderr), 2;
  dib picture;
  OpenDib(&picture, argv[1], 0, nullptr);
  if (picture.poi == nullptr) return 1;
  double best = 1e300;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    std::string reason;
    if (!WritePictureFile(picture, argv[2], &reason)) return std::fprintf(stderr, "%s\n", reason.c_str()), 1;
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("%.1f\n", best);
  ReleaseDib(&picture);
  return 0;
}
