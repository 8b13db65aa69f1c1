#include "codecs/picturedecoder.h"

#include <magick/api.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "codecs/codergate.h"
#include "codecs/decodeinto.h"
#include "codecs/embeddedmetadata.h"
#include "codecs/formatregistry.h"
#include "codecs/magickowners.h"
#include "codecs/pictureformat.h"
#include "foundation/filebytes.h"
#include "foundation/messagebox.h"
#include "i18n/plainreasons.h"
#include "i18n/translateunit.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// A damaged header must not make the decoder allocate without bound.
constexpr size_t kMaxFileBytes = size_t{1} << 30;

}  // namespace

namespace {

// The progress of the decoding on this thread, which the library's monitor
// tells how far it got; a decoding it is told to stop ends there.
thread_local Progress* decodeProgress = nullptr;
thread_local bool decodeStopped = false;
thread_local double decodeDone = 0;  // reported so far: the bar never goes back

// Of a reading's progress, the library's decoding takes this share, the copy
// into the picture the rest.
constexpr double kDecodingShare = 0.6;

// Tells the progress, if any, that `fraction` is done; false (and noted) when
// the reading is to stop.
bool ReadingGoesOn(double fraction) {
  decodeDone = std::max(decodeDone, fraction);
  if (decodeProgress == nullptr || decodeProgress->Report(decodeDone)) return true;
  decodeStopped = true;
  return false;
}

MagickPassFail TellDecodeProgress(const char* /*text*/, const magick_int64_t quantum, const magick_uint64_t span,
                                  ExceptionInfo* /*exception*/) {
  if (span == 0) return MagickPass;
  return ReadingGoesOn(kDecodingShare * static_cast<double>(quantum) / static_cast<double>(span)) ? MagickPass
                                                                                                  : MagickFail;
}

// The copy's share, after every so many rows of `h`; false when to stop.
bool CopyGoesOn(int32_t y, int32_t h) {
  constexpr int32_t kRowsBetween = 64;
  return y % kRowsBetween != 0 || ReadingGoesOn(kDecodingShare + (1 - kDecodingShare) * y / h);
}

// Gives the decoding on this thread a progress for as long as it lives.
class DecodeMonitor {
 public:
  explicit DecodeMonitor(Progress* progress) {
    decodeProgress = progress;
    decodeStopped = false;
    decodeDone = 0;
  }
  ~DecodeMonitor() { decodeProgress = nullptr; }
  DecodeMonitor(const DecodeMonitor&) = delete;
  DecodeMonitor& operator=(const DecodeMonitor&) = delete;
};

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
    SetMonitorHandler(TellDecodeProgress);
    ConfineCoders();
  });
}

