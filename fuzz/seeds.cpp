// Writes the fuzz targets' first inputs, made by the program's own writers:
// into FOLDER/project, /translation, /options and one folder per picture
// format named after its first extension (bmp, gif, jpg, ...), small files
// of every kind the program writes, JPEG streams with restart markers, and
// enhanced metafiles drawn record by record. Usage: fuzz_seeds FOLDER

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/formatregistry.h"
#include "codecs/picturewriter.h"
#include "foundation/outlinepoint.h"
#include "i18n/translateunit.h"
#include "image/pixmill3.h"
#include "persist/optionsfile.h"
#include "persist/projectfile.h"
#include "tests/support/emfwriter.h"
#include "tests/support/jpegstreams.h"

namespace {

using namespace trellimap;
namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_seeds: %s\n", what.c_str());
  std::exit(1);
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("cannot write " + path.string());
}

// A small picture of `bits` bits whose pixels all differ from their neighbours.
dib Pattern(int32_t width, int32_t height, int32_t bits) {
  BitmapInfo colours{};
  for (int i = 0; i < 256; ++i)
    colours.bmiColors[i] = {static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i * 91), static_cast<uint8_t>(i), 0};
  dib picture;
  newdib(&picture, width, height, bits, &colours, bits <= 8 ? 1 << bits : 0);
  if (picture.poi == nullptr) Fail("no memory for a picture");
  const uint32_t values = bits >= 24 ? 0x1000000 : bits == 16 ? 0x10000 : 1u << bits;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      setpixel(picture, x, y, static_cast<uint32_t>(x * 2654435761u + y * 40503u) % values);
  return picture;
}

// Each picture in every way the program writes its format.
void Pictures(const fs::path& folder) {
  const dib pictures[] = {Pattern(13, 7, 24), Pattern(9, 5, 8), Pattern(17, 3, 1)};
  for (const FormatRow& row : PictureFormats())
    for (size_t w = 0; w < row.Writers().size(); ++w)
      for (const FormatExtension& extension : row.Extensions()) {
        if (extension.writer != static_cast<int>(w)) continue;
        const fs::path into = folder / row.Extensions()[0].name;
        fs::create_directories(into);
        for (size_t p = 0; p < std::size(pictures); ++p) {
          const fs::path file = into / ("own" + std::to_string(p) + "." + extension.name);
          if (const Outcome written = WritePictureFile(pictures[p], file.string()); !written.done())
            Fail(file.string() + ": " + written.detail);
        }
        break;
      }
  for (const dib& picture : pictures) deldib(picture);
}

void AddPoints(TDynaArray& list, std::initializer_list<TOutlinePoint> points) {
  for (const TOutlinePoint& p : points) std::memcpy(list.Add(), &p, sizeof p);
}

// Projects of small pictures at every depth a project holds, with outlines
// of corners and bends, the last a flattened page's with the settings after
// the option bytes.
void Projects(const fs::path& folder) {
  fs::create_directories(folder);
  const int32_t depths[][4] = {{24, 24, 24, 24}, {1, 4, 8, 2}, {16, 32, 24, 8}, {8, 24, 24, 1}};
  for (size_t k = 0; k < std::size(depths); ++k) {
    Workspace ws;
    for (size_t p = 0; p < 4; ++p) {
      ReleaseDib(ws.Pictures()[p]);
      *ws.Pictures()[p] = Pattern(5 + static_cast<int32_t>(p), 3 + static_cast<int32_t>(k), depths[k][p]);
    }
    AddPoints(ws.punkte1, {{1, 1, true, {}}, {3, 0, false, {}}, {4, 1, true, {}}, {4, 2, true, {}}, {0, 2, true, {}}});
    AddPoints(ws.punkte2, {{0, 0, true, {}}, {5, 0, true, {}}});
    ws.ecken1 = 4;
    ws.ecken2 = 2;
    ws.transparent = k == 1;
    ws.renderautomatically = k != 2;
    if (k == 3) {
      ws.perspective = ws.smooth = true;
      ws.flatPage = FlatPage{{PageSize::Kind::A5, 0, 0, 12}, {DibWidth(&ws.di2), DibHeight(&ws.di2)}};
    }
    if (!SaveProjectfile(ws, (folder / ("project" + std::to_string(k) + ".gip")).string()).done())
      Fail("cannot write a project");
  }
}

// Translation tables of a few rows, with German cells and texts of every
// length of UTF-16 sequence.
void Translations(const fs::path& folder) {
  fs::create_directories(folder);
  const fs::path file = folder / "translate.dat";
  InitTranslationFiles(file.string(), file.string());
  for (const char16_t* text : {u"Open", u"Save picture...", u" Render ", u"Größe", u"\U0001F5BC picture", u"A"})
    TranslateString(text);
  SetTranslationCell(0, 1, u"Öffnen");
  SetTranslationCell(1, 1, u"Bild speichern...");
  SetTranslationCell(3, 29, u"size");
  SaveTranslations();
}

void Options(const fs::path& folder) {
  for (int32_t language : {0, 1, 29}) {
    const fs::path into = folder / ("language" + std::to_string(language));
    fs::create_directories(into);
    if (!WriteOptions(into.string() + "/", language)) Fail("cannot write an options file");
    fs::rename(into / kOptionsFileName, folder / ("options" + std::to_string(language) + ".dat"));
    fs::remove(into);
  }
}

