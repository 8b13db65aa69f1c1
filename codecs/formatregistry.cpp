#include "codecs/formatregistry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>

#include "codecs/avif.h"
#include "codecs/bmprle8.h"
#include "codecs/bmptruecolour.h"
#include "codecs/emf.h"
#include "codecs/faxcoding.h"
#include "codecs/heif.h"
#include "codecs/ilbm.h"
#include "codecs/jpeg2000.h"
#include "codecs/jpegdecoder.h"
#include "codecs/jpegencoder.h"
#include "codecs/jpegxl.h"
#include "codecs/pcxencoder.h"
#include "codecs/pngencoder.h"
#include "codecs/webp.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// Signatures. Each strong one starts with bytes no other one starts with.

bool StartsWith(const uint8_t* head, size_t length, const char* magic, size_t n) {
  return length >= n && std::memcmp(head, magic, n) == 0;
}

bool PngSignature(const uint8_t* h, size_t n) { return StartsWith(h, n, "\x89PNG\r\n\x1a\n", 8); }
bool GifSignature(const uint8_t* h, size_t n) { return StartsWith(h, n, "GIF87a", 6) || StartsWith(h, n, "GIF89a", 6); }
bool JpegSignature(const uint8_t* h, size_t n) { return StartsWith(h, n, "\xFF\xD8\xFF", 3); }
bool TiffSignature(const uint8_t* h, size_t n) { return StartsWith(h, n, "II*\0", 4) || StartsWith(h, n, "MM\0*", 4); }

// A JP2 file or a bare codestream.
bool Jpeg2000Signature(const uint8_t* h, size_t n) {
  return StartsWith(h, n, "\0\0\0\x0CjP  \r\n\x87\n", 12) || StartsWith(h, n, "\xFF\x4F\xFF\x51", 4);
}

bool IffSignature(const uint8_t* h, size_t n) {
  return StartsWith(h, n, "FORM", 4) && n >= 12 &&
         (std::memcmp(h + 8, "ILBM", 4) == 0 || std::memcmp(h + 8, "PBM ", 4) == 0);
}

bool WebPSignature(const uint8_t* h, size_t n) {
  return StartsWith(h, n, "RIFF", 4) && n >= 12 && std::memcmp(h + 8, "WEBP", 4) == 0;
}

// An ISO base media file whose first box, `ftyp`, names one of `brands` as its major brand.
bool MajorBrand(const uint8_t* h, size_t n, std::initializer_list<const char*> brands) {
  if (n < 12 || std::memcmp(h + 4, "ftyp", 4) != 0) return false;
  return std::any_of(brands.begin(), brands.end(),
                     [&](const char* brand) { return std::memcmp(h + 8, brand, 4) == 0; });
}
bool HeifSignature(const uint8_t* h, size_t n) { return MajorBrand(h, n, {"heic", "heix", "hevc", "mif1", "msf1"}); }
bool AvifSignature(const uint8_t* h, size_t n) { return MajorBrand(h, n, {"avif", "avis"}); }

// A bare codestream or the container's signature box.
bool JpegXlSignature(const uint8_t* h, size_t n) {
  return StartsWith(h, n, "\xFF\x0A", 2) || StartsWith(h, n, "\0\0\0\x0CJXL \r\n\x87\n", 12);
}

// Windows and OS/2 bitmaps, including OS/2 icon and pointer variants.
bool BmpSignature(const uint8_t* h, size_t n) {
  for (const char* m : {"BM", "BA", "CI", "CP", "IC", "PT"})
    if (StartsWith(h, n, m, 2)) return true;
  return false;
}

// Manufacturer 10, a known version, encoding 0 or 1: a Targa header can show it too.
bool PcxSignature(const uint8_t* h, size_t n) { return n >= 3 && h[0] == 0x0A && h[1] <= 5 && h[1] != 1 && h[2] <= 1; }

// The library keeps grey pictures in a grey colour map, whether or not the
// file had a colour table. PNG says in its header's colour type whether it
// has one, TIFF by not being grey, and JPEG never has one.
bool PngColourTable(const uint8_t* bytes, size_t size, bool) {
  constexpr size_t kColourType = 25;
  return size > kColourType && bytes[kColourType] == 3;
}
bool TiffColourTable(const uint8_t*, size_t, bool grey) { return !grey; }
bool NoColourTable(const uint8_t*, size_t, bool) { return false; }

// Writers of our own.

Outcome StreamBmp(const dib& p, const ByteSink& sink) {
  EncodeBmp24(p, sink);
  return Outcome::Done();
}

