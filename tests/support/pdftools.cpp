#include "tests/support/pdftools.h"

#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <sstream>

#include "codecs/pictureopening.h"
#include "image/pixmill3.h"

namespace trellimap::testing {

ToolRun RunTool(const std::string& command) {
  ToolRun run{-1, {}};
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer{};
  for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) run.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::vector<PdfPageBox> PdfPageBoxes(const std::string& pdf) {
  const ToolRun run = RunTool("pdfinfo -f 1 -l 9999 '" + pdf + "'");
  std::vector<PdfPageBox> boxes;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    PdfPageBox box{};
    int page = 0;
    if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf pts", &page, &box.width, &box.height) == 3)
      boxes.push_back(box);
  }
  return boxes;
}

std::vector<std::string> PdfPictures(const std::string& pdf) {
  const ToolRun run = RunTool("pdfimages -list '" + pdf + "'");
  std::vector<std::string> pictures;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string page, number, type, width, height, colour, components, bits, coding;
    if (fields >> page >> number >> type >> width >> height >> colour >> components >> bits >> coding &&
        type == "image")
      pictures.push_back(colour + " " + bits + " " + coding);
  }
  return pictures;
}

dib RenderedPdfPage(const std::string& pdf, int page, int dpi) {
  const std::string stem = pdf + ".page" + std::to_string(page);
  RunTool("pdftoppm -png -singlefile -r " + std::to_string(dpi) + " -f " + std::to_string(page) + " -l " +
          std::to_string(page) + " '" + pdf + "' '" + stem + "'");
  dib picture{};
  ReadPictureFile(stem + ".png", picture);
  std::filesystem::remove(stem + ".png");
  return picture;
}

double Psnr(const dib& a, const dib& b) {
  double squares = 0;
  const int32_t w = DibWidth(&a), h = DibHeight(&a);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t p = DibPixelColour(a, x, y), q = DibPixelColour(b, x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        const double d = static_cast<double>((p >> shift) & 0xFF) - static_cast<double>((q >> shift) & 0xFF);
        squares += d * d;
      }
    }
  if (squares == 0) return std::numeric_limits<double>::infinity();
  return 10 * std::log10(255.0 * 255.0 / (squares / (3.0 * w * h)));
}

}  // namespace trellimap::testing