using Metafile = testing::EmfWriter;

// A header of a 48 × 24 pixel frame at 96 dots per inch on a reference
// device of 96 dots per inch: a logical unit is a pixel.
void Header(Metafile& m) {
  m.Begin(1);
  m.Rect(0, 0, 48, 24);     // bounds, device units
  m.Rect(0, 0, 1270, 635);  // frame, 0.01 mm
  m.U32(0x464D4520);        // " EMF"
  m.U32(0x10000);           // version
  m.U32(0);                 // bytes and records: Finish
  m.U32(0);
  m.U16(8);  // handles
  m.U16(0);
  for (uint32_t v : {0u, 0u, 0u, 960u, 960u, 254u, 254u, 0u, 0u, 0u, 254000u, 254000u}) m.U32(v);
  m.End();
}

void Polygon16(Metafile& m, uint32_t type, std::initializer_list<std::pair<int16_t, int16_t>> points) {
  m.Begin(type);
  m.Rect(0, 0, 48, 24);
  m.U32(static_cast<uint32_t>(points.size()));
  for (auto [x, y] : points) {
    m.U16(static_cast<uint16_t>(x));
    m.U16(static_cast<uint16_t>(y));
  }
  m.End();
}

void Metafiles(const fs::path& folder) {
  fs::create_directories(folder);
  constexpr uint32_t kEof = 14, kSelect = 37, kPen = 38, kBrush = 39, kRectangle = 43, kEllipse = 42;
  Metafile shapes;
  Header(shapes);
  shapes.Record(17, {1});  // map mode: MM_TEXT
  shapes.Record(kBrush, {1, 0, 0x0000FF, 0});
  shapes.Record(kSelect, {1});
  shapes.Record(kPen, {2, 0, 2, 0, 0xFF0000});
  shapes.Record(kSelect, {2});
  shapes.Record(kRectangle, {2, 2, 20, 12});
  shapes.Record(kEllipse, {24, 2, 46, 22});
  Polygon16(shapes, 86, {{2, 14}, {20, 14}, {11, 22}});
  Polygon16(shapes, 87, {{0, 23}, {47, 0}});
  // A 2 × 2 bitmap of 24 bits stretched onto 8 × 8 pixels.
  shapes.Begin(81);
  shapes.Rect(30, 14, 38, 22);
  for (uint32_t v : {30u, 14u, 0u, 0u, 2u, 2u, 80u, 40u, 120u, 16u, 0u, 0x00CC0020u, 8u, 8u}) shapes.U32(v);
  for (uint32_t v : {40u, 2u, 2u, 1u | 24u << 16, 0u, 16u, 0u, 0u, 0u, 0u}) shapes.U32(v);
  for (uint32_t v : {0x00FF0000u, 0x0000FF00u, 0xFF000000u, 0x00FFFFFFu}) shapes.U32(v);
  shapes.End();
  shapes.Record(kEof, {0, 16, 20});
  WriteBytes(folder / "shapes.emf", shapes.Finish());

  // Text in a font of its own, as characters and as the font's glyph indexes.
  for (const uint32_t options : {0u, 0x10u}) {
    Metafile text;
    Header(text);
    text.Begin(82);
    for (uint32_t v : {3u, static_cast<uint32_t>(-12), 0u, 0u, 0u, 400u, 0u, 0u}) text.U32(v);
    const std::u16string face = u"DejaVu Sans";
    for (size_t i = 0; i < 32; ++i) text.U16(i < face.size() ? face[i] : 0);
    text.End();
    text.Record(kSelect, {3});
    text.Begin(84);
    text.Rect(2, 2, 40, 20);
    for (uint32_t v : {1u, 0u, 0u, 2u, 2u, 2u, 76u, options}) text.U32(v);
    text.Rect(0, 0, -1, -1);
    text.U32(0);
    text.U16(u'H');
    text.U16(u'i');
    text.End();
    text.Record(kEof, {0, 16, 20});
    WriteBytes(folder / (options == 0 ? "text.emf" : "glyphs.emf"), text.Finish());
  }
}

// JPEG streams with a restart marker after every row of blocks, tall enough
// to be read in two halves (our own writer sets no markers): colour with its
// chroma halved both ways, and grey.
void RestartedJpegs(const fs::path& folder) {
  const testing::Coding restarts{.restartRows = 1};
  WriteBytes(folder / "restarts.jpg", testing::MakeJpeg(JCS_RGB, 3, JCS_YCbCr, 24, 72, restarts));
  WriteBytes(folder / "restarts-grey.jpg", testing::MakeJpeg(JCS_GRAYSCALE, 1, JCS_GRAYSCALE, 24, 72, restarts));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) Fail("usage: fuzz_seeds FOLDER");
  const fs::path folder = argv[1];
  Pictures(folder);
  RestartedJpegs(folder / "jpg");
  Projects(folder / "project");
  Translations(folder / "translation");
  Options(folder / "options");
  Metafiles(folder / "emf");
  return 0;
}