Outcome StreamTga(const dib& p, const ByteSink& sink) {
  EncodeTga24(p, sink);
  return Outcome::Done();
}

Outcome StreamTiff(const dib& p, const ByteSink& sink) {
  EncodeTiff24(p, sink);
  return Outcome::Done();
}

Outcome StreamPcx(const dib& p, const ByteSink& sink) {
  EncodePcx24(p, sink);
  return Outcome::Done();
}

Outcome NotEncoded() { return Outcome::Failed(FileProblem::None, "the picture could not be encoded"); }

// A black-and-white picture as a TIFF of one bit a pixel, fax-coded.
Outcome StreamFaxTiff(const dib& p, const ByteSink& sink) {
  const std::vector<uint8_t> file = FaxTiff(WhiteBitRows(p), DibWidth(&p), DibHeight(&p));
  if (file.empty()) return NotEncoded();
  sink(file.data(), file.size());
  return Outcome::Done();
}

// The table's writers are defined in this file: its checks compare them with
// null at compile time, which a function of another file does not allow in
// every build (not with the sanitizers).
Outcome WriteJpeg2000(const dib& picture, std::vector<uint8_t>* out, Progress* progress) {
  return EncodeJpeg2000(picture, out, progress);
}

// The PNG encoder fails only when stopped: the picture it is given is never empty.
Outcome WritePng(const dib& picture, std::vector<uint8_t>* out, Progress* progress) {
  return EncodePng(picture, out, 0, progress) ? Outcome::Done() : Outcome::Stopped();
}

Outcome WriteIlbm(const dib& picture, std::vector<uint8_t>* out, Progress*) {
  return EncodeIlbm(picture, out) ? Outcome::Done() : NotEncoded();
}

Outcome WriteBmpRle8(const dib& paletted, std::vector<uint8_t>* out, Progress*) {
  return EncodeBmpRle8(paletted, out) ? Outcome::Done() : NotEncoded();
}

using F = PictureFormat;
using W = PictureFileFormat;

