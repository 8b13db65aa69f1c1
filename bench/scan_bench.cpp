// Measures finished scans of photographed pages made with their text known:
// pages of real text with a blue stamp and a pencil line, photographed under
// a lamp's warm light with a shadow across part of the page, flattened by the
// command-line tool with each look, then read by the text recognition.
// Prints `name: number` lines: the share of characters read right per look,
// how white and even the clean look's paper is, how blue its stamp stays,
// and the PDF's bytes per page in colour at 150 DPI and in black and white at
// 300 DPI.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "image/pixmill3.h"
#include "scan/recognition.h"
#include "tests/support/syntheticphoto.h"
#include "tests/support/testfiles.h"
#include "tests/support/textpages.h"

namespace trellimap {
namespace {

// An A4 page at 150 DPI; its text fills the top 70 %, the stamp and the
// pencil line lie below it.
constexpr int32_t kPageWidth = 1240, kPageHeight = 1754, kTextHeight = 1230;
constexpr double kStampX = 0.7, kStampY = 0.83, kStampRadius = 110;
constexpr int32_t kPencilTop = 1380, kPencilBottom = 1460;

struct Print {
  dib picture{};
  std::string text;  // the words, one space between them
};

bool InStamp(int32_t x, int32_t y) {
  return std::hypot(x - kStampX * kPageWidth, y - kStampY * kPageHeight) < kStampRadius;
}

Print MakePrint(const char* family, double size) {
  std::vector<std::string> words;
  dib text = testing::TextPagePicture({family, size, kPageWidth, kTextHeight}, &words);
  Print print;
  for (const std::string& word : words) print.text += (print.text.empty() ? "" : " ") + word;
  newdib(&print.picture, kPageWidth, kPageHeight, 24, nullptr, 0);
  for (int32_t y = 0; y < kPageHeight; ++y)
    for (int32_t x = 0; x < kPageWidth; ++x) {
      uint32_t c = y < kTextHeight ? getpixel(text, x, y) : 0xFFFFFF;
      if (InStamp(x, y)) c = 0xE06040;  // blue ink: red 64, green 96, blue 224
      // A pencil line wandering across the space below the stamp's left.
      const double wave = (kPencilTop + kPencilBottom) / 2.0 + 25 * std::sin(x / 60.0);
      if (x > 150 && x < 700 && std::abs(y - wave) < 1.5) c = 0x969696;
      setpixel(print.picture, x, y, c);
    }
  ReleaseDib(&text);
  return print;
}

// Edits to turn `read` into `truth`, by characters.
size_t EditDistance(const std::string& read, const std::string& truth) {
  std::vector<size_t> row(truth.size() + 1), next(truth.size() + 1);
  for (size_t j = 0; j <= truth.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= read.size(); ++i) {
    next[0] = i;
    for (size_t j = 1; j <= truth.size(); ++j)
      next[j] = std::min({row[j] + 1, next[j - 1] + 1, row[j - 1] + (read[i - 1] == truth[j - 1] ? 0 : 1)});
    std::swap(row, next);
  }
  return row[truth.size()];
}

// The share of `truth`'s characters the words read on `page` get right.
double CharactersRight(const dib& page, const std::string& truth) {
  std::string read;
  for (const RecognisedWord& word : RecogniseWords(page, "eng", 150)) read += (read.empty() ? "" : " ") + word.text;
  return 1 - std::min(1.0, static_cast<double>(EditDistance(read, truth)) / static_cast<double>(truth.size()));
}

int Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

std::string Corners(const testing::SyntheticPhoto& photo) {
  std::string corners;
  for (const Vec& c : photo.corners)
    corners += std::to_string(std::lround(c.x)) + "," + std::to_string(std::lround(c.y)) + " ";
  return corners;
}

struct Paper {
  double mean = 0, spread = 0, darkestCell = 255;
};

// The clean page's bare paper, well clear of every mark: its mean grey level,
// their spread, and the darkest mean of any 64-pixel cell of it.
Paper PaperOf(const dib& clean, const dib& print) {
  constexpr int32_t kClear = 5, kCell = 64;
  std::vector<uint8_t> bare(static_cast<size_t>(kPageWidth) * kPageHeight, 1);
  for (int32_t y = 0; y < kPageHeight; ++y)
    for (int32_t x = 0; x < kPageWidth; ++x)
      if (getpixel(print, x, y) != 0xFFFFFF)
        for (int32_t v = std::max(0, y - kClear); v <= std::min(kPageHeight - 1, y + kClear); ++v)
          for (int32_t u = std::max(0, x - kClear); u <= std::min(kPageWidth - 1, x + kClear); ++u)
            bare[static_cast<size_t>(v) * kPageWidth + u] = 0;
  double sum = 0, squares = 0;
  size_t n = 0;
  std::map<std::pair<int32_t, int32_t>, std::pair<double, int>> cells;
  for (int32_t y = kClear; y < kPageHeight - kClear; ++y)
    for (int32_t x = kClear; x < kPageWidth - kClear; ++x) {
      if (!bare[static_cast<size_t>(y) * kPageWidth + x]) continue;
      const uint32_t c = DibPixelColour(clean, x, y);
      const double grey = ((c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF)) / 3.0;
      sum += grey, squares += grey * grey, ++n;
      auto& cell = cells[{x / kCell, y / kCell}];
      cell.first += grey, ++cell.second;
    }
  Paper paper;
  paper.mean = sum / n;
  paper.spread = std::sqrt(std::max(0.0, squares / n - paper.mean * paper.mean));
  for (const auto& [at, cell] : cells)
    if (cell.second > kCell * kCell / 4) paper.darkestCell = std::min(paper.darkestCell, cell.first / cell.second);
  return paper;
}

// How much bluer than red or green the stamp stays on the clean page.
double StampBlue(const dib& clean) {
  double blueOver = 0;
  int n = 0;
  for (int32_t y = 0; y < kPageHeight; ++y)
    for (int32_t x = 0; x < kPageWidth; ++x)
      if (InStamp(x, y) && std::hypot(x - kStampX * kPageWidth, y - kStampY * kPageHeight) < kStampRadius - 4) {
        const uint32_t c = DibPixelColour(clean, x, y);
        blueOver += static_cast<double>(c >> 16 & 0xFF) - std::max(c & 0xFF, c >> 8 & 0xFF);
        ++n;
      }
  return blueOver / n;
}

}  // namespace
}  // namespace trellimap

