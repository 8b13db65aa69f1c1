#include "codecs/picturewriter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "codecs/bmprle8.h"
#include "codecs/ilbm.h"
#include "codecs/jpeg2000.h"
#include "codecs/jpegencoder.h"
#include "codecs/magickowners.h"
#include "codecs/pcxencoder.h"
#include "codecs/picturedecoder.h"
#include "codecs/plainencoders.h"
#include "codecs/pngencoder.h"
#include "foundation/binaryfile.h"
#include "foundation/ioerror.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// The picture as the library's image: 8-bit red, green, blue rows from the top.
Image* ToImage(const dib& picture, ExceptionInfo* exception) {
  const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
  uint8_t* p = rgb.data();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x, p += 3) {
      const uint32_t c = DibPixelColour(picture, x, y);
      p[0] = static_cast<uint8_t>(c);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c >> 16);
    }
  return ConstituteImage(static_cast<unsigned long>(w), static_cast<unsigned long>(h), "RGB", CharPixel, rgb.data(),
                         exception);
}

// The picture reduced to at most 256 colours, as an 8-bit picture with its
// colour table.
bool Quantised(const dib& picture, dib* out, std::string* reason) {
  InitializePictureLibrary();
  ExceptionOwner exception;
  ImageOwner image;
  image.image = ToImage(picture, &exception.e);
  QuantizeInfo settings;
  GetQuantizeInfo(&settings);
  settings.number_colors = 256;
  if (image.image == nullptr || QuantizeImage(&settings, image.image) == MagickFail ||
      image.image->storage_class != PseudoClass || image.image->colors > 256) {
    *reason = DescribeException(image.image ? image.image->exception : exception.e, "the colours could not be reduced");
    return false;
  }
  Image* img = image.image;
  BitmapInfo colours{};
  for (unsigned i = 0; i < img->colors; ++i)
    colours.bmiColors[i] = {ScaleQuantumToChar(img->colormap[i].blue), ScaleQuantumToChar(img->colormap[i].green),
                            ScaleQuantumToChar(img->colormap[i].red), 0};
  const auto w = static_cast<int32_t>(img->columns), h = static_cast<int32_t>(img->rows);
  newdib(out, w, h, 8, &colours, 256);
  if (out->poi == nullptr) {
    *reason = "not enough memory";
    return false;
  }
  for (int32_t y = 0; y < h; ++y) {
    const PixelPacket* row = AcquireImagePixels(img, 0, y, img->columns, 1, &exception.e);
    const IndexPacket* indexes = row ? AccessImmutableIndexes(img) : nullptr;
    if (indexes == nullptr) {
      ReleaseDib(out);
      *reason = "the colours could not be reduced";
      return false;
    }
    for (int32_t x = 0; x < w; ++x) setpixel(*out, x, y, indexes[x]);
  }
  return true;
}

bool EncodeWithLibrary(const dib& picture, const char* coder, std::vector<uint8_t>* out, std::string* reason) {
  InitializePictureLibrary();
  ExceptionOwner exception;
  ImageOwner image;
  image.image = ToImage(picture, &exception.e);
  if (image.image == nullptr) {
    *reason = DescribeException(exception.e, "not enough memory");
    return false;
  }
  ImageInfoOwner info;
  std::strncpy(info.info->magick, coder, MaxTextExtent - 1);
  std::strncpy(image.image->magick, coder, MaxTextExtent - 1);
  info.info->quality = kJpegQuality;
  image.image->depth = 8;
  size_t length = 0;
  void* blob = ImageToBlob(info.info, image.image, &length, &exception.e);
  if (blob == nullptr || length == 0) {
    *reason = DescribeException(exception.e, "the picture could not be encoded");
    if (blob) MagickFree(blob);
    return false;
  }
  const auto* bytes = static_cast<const uint8_t*>(blob);
  out->assign(bytes, bytes + length);
  MagickFree(blob);
  return true;
}

// The writer of our own for `format`, when it takes `picture`; null otherwise.
using PlainEncoder = bool (*)(const dib&, const ByteSink&, std::string* reason);
PlainEncoder PlainEncoderFor(PictureFileFormat format, const dib& picture) {
  if (!PlainlyEncodable(picture)) return nullptr;
  switch (format) {
    case PictureFileFormat::Bmp:
      return [](const dib& p, const ByteSink& sink, std::string*) { return EncodeBmp24(p, sink), true; };
    case PictureFileFormat::Tga:
      return [](const dib& p, const ByteSink& sink, std::string*) { return EncodeTga24(p, sink), true; };
    case PictureFileFormat::Tiff:
      return [](const dib& p, const ByteSink& sink, std::string*) { return EncodeTiff24(p, sink), true; };
    case PictureFileFormat::Pcx:
      return [](const dib& p, const ByteSink& sink, std::string*) { return EncodePcx24(p, sink), true; };
    case PictureFileFormat::Jpeg:
      return EncodeJpeg24;
    default:
      return nullptr;
  }
}

}  // namespace

