#include "codecs/picturedecoder.h"

#include <magick/api.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <span>
#include <vector>

#include "codecs/codergate.h"
#include "codecs/decodeinto.h"
#include "codecs/embeddedmetadata.h"
#include "codecs/formatregistry.h"
#include "codecs/librarymonitor.h"
#include "codecs/magickowners.h"
#include "codecs/pictureformat.h"
#include "foundation/filebytes.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// A damaged header must not make the decoder allocate without bound.
constexpr size_t kMaxFileBytes = size_t{1} << 30;

// The progress of one reading, as its readers tell it: the share done so far
// never goes back, whatever order the parts of the reading report in.
class ReadingProgress final : public Progress {
 public:
  explicit ReadingProgress(Progress* whole) : whole_(whole) {}
  bool Report(double fraction) override {
    done_ = std::max(done_, fraction);
    return Continue(whole_, done_);
  }

 private:
  Progress* whole_;
  double done_ = 0;
};

// Of a library reading's progress, the library's decoding takes this share,
// the copy into the picture the rest.
constexpr double kDecodingShare = 0.6;

// The copy's share, after every so many rows of `h`; false when to stop.
bool CopyGoesOn(int32_t y, int32_t h, Progress* progress) {
  constexpr int32_t kRowsBetween = 64;
  return y % kRowsBetween != 0 || Continue(progress, kDecodingShare + (1 - kDecodingShare) * y / h);
}

}  // namespace

void InitializePictureLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    ExceptionInfo exception;
    GetExceptionInfo(&exception);
    // The program keeps its own signal handling (and sanitizers theirs).
    InitializeMagickEx(nullptr, MAGICK_OPT_NO_SIGNAL_HANDER, &exception);
    DestroyExceptionInfo(&exception);
    SetMagickResourceLimit(WidthResource, kMaxPictureSide);
    SetMagickResourceLimit(HeightResource, kMaxPictureSide);
    SetMagickResourceLimit(PixelsResource, kMaxPicturePixels);
    SetMagickResourceLimit(MemoryResource, kMaxDecoderMemory);
    SetMagickResourceLimit(MapResource, kMaxDecoderMemory);
    SetMagickResourceLimit(DiskResource, 0);
    SetMonitorHandler(TellLibraryProgress);
    ConfineCoders();
  });
}

