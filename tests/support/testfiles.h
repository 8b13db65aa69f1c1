#pragma once
// Files for tests: a private temporary folder, and picture files written
// without the program's own decoders (BMP byte by byte, other formats through
// GraphicsMagick's encoders).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace trellimap::testing {

// A fresh folder removed with everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Path(const std::string& name) const { return (root_ / name).string(); }
  // Writes `bytes` to `name` in the folder and returns the full path.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

 private:
  std::filesystem::path root_;
};

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

// A Windows BMP of width × height at 1, 4, 8 (index pixels into `palette`) or
// 24 bits (`pixel` gives red + 256 × green + 65536 × blue). `pixel` takes
// (x, y) with y counted from the top.
std::vector<uint8_t> MakeBmp(int width, int height, int bits, const std::vector<Rgb>& palette,
                             const std::function<uint32_t(int x, int y)>& pixel);

// A PNG of grey samples (colour type 0) at `depth` 1, 8 or 16 bits; rows are
// given as the bytes of their packed samples, written without compression.
std::vector<uint8_t> MakeGreyPng(int width, int height, int depth, const std::vector<std::vector<uint8_t>>& rows);

// A picture in `format` ("PNG", "PNG8", "GIF", "TIFF", ...) encoded by
// GraphicsMagick from 16-bit RGBA samples. `depth` 8 or 16 selects the
// sample depth written where the format has a choice.
struct Rgba16 {
  uint16_t r, g, b, a;
};
std::vector<uint8_t> EncodePicture(const std::string& format, int width, int height, int depth, bool withAlpha,
                                   const std::function<Rgba16(int x, int y)>& pixel);

}  // namespace trellimap::testing
