#pragma once
// The picture formats the program knows, each described once: the names its
// files go by, how they are recognised, read and written, and how the open
// and save dialogs offer them. Detection, the choice of writer by extension,
// both dialog filters and the coders the decoder and the writer use all
// follow from this table: a new format is a new row and its coders.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "codecs/plainencoders.h"
#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// A format as it is read: what DetectPictureFormat finds.
enum class PictureFormat { Unknown, Avif, Bmp, Emf, Gif, Heif, Iff, Jpeg, Jpeg2000, JpegXl, Pcx, Png, Tga, Tiff, WebP };

// A way of writing a file, as its extension selects it.
enum class PictureFileFormat { Bmp, BmpRle8, Gif, Ilbm, Jpeg, Jpeg2000, Pcx, Png, Tga, Tiff, WebP };

// A reader of our own: reads a whole file's `bytes` into `picture`, telling
// `progress` (when there is one) the share done, 0 to 1, as far as it can;
// a stop from it ends the reading (Stopped). On anything but Done `picture`
// holds no picture.
using PictureReader = Outcome (*)(std::span<const uint8_t> bytes, dib& picture, Progress* progress);
// The same, reduced while the longer side stays at least `leastSide`;
// `*factor` is set to what the sides were divided by.
using ReducedReader = Outcome (*)(std::span<const uint8_t> bytes, dib& picture, Progress* progress, int32_t leastSide,
                                  int32_t* factor);

// How a format's files are recognised and read.
struct FormatReader {
  // True when the first bytes (any number) are of this format beyond doubt;
  // no two formats' signatures match the same bytes.
  bool (*signature)(const uint8_t* head, size_t length) = nullptr;
  // A signature other files can show too: it is weighed after the name, and
  // a name of `lookalike` wins over it.
  bool (*weakSignature)(const uint8_t* head, size_t length) = nullptr;
  PictureFormat lookalike = PictureFormat::Unknown;
  // Our own reader, tried before the picture library; null: none.
  PictureReader own = nullptr;
  // `own` decoding straight to a reduced size; null: it cannot.
  ReducedReader ownReduced = nullptr;
  // The files `own` reads; null: all. The picture library reads the others.
  bool (*ownTakes)(std::span<const uint8_t> bytes) = nullptr;
  // `own` sees only the bytes the library's coder gate lets through.
  bool ownPastGate = false;
  // The library's coder (first) and the other names its module registers for
  // the format; none when the library does not read it here.
  std::array<const char*, 7> library{};
  // Whether a paletted decoding by the library came from a colour table in the
  // file (`grey`: the library took the picture for grey); null: it always did.
  bool (*colourTable)(const uint8_t* bytes, size_t size, bool grey) = nullptr;
};

// Our own writer of a whole file: Stopped when `progress` stops it; a
// failure has no FileProblem and says why in its detail.
using OwnEncoder = Outcome (*)(const dib& picture, std::vector<uint8_t>* out, Progress* progress);
// Our own writer that hands the file on as it is encoded, for a picture that
// PlainlyEncodable takes; a failure has no FileProblem and says why in its detail.
using StreamEncoder = Outcome (*)(const dib& picture, const ByteSink& sink);

// One way of writing a format's files, with its entry in the save dialog.
struct FormatWriter {
  PictureFileFormat format{};
  // The save dialog's description; the patterns of its extensions follow in parentheses.
  const char* saveText = nullptr;
  StreamEncoder streamed = nullptr;  // for the pictures PlainlyEncodable takes
  const char* library = nullptr;     // otherwise the picture library's coder of this name writes the file,
  OwnEncoder own = nullptr;          // or else our own writer
  bool reduceColours = false;        // `own` gets the picture reduced to at most 256 colours
  bool widened = false;              // a picture of another depth goes to `streamed` at 24 bits
  StreamEncoder bilevel = nullptr;   // but a black-and-white 1-bit one here, as it is
};

inline constexpr int kReadOnly = -1;

// One name a format's files go by.
struct FormatExtension {
  const char* name = nullptr;  // lower case, without its dot
  int writer = kReadOnly;      // index of the row's writer that a file of this name is written with
  // Place among the extensions a name that selects no writer is told to use,
  // from 1; written extensions only.
  int listPlace = 0;
  // Place of its own entry in the open dialog, from 1 (0: none), and that entry's description.
  int openPlace = 0;
  const char* openText = nullptr;
  bool openTranslated = false;  // `openText` passes through the translation table
};

struct FormatRow {
  PictureFormat format = PictureFormat::Unknown;
  // Written ones in the save dialog's order; unused slots at the end.
  std::array<FormatExtension, 4> extensions{};
  std::array<FormatWriter, 2> writers{};  // unused slots at the end
  FormatReader reader{};
  bool inAllPictures = true;  // among the patterns of the open dialog's first entry

  constexpr std::span<const FormatExtension> Extensions() const {
    size_t n = 0;
    while (n < extensions.size() && extensions[n].name != nullptr) ++n;
    return {extensions.data(), n};
  }
  constexpr std::span<const FormatWriter> Writers() const {
    size_t n = 0;
    while (n < writers.size() && writers[n].saveText != nullptr) ++n;
    return {writers.data(), n};
  }
};

// Every format, the written ones in the order of the save dialog.
std::span<const FormatRow> PictureFormats();

// The row of `format`; null for Unknown.
const FormatRow* FindFormat(PictureFormat format);

// The writer of `format`; null when it has none.
const FormatWriter* FindWriter(PictureFileFormat format);

// The extension `name` (without its dot, any case) and, when `row` is given,
// its row; null when no format goes by that name.
const FormatExtension* FindExtension(std::string_view name, const FormatRow** row = nullptr);

// The extensions with a place in `place` (&FormatExtension::listPlace or
// ::openPlace), in that order, each with its row.
std::vector<std::pair<const FormatRow*, const FormatExtension*>> ExtensionsInOrder(int FormatExtension::*place);

// The extension a name without one is written with: the save dialog's first.
inline constexpr std::string_view kDefaultExtension = "bmp";
// A flat page is a scan: kept losslessly and small.
inline constexpr std::string_view kFlatPageExtension = "png";

// The extension of the file name part of `fname` with its dot, or "".
std::string ExtensionOf(std::string_view fname);

}  // namespace trellimap