// Extensions: name, writer, place in the list of written extensions, place and text of the open dialog entry.
// JPEG is written at quality 90, GIF with at most 256 colours, ILBM with 24 planes, PCX with three planes and
// JPEG 2000 losslessly, WebP at quality 90. The open dialog's entries of WebP, HEIF, AVIF and JPEG XL are
// translated. Those formats are read by readers of our own once the library's coder gate has let the bytes
// through; the library itself only checks their content (and writes WebP).
constexpr std::array<FormatRow, 14> kRows{{
    {.format = F::Avif,
     .extensions = {{{"avif", kReadOnly, 0, 15, "AVIF - AV1 picture", true}}},
     .reader = {.signature = AvifSignature, .own = ReadAvif, .ownPastGate = true, .library = {"AVIF"}}},
    {.format = F::Bmp,
     .extensions = {{{"bmp", 0, 1, 1, "BMP - Windows, OS/2 Bitmap"},
                     {"dib", 0, 2, 2, "DIB - Windows, OS/2 DIB"},
                     {"rle", 1, 10, 9, "RLE - Windows RLE"}}},
     .writers = {{{.format = W::Bmp, .saveText = "BMP picture", .streamed = StreamBmp, .library = "BMP3"},
                  {.format = W::BmpRle8,
                   .saveText = "BMP picture, run-length encoded",
                   .own = WriteBmpRle8,
                   .reduceColours = true}}},
     .reader = {.signature = BmpSignature,
                .own = ReadTrueColourBmp,
                .ownTakes = IsTrueColourBmp,
                .library = {"BMP", "BMP2", "BMP3"}}},
    {.format = F::Emf,
     .extensions = {{{"emf", kReadOnly, 0, 13, "EMF - Windows Enhanced Metafile"}}},
     .reader = {.signature = LooksLikeEmf, .own = ReadEmf},
     .inAllPictures = false},
    {.format = F::Gif,
     .extensions = {{{"gif", 0, 3, 3, "GIF - CompuServe Graphics Interchange"}}},
     .writers = {{{.format = W::Gif, .saveText = "GIF picture", .library = "GIF"}}},
     .reader = {.signature = GifSignature, .library = {"GIF", "GIF87"}}},
    {.format = F::Heif,
     .extensions = {{{"heic", kReadOnly, 0, 16, "HEIC - HEIF picture", true},
                     {"heif", kReadOnly, 0, 17, "HEIF - HEIF picture", true}}},
     .reader = {.signature = HeifSignature, .own = ReadHeif, .ownPastGate = true, .library = {"HEIC", "HEIF"}}},
    {.format = F::Iff,
     .extensions = {{{"iff", 0, 4, 4, "IFF - Amiga"}, {"lbm", 0, 8, 7, "LBM - Deluxe Paint"}}},
     .writers = {{{.format = W::Ilbm, .saveText = "IFF picture", .own = WriteIlbm}}},
     .reader = {.signature = IffSignature, .own = ReadIlbm}},
    {.format = F::Jpeg,
     .extensions = {{{"jpg", 0, 6, 6, "JPG - JPEG - JFIF Compilant"},
                     {"jpeg", 0, 7},
                     {"jif", 0, 5, 5, "JIF - JPEG - JFIF Compilant"},
                     {"jfif"}}},
     .writers = {{{.format = W::Jpeg, .saveText = "JPEG picture", .streamed = EncodeJpeg24, .library = "JPEG"}}},
     .reader = {.signature = JpegSignature,
                .own = ReadJpeg,
                .ownReduced = ReadJpegReduced,
                .ownTakes = IsPlainJpeg,
                .ownPastGate = true,
                .library = {"JPEG", "JPG"},
                .colourTable = NoColourTable}},
    {.format = F::Jpeg2000,
     .extensions = {{{"jp2", 0, 14, 14, "JP2 - JPEG 2000"}, {"j2k"}}},
     .writers = {{{.format = W::Jpeg2000, .saveText = "JPEG 2000 picture", .own = WriteJpeg2000}}},
     .reader = {.signature = Jpeg2000Signature, .own = ReadJpeg2000}},
    {.format = F::JpegXl,
     .extensions = {{{"jxl", kReadOnly, 0, 18, "JXL - JPEG XL picture", true}}},
     .reader = {.signature = JpegXlSignature, .own = ReadJpegXl, .ownPastGate = true, .library = {"JXL"}}},
    {.format = F::Pcx,
     .extensions = {{{"pcx", 0, 9, 8, "PCX - ZSoft Paintbrush"}}},
     .writers = {{{.format = W::Pcx, .saveText = "PCX picture", .streamed = StreamPcx, .library = "PCX"}}},
     .reader = {.weakSignature = PcxSignature, .lookalike = F::Tga, .library = {"PCX"}}},
    {.format = F::Png,
     .extensions = {{{"png", 0, 15, 12, "PNG - Portable Graphics Network"}}},
     .writers = {{{.format = W::Png, .saveText = "PNG picture", .own = WritePng}}},
     .reader = {.signature = PngSignature,
                .library = {"PNG", "PNG8", "PNG24", "PNG32", "PNG48", "PNG64", "PNG00"},
                .colourTable = PngColourTable}},
    {.format = F::Tga,
     .extensions = {{{"tga", 0, 11, 10, "TGA - Truevision Targa"}, {"vda"}}},
     .writers = {{{.format = W::Tga, .saveText = "Targa picture", .streamed = StreamTga, .library = "TGA"}}},
     .reader = {.library = {"TGA", "ICB", "VDA", "VST"}}},
    {.format = F::Tiff,
     .extensions = {{{"tif", 0, 12, 11, "TIF - Tagged image file Format"}, {"tiff", 0, 13}}},
     .writers = {{{.format = W::Tiff,
                   .saveText = "TIFF picture",
                   .streamed = StreamTiff,
                   .library = "TIFF",
                   .widened = true,
                   .bilevel = StreamFaxTiff}}},
     .reader = {.signature = TiffSignature,
                .library = {"TIFF", "TIF", "BIGTIFF", "PTIF"},
                .colourTable = TiffColourTable}},
    {.format = F::WebP,
     .extensions = {{{"webp", 0, 16, 19, "WEBP - WebP picture", true}}},
     .writers = {{{.format = W::WebP, .saveText = "WebP picture", .library = "WEBP"}}},
     .reader = {.signature = WebPSignature, .own = ReadWebp, .ownPastGate = true, .library = {"WEBP"}}},
}};

// Checks of the table, made by the compiler.

