#include "codecs/picturewriter.h"

#include <cstring>
#include <utility>

#include "codecs/faxcoding.h"
#include "codecs/jpegencoder.h"
#include "codecs/magickowners.h"
#include "codecs/picturedecoder.h"
#include "codecs/plainencoders.h"
#include "foundation/binaryfile.h"
#include "i18n/plainreasons.h"
#include "i18n/translateunit.h"
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

// A failure of the encoding: no problem of the file, `detail` says what.
Outcome NotWritten(std::string detail) { return Outcome::Failed(FileProblem::None, std::move(detail)); }

// The picture reduced to at most 256 colours, as an 8-bit picture with its
// colour table.
Outcome Quantised(const dib& picture, dib* out) {
  InitializePictureLibrary();
  ExceptionOwner exception;
  ImageOwner image;
  image.image = ToImage(picture, &exception.e);
  QuantizeInfo settings;
  GetQuantizeInfo(&settings);
  settings.number_colors = 256;
  if (image.image == nullptr || QuantizeImage(&settings, image.image) == MagickFail ||
      image.image->storage_class != PseudoClass || image.image->colors > 256)
    return NotWritten(
        DescribeException(image.image ? image.image->exception : exception.e, "the colours could not be reduced"));
  Image* img = image.image;
  BitmapInfo colours{};
  for (unsigned i = 0; i < img->colors; ++i)
    colours.bmiColors[i] = {ScaleQuantumToChar(img->colormap[i].blue), ScaleQuantumToChar(img->colormap[i].green),
                            ScaleQuantumToChar(img->colormap[i].red), 0};
  const auto w = static_cast<int32_t>(img->columns), h = static_cast<int32_t>(img->rows);
  newdib(out, w, h, 8, &colours, 256);
  if (out->poi == nullptr) return NotWritten("not enough memory");
  for (int32_t y = 0; y < h; ++y) {
    const PixelPacket* row = AcquireImagePixels(img, 0, y, img->columns, 1, &exception.e);
    const IndexPacket* indexes = row ? AccessImmutableIndexes(img) : nullptr;
    if (indexes == nullptr) {
      ReleaseDib(out);
      return NotWritten("the colours could not be reduced");
    }
    for (int32_t x = 0; x < w; ++x) setpixel(*out, x, y, indexes[x]);
  }
  return Outcome::Done();
}

Outcome EncodeWithLibrary(const dib& picture, const char* coder, std::vector<uint8_t>* out) {
  InitializePictureLibrary();
  ExceptionOwner exception;
  ImageOwner image;
  image.image = ToImage(picture, &exception.e);
  if (image.image == nullptr) return NotWritten(DescribeException(exception.e, "not enough memory"));
  ImageInfoOwner info;
  std::strncpy(info.info->magick, coder, MaxTextExtent - 1);
  std::strncpy(image.image->magick, coder, MaxTextExtent - 1);
  info.info->quality = kJpegQuality;
  image.image->depth = 8;
  size_t length = 0;
  void* blob = ImageToBlob(info.info, image.image, &length, &exception.e);
  if (blob == nullptr || length == 0) {
    if (blob) MagickFree(blob);
    return NotWritten(DescribeException(exception.e, "the picture could not be encoded"));
  }
  const auto* bytes = static_cast<const uint8_t*>(blob);
  out->assign(bytes, bytes + length);
  MagickFree(blob);
  return Outcome::Done();
}

// Whether `writer` writes `picture` at one bit a pixel, as it is.
bool KeptBilevel(const FormatWriter* writer, const dib& picture) {
  return writer != nullptr && writer->bilevel != nullptr && IsBlackAndWhite(picture);
}

// The picture as a writer takes it: a copy at 24 bits for one that widens
// other depths (where the copy can be made), else the picture itself.
class Widened {
 public:
  Widened(const FormatWriter* writer, const dib& picture) : picture_(&picture) {
    if (writer == nullptr || !writer->widened || picture.poi == nullptr || DibBitCount(&picture) == 24 ||
        KeptBilevel(writer, picture))
      return;
    const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
    newdib(&copy_, w, h, 24, nullptr, 0);
    if (copy_.poi == nullptr) return;
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* row = copy_.poi + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(copy_.bytew);
      for (int32_t x = 0; x < w; ++x, row += 3) {
        const uint32_t c = DibPixelColour(picture, x, y);
        row[0] = static_cast<uint8_t>(c >> 16);
        row[1] = static_cast<uint8_t>(c >> 8);
        row[2] = static_cast<uint8_t>(c);
      }
    }
    picture_ = &copy_;
  }
  ~Widened() {
    if (copy_.poi != nullptr) ReleaseDib(&copy_);
  }
  Widened(const Widened&) = delete;
  Widened& operator=(const Widened&) = delete;
  const dib& Picture() const { return *picture_; }

 private:
  dib copy_{};
  const dib* picture_;
};

