#include "image/picturedecoder.h"

#include <magick/api.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "foundation/filebytes.h"
#include "foundation/messagebox.h"
#include "image/pictureformat.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// A damaged header must not make the decoder allocate without bound.
constexpr size_t kMaxFileBytes = size_t{1} << 30;
constexpr int64_t kMaxSide = 65535;
constexpr int64_t kMaxPixels = int64_t{1} << 28;
constexpr int64_t kMaxDecoderMemory = int64_t{3} << 30;

}  // namespace

void InitializePictureLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    ExceptionInfo exception;
    GetExceptionInfo(&exception);
    // The program keeps its own signal handling (and sanitizers theirs).
    InitializeMagickEx(nullptr, MAGICK_OPT_NO_SIGNAL_HANDER, &exception);
    DestroyExceptionInfo(&exception);
    SetMagickResourceLimit(WidthResource, kMaxSide);
    SetMagickResourceLimit(HeightResource, kMaxSide);
    SetMagickResourceLimit(PixelsResource, kMaxPixels);
    SetMagickResourceLimit(MemoryResource, kMaxDecoderMemory);
    SetMagickResourceLimit(MapResource, kMaxDecoderMemory);
    SetMagickResourceLimit(DiskResource, 0);
  });
}

namespace {

const char* CoderName(PictureFormat f) {
  switch (f) {
    case PictureFormat::Bmp:
      return "BMP";
    case PictureFormat::Gif:
      return "GIF";
    case PictureFormat::Jpeg:
      return "JPEG";
    case PictureFormat::Pcx:
      return "PCX";
    case PictureFormat::Png:
      return "PNG";
    case PictureFormat::Tga:
      return "TGA";
    case PictureFormat::Tiff:
      return "TIFF";
    case PictureFormat::Unknown:
      break;
  }
  return nullptr;
}

std::string DescribeException(const ExceptionInfo& e) {
  std::string text = e.reason ? e.reason : "the picture data is damaged";
  if (e.description && *e.description) text += std::string(" (") + e.description + ")";
  return text;
}

// Owners of the decoder's structures, released on every path.
struct ImageInfoOwner {
  ImageInfo* info = CloneImageInfo(nullptr);
  ~ImageInfoOwner() { DestroyImageInfo(info); }
};
struct ImageOwner {
  Image* image = nullptr;
  ~ImageOwner() {
    if (image) DestroyImageList(image);
  }
};
struct ExceptionOwner {
  ExceptionInfo e;
  ExceptionOwner() { GetExceptionInfo(&e); }
  ~ExceptionOwner() { DestroyExceptionInfo(&e); }
};

// Paletted delivery keeps the file's colour indexes; it needs a colour map of
// at most 256 entries, 8-bit samples and no transparency.
bool DeliverPaletted(const Image& img) {
  return img.storage_class == PseudoClass && img.colormap != nullptr && img.colors >= 1 && img.colors <= 256 &&
         !img.matte && img.depth <= 8 && img.colorspace == RGBColorspace;
}

// A sample of the library's quantum depth as the nearest 8-bit value.
uint8_t ToByte(double quantum) { return static_cast<uint8_t>(quantum * 255.0 / MaxRGB + 0.5); }

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

// Each channel scaled to 8 bits; transparency blended onto white.
bool CopyTrueColour(Image* img, dib* out, ExceptionInfo* exception) {
  const auto w = static_cast<int32_t>(img->columns), h = static_cast<int32_t>(img->rows);
  newdib(out, w, h, 24, nullptr, 0);
  if (out->poi == nullptr) return false;
  for (int32_t y = 0; y < h; ++y) {
    const PixelPacket* p = AcquireImagePixels(img, 0, y, img->columns, 1, exception);
    if (p == nullptr) return false;
    uint8_t* row = out->poi + static_cast<int64_t>(h - 1 - y) * out->bytew;
    for (int32_t x = 0; x < w; ++x, ++p, row += 3) {
      double r = p->red, g = p->green, b = p->blue;
      if (img->matte) {
        const double alpha = static_cast<double>(MaxRGB - p->opacity) / MaxRGB;
        r = r * alpha + MaxRGB * (1 - alpha);
        g = g * alpha + MaxRGB * (1 - alpha);
        b = b * alpha + MaxRGB * (1 - alpha);
      }
      row[0] = ToByte(b);
      row[1] = ToByte(g);
      row[2] = ToByte(r);
    }
  }
  return true;
}

}  // namespace

bool DecodePicture(const std::string& path, dib* out, std::string* reason) {
  std::memset(out, 0, sizeof(dib));
  std::string why;
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, kMaxFileBytes, &bytes, &why)) {
    if (reason) *reason = why;
    return false;
  }
  const char* coder = CoderName(DetectPictureFormat(bytes.data(), bytes.size(), path));
  if (bytes.empty() || coder == nullptr) {
    if (reason) *reason = bytes.empty() ? "the file is empty" : "the file format is not recognised";
    return false;
  }

  InitializePictureLibrary();
  ImageInfoOwner info;
  std::strncpy(info.info->magick, coder, MaxTextExtent - 1);
  info.info->subimage = 0;  // first frame or page only
  info.info->subrange = 1;
  ExceptionOwner exception;
  ImageOwner image;
  image.image = BlobToImage(info.info, bytes.data(), bytes.size(), &exception.e);
  bool ok = image.image != nullptr && exception.e.severity < ErrorException;
  if (ok && image.image->colorspace != RGBColorspace && !IsGrayColorspace(image.image->colorspace))
    ok = TransformColorspace(image.image, RGBColorspace) != MagickFail;
  if (ok &&
      (image.image->columns == 0 || image.image->rows == 0 || static_cast<int64_t>(image.image->columns) > kMaxSide ||
       static_cast<int64_t>(image.image->rows) > kMaxSide))
    ok = false;
  if (ok) {
    ok = DeliverPaletted(*image.image) ? CopyPaletted(image.image, out, &exception.e)
                                       : CopyTrueColour(image.image, out, &exception.e);
    if (!ok && out->poi == nullptr && exception.e.severity < ErrorException) why = "not enough memory for the picture";
  }
  if (!ok) {
    if (out->poi) ReleaseDib(out);
    std::memset(out, 0, sizeof(dib));
    if (why.empty())
      why = exception.e.severity >= WarningException ? DescribeException(exception.e) : "the picture data is damaged";
    if (reason) *reason = why;
  }
  return ok;
}

void DecodePictureFile(const char* path, dib* out) {
  std::string reason;
  if (!DecodePicture(path ? path : "", out, &reason))
    ShowMessage("Could not read the picture \"" + std::string(path ? path : "") + "\": " + reason + ".", {},
                MsgIcon::Error, MsgButtons::Ok);
}

}  // namespace trellimap