std::optional<PictureFileFormat> FormatForExtension(std::string_view extension) {
  std::string ext(extension);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  static constexpr std::array<std::pair<const char*, PictureFileFormat>, 15> kTable{{
      {".bmp", PictureFileFormat::Bmp},
      {".dib", PictureFileFormat::Bmp},
      {".gif", PictureFileFormat::Gif},
      {".iff", PictureFileFormat::Ilbm},
      {".jif", PictureFileFormat::Jpeg},
      {".jpg", PictureFileFormat::Jpeg},
      {".jpeg", PictureFileFormat::Jpeg},
      {".lbm", PictureFileFormat::Ilbm},
      {".pcx", PictureFileFormat::Pcx},
      {".rle", PictureFileFormat::BmpRle8},
      {".tga", PictureFileFormat::Tga},
      {".tif", PictureFileFormat::Tiff},
      {".tiff", PictureFileFormat::Tiff},
      {".jp2", PictureFileFormat::Jpeg2000},
      {".png", PictureFileFormat::Png},
  }};
  for (const auto& [name, format] : kTable)
    if (ext == name) return format;
  return std::nullopt;
}

std::string ExtensionOf(std::string_view fname) {
  const size_t slash = fname.find_last_of('/');
  const size_t dot = fname.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(fname.substr(dot));
}

std::string WithDefaultExtension(const std::string& fname) {
  return ExtensionOf(fname).empty() ? fname + ".bmp" : fname;
}

bool EncodePicture(const dib& picture, PictureFileFormat format, std::vector<uint8_t>* out, std::string* reason,
                   Progress* progress) {
  if (picture.poi == nullptr || DibWidth(&picture) <= 0 || DibHeight(&picture) <= 0) {
    *reason = "there is no picture to write";
    return false;
  }
  if (const PlainEncoder encoder = PlainEncoderFor(format, picture)) {
    out->clear();
    return encoder(
        picture, [&](const uint8_t* data, size_t size) { out->insert(out->end(), data, data + size); }, reason);
  }
  switch (format) {
    case PictureFileFormat::Bmp:
      return EncodeWithLibrary(picture, "BMP3", out, reason);
    case PictureFileFormat::Gif:
      return EncodeWithLibrary(picture, "GIF", out, reason);
    case PictureFileFormat::Jpeg:
      return EncodeWithLibrary(picture, "JPEG", out, reason);
    case PictureFileFormat::Pcx:
      return EncodeWithLibrary(picture, "PCX", out, reason);
    case PictureFileFormat::Png:
      if (EncodePng(picture, out, 0, progress)) return true;
      *reason = kStopped;
      return false;
    case PictureFileFormat::Tga:
      return EncodeWithLibrary(picture, "TGA", out, reason);
    case PictureFileFormat::Tiff:
      return EncodeWithLibrary(picture, "TIFF", out, reason);
    case PictureFileFormat::Jpeg2000:
      return EncodeJpeg2000(picture, out, reason);
    case PictureFileFormat::Ilbm:
      if (EncodeIlbm(picture, out)) return true;
      *reason = "the picture could not be encoded";
      return false;
    case PictureFileFormat::BmpRle8: {
      dib reduced;
      if (!Quantised(picture, &reduced, reason)) return false;
      const bool ok = EncodeBmpRle8(reduced, out);
      ReleaseDib(&reduced);
      if (!ok) *reason = "the picture could not be encoded";
      return ok;
    }
  }
  *reason = "unknown format";
  return false;
}

bool WritePictureFile(const dib& picture, const std::string& fname, std::string* reason, Progress* progress) {
  const std::optional<PictureFileFormat> format = FormatForExtension(ExtensionOf(fname));
  if (!format) {
    *reason = "the extension \"" + ExtensionOf(fname) +
              "\" names no picture format (use .bmp, .dib, .gif, .iff, .jif, .jpg, .jpeg, .lbm, .pcx, .rle, .tga, "
              ".tif, .tiff, .jp2 or .png)";
    return false;
  }
  // Formats of our own are written as they are encoded; the others are
  // encoded whole first.
  const PlainEncoder encoder = PlainEncoderFor(*format, picture);
  std::vector<uint8_t> bytes;
  if (encoder == nullptr && !EncodePicture(picture, *format, &bytes, reason, progress)) return false;
  if (!Continue(progress, encoder ? 0 : 1)) {
    *reason = kStopped;
    return false;
  }
  try {
    AtomicFileWriter out;
    if (!out.Open(fname)) {
      *reason = "the file could not be created";
      return false;
    }
    if (encoder == nullptr)
      out.Write(bytes.data(), bytes.size());
    else if (!encoder(
                 picture, [&](const uint8_t* data, size_t size) { out.Write(data, size); }, reason))
      return false;  // the unfinished file is removed: the previous one stays
    out.Commit();
  } catch (const InOutError& error) {
    *reason = error.what();
    return false;
  }
  return true;
}

}  // namespace trellimap