int main() {
  using namespace trellimap;
  const std::string cli = TRELLIMAP_CLI;
  testing::TempFolder folder;
  const char* const kLooks[] = {"photo", "clean", "grey", "bw"};
  std::map<std::string, double> characters;
  double worstPaperMean = 255, worstSpread = 0, darkestCell = 255, leastBlue = 255, colourPdf = 0, bwPdf = 0;
  const struct {
    const char* family;
    double size, tilt, azimuth;
  } pages[] = {{"serif", 22, 20, 30}, {"sans", 21, 30, 140}, {"monospace", 20, 25, 250}};
  for (const auto& kind : pages) {
    Print print = MakePrint(kind.family, kind.size);
    testing::PhotoSetup setup;
    setup.width = 2400;
    setup.height = 1800;
    setup.pageWidth = 210, setup.pageHeight = 297;
    setup.tilt = kind.tilt, setup.azimuth = kind.azimuth;
    setup.fill = 0.95;
    setup.shadow = 0.45;
    setup.noise = 2;
    setup.blur = 0.6;
    setup.print = &print.picture;
    setup.light[1] = 0.88, setup.light[2] = 0.66;  // a lamp's warm light
    const testing::SyntheticPhoto photo = testing::MakePhoto(setup);
    const std::string photoFile = folder.Path("photographed.png");
    WritePictureFile(photo.picture, photoFile);
    const std::string flatten = cli + " flatten '" + photoFile + "' --turn 0 --points '" + Corners(photo) + "'";
    for (const char* look : kLooks) {
      const std::string flat = folder.Path(std::string("flat-") + look + ".png");
      Run(flatten + " --size a4 --look " + look + " -o '" + flat + "'");
      dib page{};
      if (!ReadPictureFile(flat, page).done()) continue;
      characters[look] += CharactersRight(page, print.text) / std::size(pages);
      if (std::string(look) == "clean") {
        const Paper paper = PaperOf(page, print.picture);
        worstPaperMean = std::min(worstPaperMean, paper.mean);
        worstSpread = std::max(worstSpread, paper.spread);
        darkestCell = std::min(darkestCell, paper.darkestCell);
        leastBlue = std::min(leastBlue, StampBlue(page));
      }
      ReleaseDib(&page);
    }
    const std::string pdf = folder.Path("page.pdf");
    Run(flatten + " --size a4 --look clean -o '" + pdf + "'");
    colourPdf = std::max(colourPdf, std::filesystem::file_size(pdf) / 1000.0);
    Run(flatten + " --size a4@300 --look bw -o '" + pdf + "'");
    bwPdf = std::max(bwPdf, std::filesystem::file_size(pdf) / 1000.0);
    ReleaseDib(&print.picture);
  }
  for (const char* look : kLooks) std::printf("scan_characters_%s: %.4f\n", look, characters[look]);
  std::printf("scan_clean_paper_mean: %.1f\nscan_clean_paper_spread: %.2f\nscan_clean_darkest_cell: %.1f\n",
              worstPaperMean, worstSpread, darkestCell);
  std::printf("scan_stamp_blue_over: %.0f\n", leastBlue);
  std::printf("scan_pdf_colour_a4_150_kb: %.0f\nscan_pdf_bw_a4_300_kb: %.0f\n", colourPdf, bwPdf);
  return 0;
}