namespace {

constexpr const char* kDamaged = "the picture data is damaged";

// Whether the file had a colour table of its own, as the format tells.
bool FileHasColourTable(const FormatReader& reader, std::span<const uint8_t> bytes, const Image& img) {
  return reader.colourTable == nullptr || reader.colourTable(bytes.data(), bytes.size(), img.is_grayscale != 0);
}

// Paletted delivery keeps the file's colour indexes; it needs a colour map of
// at most 256 entries, 8-bit samples and no transparency.
bool DeliverPaletted(const Image& img) {
  return img.storage_class == PseudoClass && img.colormap != nullptr && img.colors >= 1 && img.colors <= 256 &&
         !img.matte && img.depth <= 8 && img.colorspace == RGBColorspace;
}

// A sample of the library's quantum depth as the nearest 8-bit value.
uint8_t ToByte(double quantum) { return static_cast<uint8_t>(quantum * 255.0 / MaxRGB + 0.5); }
// The same for a whole quantum, in whole numbers: no quantum lies halfway.
uint8_t QuantumToByte(Quantum quantum) { return static_cast<uint8_t>((uint32_t{quantum} * 255 + MaxRGB / 2) / MaxRGB); }

int PaletteDepth(unsigned colors) { return colors <= 2 ? 1 : colors <= 16 ? 4 : 8; }

// The copy's failures: stopped, no memory for the picture, or the library's.
Outcome CopyPaletted(Image* img, dib* out, ExceptionInfo* exception, Progress* progress) {
  const auto w = static_cast<int32_t>(img->columns), h = static_cast<int32_t>(img->rows);
  BitmapInfo colours;
  std::memset(&colours, 0, sizeof colours);
  for (unsigned i = 0; i < img->colors; ++i) {
    colours.bmiColors[i].rgbRed = ToByte(img->colormap[i].red);
    colours.bmiColors[i].rgbGreen = ToByte(img->colormap[i].green);
    colours.bmiColors[i].rgbBlue = ToByte(img->colormap[i].blue);
  }
  const int bits = PaletteDepth(img->colors);
  newdib(out, w, h, bits, &colours, static_cast<int32_t>(img->colors));
  if (out->poi == nullptr) return FailedNoMemory();
  for (int32_t y = 0; y < h; ++y) {
    if (!CopyGoesOn(y, h, progress)) return Outcome::Stopped();
    const IndexPacket* indexes =
        AcquireImagePixels(img, 0, y, img->columns, 1, exception) ? AccessImmutableIndexes(img) : nullptr;
    if (indexes == nullptr) return FailedDamaged(DescribeException(*exception, kDamaged));
    for (int32_t x = 0; x < w; ++x) {
      const unsigned index = indexes[x] < img->colors ? indexes[x] : 0;
      setpixel(*out, x, y, index);
    }
  }
  return Outcome::Done();
}

// True when some pixel is not wholly transparent. A picture transparent
// everywhere had its alpha channel left unused by its writer: it is opaque.
bool AlphaInUse(Image* img, ExceptionInfo* exception) {
  for (unsigned long y = 0; img->matte && y < img->rows; ++y) {
    const PixelPacket* p = AcquireImagePixels(img, 0, static_cast<long>(y), img->columns, 1, exception);
    if (p == nullptr) return true;  // the copy meets the same failure and reports it
    for (unsigned long x = 0; x < img->columns; ++x)
      if (p[x].opacity != MaxRGB) return true;
  }
  return false;
}

// Each channel scaled to 8 bits; transparency in use blended onto white.
Outcome CopyTrueColour(Image* img, dib* out, ExceptionInfo* exception, Progress* progress) {
  const auto w = static_cast<int32_t>(img->columns), h = static_cast<int32_t>(img->rows);
  const bool blend = AlphaInUse(img, exception);
  newdib(out, w, h, 24, nullptr, 0);
  if (out->poi == nullptr) return FailedNoMemory();
  for (int32_t y = 0; y < h; ++y) {
    if (!CopyGoesOn(y, h, progress)) return Outcome::Stopped();
    const PixelPacket* p = AcquireImagePixels(img, 0, y, img->columns, 1, exception);
    if (p == nullptr) return FailedDamaged(DescribeException(*exception, kDamaged));
    uint8_t* row = out->poi + static_cast<int64_t>(h - 1 - y) * out->bytew;
    if (!blend) {
      for (int32_t x = 0; x < w; ++x, ++p, row += 3) {
        row[0] = QuantumToByte(p->blue);
        row[1] = QuantumToByte(p->green);
        row[2] = QuantumToByte(p->red);
      }
      continue;
    }
    for (int32_t x = 0; x < w; ++x, ++p, row += 3) {
      const double alpha = static_cast<double>(MaxRGB - p->opacity) / MaxRGB;
      row[0] = ToByte(p->blue * alpha + MaxRGB * (1 - alpha));
      row[1] = ToByte(p->green * alpha + MaxRGB * (1 - alpha));
      row[2] = ToByte(p->red * alpha + MaxRGB * (1 - alpha));
    }
  }
  return Outcome::Done();
}

// Reads `bytes` with the picture library's `coder` into `out`, as stored.
Outcome ReadWithLibrary(const FormatReader& reader, const char* coder, std::span<const uint8_t> bytes, dib* out,
                        Progress* progress) {
  ImageInfoOwner info;
  std::strncpy(info.info->magick, coder, MaxTextExtent - 1);
  info.info->subimage = 0;  // first frame or page only
  info.info->subrange = 1;
  ExceptionOwner exception;
  ImageOwner image;
  {
    // GIF's coder tells its rows on its image's own exception record, not on
    // this one: a GIF's decoding reports only as it starts and ends.
    MonitoredReading monitored(&exception.e, progress, kDecodingShare);
    image.image = BlobToImage(info.info, bytes.data(), bytes.size(), &exception.e);
    if (monitored.Stopped()) return Outcome::Stopped();
  }
  // A picture the decoder calls corrupt (a file cut short, say) is refused
  // rather than shown in part.
  if (image.image == nullptr || exception.e.severity >= ErrorException || exception.e.severity == CorruptImageWarning)
    return FailedDamaged(DescribeException(exception.e, kDamaged));
  Image* img = image.image;
  if (img->colorspace != RGBColorspace && !IsGrayColorspace(img->colorspace) &&
      TransformColorspace(img, RGBColorspace) == MagickFail)
    return FailedDamaged(DescribeException(img->exception, kDamaged));
  if (img->columns == 0 || img->rows == 0 || static_cast<int64_t>(img->columns) > kMaxPictureSide ||
      static_cast<int64_t>(img->rows) > kMaxPictureSide)
    return FailedTooLarge("the picture's size is out of range");
  const bool paletted = DeliverPaletted(*img) && FileHasColourTable(reader, bytes, *img);
  return paletted ? CopyPaletted(img, out, &exception.e, progress) : CopyTrueColour(img, out, &exception.e, progress);
}

// Reads `bytes`, taken for a file of the format `reader` reads, into `out` as stored.
Outcome ReadAs(const FormatReader& reader, std::span<const uint8_t> bytes, dib* out, Progress* progress,
               Reduction* reduction) {
  // Formats the graphics library lacks, and some kinds of file it reads
  // slowly, have readers of their own.
  const auto ownTakes = [&] { return reader.own != nullptr && (reader.ownTakes == nullptr || reader.ownTakes(bytes)); };
  const auto own = [&] {
    if (reduction != nullptr && reduction->leastSide > 0 && reader.ownReduced != nullptr)
      return reader.ownReduced(bytes, *out, progress, reduction->leastSide, &reduction->factor);
    return reader.own(bytes, *out, progress);
  };
  if (!reader.ownPastGate && ownTakes()) return own();
  const char* coder = reader.library[0];
  if (coder == nullptr) return Outcome::Failed(FileProblem::NotThisFormat, "the file format is not recognised");
  InitializePictureLibrary();
  // The library would otherwise pick its own coder for what it recognises.
  if (std::string found; !CoderMaySee(coder, bytes.data(), bytes.size(), &found))
    return Outcome::Failed(FileProblem::NotThisFormat, "its content is " + found + ", not " + coder);
  if (reader.ownPastGate && ownTakes()) return own();
  return ReadWithLibrary(reader, coder, bytes, out, progress);
}

}  // namespace