namespace {

constexpr const char* kDamaged = "the picture data is damaged";

// Whether the file had a colour table of its own, as the format tells.
bool FileHasColourTable(const FormatReader& reader, const std::vector<uint8_t>& bytes, const Image& img) {
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

bool CopyPaletted(Image* img, dib* out, ExceptionInfo* exception) {
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
  if (out->poi == nullptr) return false;
  for (int32_t y = 0; y < h; ++y) {
    if (!CopyGoesOn(y, h)) return false;
    if (AcquireImagePixels(img, 0, y, img->columns, 1, exception) == nullptr) return false;
    const IndexPacket* indexes = AccessImmutableIndexes(img);
    if (indexes == nullptr) return false;
    for (int32_t x = 0; x < w; ++x) {
      const unsigned index = indexes[x] < img->colors ? indexes[x] : 0;
      setpixel(*out, x, y, index);
    }
  }
  return true;
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
// False when the copy fails or is stopped.
bool CopyTrueColour(Image* img, dib* out, ExceptionInfo* exception) {
  const auto w = static_cast<int32_t>(img->columns), h = static_cast<int32_t>(img->rows);
  const bool blend = AlphaInUse(img, exception);
  newdib(out, w, h, 24, nullptr, 0);
  if (out->poi == nullptr) return false;
  for (int32_t y = 0; y < h; ++y) {
    if (!CopyGoesOn(y, h)) return false;
    const PixelPacket* p = AcquireImagePixels(img, 0, y, img->columns, 1, exception);
    if (p == nullptr) return false;
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
  return true;
}

// Decodes `path` into `out` as stored, its bytes into `bytes`; a failure says why in `*why` and, where it is
// more than damage to the picture data, which kind of problem in `*problem`.
bool Decode(const std::string& path, std::vector<uint8_t>& bytes, dib* out, std::string* why, FileProblem* problem,
            Progress* progress) {
  if (!ReadFileBytes(path, kMaxFileBytes, &bytes, why, problem)) return false;
  if (bytes.empty()) {
    *why = "the file is empty";
    *problem = FileProblem::Empty;
    return false;
  }
  const FormatRow* row = FindFormat(DetectPictureFormat(bytes.data(), bytes.size(), path));
  if (row == nullptr) {
    *why = "the file format is not recognised";
    *problem = FileProblem::NotThisFormat;
    return false;
  }
  const FormatReader& reader = row->reader;
  // A file that lacks the signature its format's files begin with was taken
  // for that format by its name alone: if it cannot be read, it is no such
  // picture rather than a damaged one.
  if (reader.signature != nullptr && !reader.signature(bytes.data(), bytes.size()))
    *problem = FileProblem::NotThisFormat;
  const DecodeMonitor monitor(progress);
  // Whether the reader of our own read the file; nothing when it left it to the library.
  const auto readOwn = [&]() -> std::optional<bool> {
    switch (reader.own(bytes.data(), bytes.size(), out, why, ReadingGoesOn)) {
      case OwnReading::kRead:
        return true;
      case OwnReading::kFailed:
        if (decodeStopped) *why = kStopped;
        return false;
      case OwnReading::kLeft:
        break;
    }
    return std::nullopt;
  };
  // Formats the graphics library lacks, and some kinds of file it reads
  // slowly, have readers of their own.
  if (const auto read = reader.own && !reader.ownPastGate ? readOwn() : std::nullopt) return *read;
  const char* coder = reader.library[0];
  if (coder == nullptr) {
    *why = "the file format is not recognised";
    *problem = FileProblem::NotThisFormat;
    return false;
  }

  InitializePictureLibrary();
  // The library would otherwise pick its own coder for what it recognises.
  if (std::string found; !CoderMaySee(coder, bytes.data(), bytes.size(), &found)) {
    *why = "its content is " + found + ", not " + coder;
    *problem = FileProblem::NotThisFormat;
    return false;
  }
  if (const auto read = reader.own && reader.ownPastGate ? readOwn() : std::nullopt) return *read;
  ImageInfoOwner info;
  std::strncpy(info.info->magick, coder, MaxTextExtent - 1);
  info.info->subimage = 0;  // first frame or page only
  info.info->subrange = 1;
  ExceptionOwner exception;
  ImageOwner image;
  image.image = BlobToImage(info.info, bytes.data(), bytes.size(), &exception.e);
  if (decodeStopped) {
    *why = kStopped;
    return false;
  }
  // A picture the decoder calls corrupt (a file cut short, say) is refused
  // rather than shown in part.
  if (image.image == nullptr || exception.e.severity >= ErrorException || exception.e.severity == CorruptImageWarning) {
    *why = DescribeException(exception.e, kDamaged);
    return false;
  }
  Image* img = image.image;
  if (img->colorspace != RGBColorspace && !IsGrayColorspace(img->colorspace) &&
      TransformColorspace(img, RGBColorspace) == MagickFail) {
    *why = DescribeException(img->exception, kDamaged);
    return false;
  }
  if (img->columns == 0 || img->rows == 0 || static_cast<int64_t>(img->columns) > kMaxPictureSide ||
      static_cast<int64_t>(img->rows) > kMaxPictureSide) {
    *why = "the picture's size is out of range";
    *problem = FileProblem::TooLarge;
    return false;
  }
  const bool paletted = DeliverPaletted(*img) && FileHasColourTable(reader, bytes, *img);
  if (!(paletted ? CopyPaletted(img, out, &exception.e) : CopyTrueColour(img, out, &exception.e))) {
    *why = decodeStopped ? kStopped
           : out->poi    ? DescribeException(exception.e, kDamaged)
                         : "not enough memory for the picture";
    return false;
  }
  return true;
}

}  // namespace

bool DecodePicture(const std::string& path, dib* out, std::string* reason, Progress* progress, FileProblem* problem) {
  FileProblem kind = FileProblem::None;
  std::string why;
  const bool read = DecodeInto(out, &why, kDamaged, [&](dib* picture, std::string* failure) {
    std::vector<uint8_t> bytes;
    if (!Decode(path, bytes, picture, failure, &kind, progress)) return false;
    if (ShowAsRecorded(bytes, *picture)) return true;
    *failure = "not enough memory for the picture";
    return false;
  });
  if (reason) *reason = why;
  // Whatever else failed is in the picture data, its size, or the memory for it.
  if (!read && kind == FileProblem::None && why != kStopped)
    kind = why.starts_with("not enough memory")    ? FileProblem::NoMemory
           : why.starts_with("the picture's size") ? FileProblem::TooLarge
                                                   : FileProblem::Damaged;
  if (problem) *problem = kind;
  return read;
}

bool DecodePictureFile(const char* path, dib* out, Progress* progress) {
  FileProblem problem = FileProblem::None;
  if (DecodePicture(path ? path : "", out, nullptr, progress, &problem)) return true;
  if (problem != FileProblem::None)
    ShowMessage(TranslateFormat("Could not read the picture \"%1\": %2.",
                                {std::string(path ? path : ""), PlainReason(problem)}),
                {}, MsgIcon::Error, MsgButtons::Ok);
  return false;
}

}  // namespace trellimap