// The writer of our own that streams `picture` for `writer`, when it takes it; null otherwise.
StreamEncoder StreamedFor(const FormatWriter* writer, const dib& picture) {
  if (KeptBilevel(writer, picture)) return writer->bilevel;
  return writer != nullptr && writer->streamed != nullptr && PlainlyEncodable(picture) ? writer->streamed : nullptr;
}

// The written extensions, as a refused name is told to use them: ".bmp, .dib ... or .png".
std::string WrittenExtensions() {
  const auto listed = ExtensionsInOrder(&FormatExtension::listPlace);
  std::string text;
  for (size_t i = 0; i < listed.size(); ++i)
    text += (i == 0 ? "." : i + 1 < listed.size() ? ", ." : " or .") + std::string(listed[i].second->name);
  return text;
}

}  // namespace

std::optional<PictureFileFormat> FormatForExtension(std::string_view extension) {
  const FormatRow* row = nullptr;
  const FormatExtension* found =
      extension.empty() || extension[0] != '.' ? nullptr : FindExtension(extension.substr(1), &row);
  if (found == nullptr || found->writer == kReadOnly) return std::nullopt;
  return row->Writers()[found->writer].format;
}

std::string WithDefaultExtension(const std::string& fname) {
  return ExtensionOf(fname).empty() ? fname + "." + std::string(kDefaultExtension) : fname;
}

Outcome EncodePicture(const dib& given, PictureFileFormat format, std::vector<uint8_t>* out, Progress* progress) {
  if (given.poi == nullptr || DibWidth(&given) <= 0 || DibHeight(&given) <= 0)
    return NotWritten("there is no picture to write");
  const FormatWriter* writer = FindWriter(format);
  if (writer == nullptr) return NotWritten("unknown format");
  const Widened widened(writer, given);
  const dib& picture = widened.Picture();
  if (const StreamEncoder encoder = StreamedFor(writer, picture)) {
    out->clear();
    return encoder(picture, [&](const uint8_t* data, size_t size) { out->insert(out->end(), data, data + size); });
  }
  if (writer->library != nullptr) return EncodeWithLibrary(picture, writer->library, out);
  if (!writer->reduceColours) return writer->own(picture, out, progress);
  dib reduced;
  if (Outcome quantised = Quantised(picture, &reduced); !quantised.done()) return quantised;
  Outcome encoded = writer->own(reduced, out, progress);
  ReleaseDib(&reduced);
  return encoded;
}

Outcome WritePictureFile(const dib& given, const std::string& fname, Progress* progress) {
  const std::optional<PictureFileFormat> format = FormatForExtension(ExtensionOf(fname));
  if (!format)
    return NotWritten(TranslateFormat("the extension \"%1\" names no picture format (use %2)",
                                      {ExtensionOf(fname), WrittenExtensions()}));
  // Formats of our own are written as they are encoded; the others are
  // encoded whole first.
  const Widened widened(FindWriter(*format), given);
  const dib& picture = widened.Picture();
  const StreamEncoder encoder = StreamedFor(FindWriter(*format), picture);
  std::vector<uint8_t> bytes;
  if (encoder == nullptr) {
    if (Outcome encoded = EncodePicture(picture, *format, &bytes, progress); !encoded.done()) return encoded;
  }
  if (!Continue(progress, encoder ? 0 : 1)) return Outcome::Stopped();
  return WriteFileWhole(fname, [&](AtomicFileWriter& out) {
    // An unfinished file is removed: the previous one stays.
    if (encoder != nullptr) return encoder(picture, [&](const uint8_t* data, size_t size) { out.Write(data, size); });
    out.Write(bytes.data(), bytes.size());
    return Outcome::Done();
  });
}

std::string PictureSaveFailure(const std::string& fname, const Outcome& outcome) {
  const std::string reason = outcome.problem != FileProblem::None ? PlainReason(outcome.problem) : outcome.detail;
  return TranslateFormat("Could not save the picture \"%1\": %2.", {fname, reason});
}

}  // namespace trellimap