constexpr bool LowerCase(std::string_view s) {
  return !s.empty() && std::none_of(s.begin(), s.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// Every extension is in lower case and belongs to one format only; unused
// slots come last; every format has one row.
constexpr bool NamesAreSound() {
  std::vector<std::string_view> names;
  for (size_t i = 0; i < kRows.size(); ++i) {
    for (size_t j = 0; j < i; ++j)
      if (kRows[i].format == kRows[j].format) return false;
    if (kRows[i].format == F::Unknown || kRows[i].Extensions().empty()) return false;
    for (size_t k = kRows[i].Extensions().size(); k < kRows[i].extensions.size(); ++k)
      if (kRows[i].extensions[k].name != nullptr) return false;
    for (const FormatExtension& e : kRows[i].Extensions()) {
      if (!LowerCase(e.name) || std::find(names.begin(), names.end(), e.name) != names.end()) return false;
      names.push_back(e.name);
    }
  }
  return true;
}
static_assert(NamesAreSound(), "an extension is not in lower case or goes with two formats");

// The places in `place` are 1, 2, 3 and so on, held exactly by the
// extensions `holds` picks.
template <typename Holds>
constexpr bool PlacesAreSound(int FormatExtension::*place, Holds holds) {
  std::vector<int> places;
  for (const FormatRow& row : kRows)
    for (const FormatExtension& e : row.Extensions()) {
      if ((e.*place > 0) != holds(e)) return false;
      if (e.*place > 0) places.push_back(e.*place);
    }
  std::sort(places.begin(), places.end());
  for (size_t i = 0; i < places.size(); ++i)
    if (places[i] != static_cast<int>(i) + 1) return false;
  return true;
}
static_assert(PlacesAreSound(&FormatExtension::listPlace, [](const FormatExtension& e) { return e.writer >= 0; }),
              "the written extensions' list places are not 1, 2, 3...");
static_assert(PlacesAreSound(&FormatExtension::openPlace,
                             [](const FormatExtension& e) { return e.openText != nullptr; }),
              "the open dialog's places are not 1, 2, 3..., or one has no text");

// Every writer has a coder (the library's of the format's own family) and
// extensions, and one that widens pictures streams them; every extension names a writer of its row; the default
// extension is the save dialog's first.
constexpr bool WritersAreSound() {
  std::vector<PictureFileFormat> formats;
  bool first = true;
  for (const FormatRow& row : kRows) {
    for (const FormatExtension& e : row.Extensions())
      if (e.writer < kReadOnly || e.writer >= static_cast<int>(row.Writers().size())) return false;
    for (size_t w = 0; w < row.Writers().size(); ++w) {
      const FormatWriter& writer = row.Writers()[w];
      if (std::find(formats.begin(), formats.end(), writer.format) != formats.end()) return false;
      formats.push_back(writer.format);
      if ((writer.library == nullptr) == (writer.own == nullptr) || (writer.reduceColours && writer.own == nullptr) ||
          (writer.widened && writer.streamed == nullptr))
        return false;
      if (writer.library != nullptr &&
          std::none_of(row.reader.library.begin(), row.reader.library.end(),
                       [&](const char* n) { return n && std::string_view(n) == writer.library; }))
        return false;
      const auto e = std::find_if(row.Extensions().begin(), row.Extensions().end(),
                                  [&](const FormatExtension& x) { return x.writer == static_cast<int>(w); });
      if (e == row.Extensions().end()) return false;
      if (first && e->name != kDefaultExtension) return false;
      first = false;
    }
  }
  return true;
}
static_assert(WritersAreSound(), "a writer lacks a coder or extensions, or the default extension is not the first");

}  // namespace

std::span<const FormatRow> PictureFormats() { return kRows; }

const FormatRow* FindFormat(PictureFormat format) {
  for (const FormatRow& row : kRows)
    if (row.format == format) return &row;
  return nullptr;
}

const FormatWriter* FindWriter(PictureFileFormat format) {
  for (const FormatRow& row : kRows)
    for (const FormatWriter& writer : row.Writers())
      if (writer.format == format) return &writer;
  return nullptr;
}

const FormatExtension* FindExtension(std::string_view name, const FormatRow** row) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const FormatRow& r : kRows)
    for (const FormatExtension& e : r.Extensions())
      if (lower == e.name) {
        if (row != nullptr) *row = &r;
        return &e;
      }
  return nullptr;
}

std::vector<std::pair<const FormatRow*, const FormatExtension*>> ExtensionsInOrder(int FormatExtension::*place) {
  std::vector<std::pair<const FormatRow*, const FormatExtension*>> listed;
  for (const FormatRow& row : kRows)
    for (const FormatExtension& e : row.Extensions())
      if (e.*place > 0) listed.emplace_back(&row, &e);
  std::sort(listed.begin(), listed.end(),
            [&](const auto& a, const auto& b) { return a.second->*place < b.second->*place; });
  return listed;
}

std::string ExtensionOf(std::string_view fname) {
  const size_t slash = fname.find_last_of('/');
  const size_t dot = fname.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(fname.substr(dot));
}

}  // namespace trellimap
