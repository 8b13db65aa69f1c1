// File work on a picture, timed: "save PICTURE OUT.ext" writes it as the
// extension says (PNG, or any other format results are saved in),
// "load PICTURE" reads it as the window does, "project PICTURE OUT.gip" saves
// a project holding it as both pictures. Each prints the shortest of five
// runs in milliseconds.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "image/pixmill3.h"
#include "persist/projectfile.h"

namespace {

double BestOfFive(const std::function<bool()>& work) {
  double best = 1e300;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    if (!work()) return -1;
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace trellimap;
  if (argc < 3) return std::fputs("usage: save_bench save|load|project PICTURE [OUT]\n", stderr), 2;
  const std::string mode = argv[1], picturePath = argv[2], out = argc > 3 ? argv[3] : "";
  double ms = -1;
  if (mode == "load") {
    ms = BestOfFive([&] {
      dib loaded;
      if (!ReadPictureFile(picturePath, loaded).done()) return false;
      ReleaseDib(&loaded);
      return true;
    });
  } else {
    Workspace ws;
    if (!TryToOpenFile(&ws.di1, picturePath) || !TryToOpenFile(&ws.di2, picturePath)) return 1;
    if (mode == "save")
      ms = BestOfFive([&] { return WritePictureFile(ws.di1, out).done(); });
    else if (mode == "project")
      ms = BestOfFive([&] { return SaveProjectfile(ws, out).done(); });
  }
  if (ms < 0) return std::fprintf(stderr, "save_bench %s failed\n", mode.c_str()), 1;
  std::printf("%.1f\n", ms);
  return 0;
}