Outcome ReadPicture(const std::string& path, dib& picture, Progress* progress) {
  return ReadPicture(path, picture, progress, nullptr);
}

Outcome ReadPicture(const std::string& path, dib& picture, Progress* progress, Reduction* reduction) {
  if (reduction != nullptr) reduction->factor = 1;
  return DecodeInto(picture, [&](dib& out) {
    std::vector<uint8_t> bytes;
    std::string why;
    FileProblem problem = FileProblem::None;
    if (!ReadFileBytes(path, kMaxFileBytes, &bytes, &why, &problem)) return Outcome::Failed(problem, why);
    if (bytes.empty()) return Outcome::Failed(FileProblem::Empty, "the file is empty");
    const FormatRow* row = FindFormat(DetectPictureFormat(bytes.data(), bytes.size(), path));
    if (row == nullptr) return Outcome::Failed(FileProblem::NotThisFormat, "the file format is not recognised");
    const FormatReader& reader = row->reader;
    ReadingProgress reading(progress);
    Outcome read = DecodeInto(out, [&](dib& stored) {
      const Outcome decoded = ReadAs(reader, bytes, &stored, &reading, reduction);
      if (decoded.done() && !ShowAsRecorded(bytes, stored)) return FailedNoMemory();
      return decoded;
    });
    // A file that lacks the signature its format's files begin with was taken
    // for that format by its name alone: if it cannot be read, it is no such
    // picture rather than a damaged one.
    if (read.failed() && reader.signature != nullptr && !reader.signature(bytes.data(), bytes.size()))
      read.problem = FileProblem::NotThisFormat;
    return read;
  });
}

}  // namespace trellimap
