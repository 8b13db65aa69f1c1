#include "codecs/jpeg2000.h"

#include <openjpeg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "codecs/decodeinto.h"
#include "foundation/releasewith.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

constexpr auto kMaxSide = static_cast<uint64_t>(kMaxPictureSide);
constexpr auto kMaxPixels = static_cast<uint64_t>(kMaxPicturePixels);
// The decoder holds every sample as a 32-bit integer: at most 3 GB of them,
// so that red, green and blue reach the pixel limit and four components stop
// short of it.
constexpr uint64_t kMaxSamples = uint64_t{3} << 28;
constexpr uint32_t kMaxComponents = 4;
// Every tile has at least one tile-part, whose header (SOT segment and SOD
// marker) takes 14 bytes. While reading the main header the decoder sets up
// some 10 KB for each tile the header declares, so a header must not declare
// more tiles than its file can hold.
constexpr uint64_t kMinBytesPerTile = 14;
constexpr int kThreads = 2;
constexpr size_t kStreamChunk = size_t{1} << 16;
constexpr char kJp2Signature[] = "\0\0\0\x0CjP  \r\n\x87\n";
constexpr size_t kJp2SignatureSize = 12;

uint32_t Be16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }
uint32_t Be32(const uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }
uint64_t Be64(const uint8_t* p) { return uint64_t{Be32(p)} << 32 | Be32(p + 4); }

constexpr uint32_t BoxType(const char (&name)[5]) {
  return uint32_t{static_cast<uint8_t>(name[0])} << 24 | uint32_t{static_cast<uint8_t>(name[1])} << 16 |
         uint32_t{static_cast<uint8_t>(name[2])} << 8 | static_cast<uint8_t>(name[3]);
}
constexpr uint32_t kCodestreamBox = BoxType("jp2c");
constexpr uint32_t kHeaderBox = BoxType("jp2h");
constexpr uint32_t kPaletteBox = BoxType("pclr");

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// Sides, pixel count, component count and sample count within what we read.
Outcome CheckDimensions(uint64_t width, uint64_t height, uint64_t components) {
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
    return FailedTooLarge("the picture's size (" + size + ") is out of range");
  if (components == 0 || components > kMaxComponents) {
    return FailedDamaged("the picture has " + std::to_string(components) + " components; at most 4 can be read");
  }
  if (width * height > kMaxPixels || width * height * components > kMaxSamples)
    return FailedDamaged("the picture is too large to read (" + size + " pixels, " + std::to_string(components) +
                         " components)");
  return Outcome::Done();
}

// A box of a JP2 file: its type and where its content begins and ends.
struct Box {
  uint32_t type = 0;
  size_t content = 0;
  size_t end = 0;
};

// Reads the box header at `pos`; the box must end by `limit`, except the
// codestream box, which the decoder reads up to the end of the file whatever
// length it claims.
bool ReadBox(const uint8_t* d, size_t pos, size_t limit, Box* box) {
  if (limit - pos < 8) return false;
  uint64_t length = Be32(d + pos);
  box->type = Be32(d + pos + 4);
  size_t header = 8;
  if (length == 1) {
    if (limit - pos < 16) return false;
    length = Be64(d + pos + 8);
    header = 16;
  }
  box->content = pos + header;
  if (length == 0 || box->type == kCodestreamBox) {
    box->end = limit;
    return true;
  }
  if (length < header || length > limit - pos) return false;
  box->end = pos + static_cast<size_t>(length);
  return true;
}

// Finds where the codestream of a JP2 file starts, and the most channels a
// palette box will expand its samples to (0 without a palette).
Outcome FindCodestream(const uint8_t* d, size_t size, size_t* start, uint32_t* paletteChannels) {
  *paletteChannels = 0;
  Box box;
  for (size_t pos = 0; pos < size && ReadBox(d, pos, size, &box); pos = box.end) {
    if (box.type == kCodestreamBox) {
      *start = box.content;
      return Outcome::Done();
    }
    if (box.type != kHeaderBox) continue;
    Box inner;
    for (size_t sub = box.content; sub < box.end; sub = inner.end) {
      if (!ReadBox(d, sub, box.end, &inner)) return FailedDamaged("the JP2 header is damaged");
      // The palette box starts with its entry count (2 bytes) and channel count (1 byte).
      if (inner.type == kPaletteBox && inner.end - inner.content >= 3)
        *paletteChannels = std::max(*paletteChannels, uint32_t{d[inner.content + 2]});
    }
  }
  return FailedDamaged("the file's boxes are damaged or hold no picture");
}

// Checks the codestream's size segment (SIZ, right after the start marker)
// before the decoder reads it, since the decoder allocates by what it says.
Outcome CheckCodestreamHeader(const uint8_t* d, size_t n, uint32_t paletteChannels) {
  if (n < 42 || Be32(d) != 0xFF4FFF51) return FailedDamaged("the picture data does not start with a JPEG 2000 header");
  const uint64_t x1 = Be32(d + 8), y1 = Be32(d + 12), x0 = Be32(d + 16), y0 = Be32(d + 20);
  const uint64_t tileW = Be32(d + 24), tileH = Be32(d + 28), tileX0 = Be32(d + 32), tileY0 = Be32(d + 36);
  const uint32_t components = Be16(d + 40);
  if (Outcome fits =
          CheckDimensions(x1 > x0 ? x1 - x0 : 0, y1 > y0 ? y1 - y0 : 0, std::max(components, paletteChannels));
      !fits.done())
    return fits;
  // The first tile must overlap the picture, which also keeps the tile count below 2^32.
  if (tileW == 0 || tileH == 0 || tileX0 > x0 || tileY0 > y0 || tileX0 + tileW <= x0 || tileY0 + tileH <= y0)
    return FailedDamaged("the JPEG 2000 header is damaged (bad tile layout)");
  const uint64_t tiles = CeilDiv(x1 - tileX0, tileW) * CeilDiv(y1 - tileY0, tileH);
  if (tiles > n / kMinBytesPerTile)
    return FailedDamaged("the file is damaged: its header declares " + std::to_string(tiles) +
                         " tiles, more than it can hold");
  return Outcome::Done();
}

// Keeps the decoder's first error message: it names the fault, the messages
// after it only report the failure spreading upwards.
void KeepFirstError(const char* message, void* user) {
  auto* error = static_cast<std::string*>(user);
  if (!error->empty() || message == nullptr) return;
  try {
    *error = message;
    while (!error->empty() && (error->back() == '\n' || error->back() == ' ' || error->back() == '.'))
      error->pop_back();
  } catch (...) {
    // No exception may cross the C library; the reason then goes without the detail.
  }
}

void IgnoreMessage(const char*, void*) {}

std::string Failure(const char* what, const std::string& error) {
  return error.empty() ? std::string(what) : std::string(what) + " (" + error + ")";
}

using CodecPtr = Owned<opj_codec_t, opj_destroy_codec>;
using StreamPtr = Owned<opj_stream_t, opj_stream_destroy>;
using ImagePtr = Owned<opj_image_t, opj_image_destroy>;

void SetHandlers(opj_codec_t* codec, std::string* error) {
  opj_set_error_handler(codec, KeepFirstError, error);
  opj_set_warning_handler(codec, IgnoreMessage, nullptr);
  opj_set_info_handler(codec, IgnoreMessage, nullptr);
}

// The input stream over the caller's buffer.
struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

OPJ_SIZE_T ReadFromMemory(void* buffer, OPJ_SIZE_T n, void* user) {
  auto* r = static_cast<Reader*>(user);
  if (r->pos >= r->size) return static_cast<OPJ_SIZE_T>(-1);  // end of stream
  const size_t count = std::min<size_t>(n, r->size - r->pos);
  std::memcpy(buffer, r->data + r->pos, count);
  r->pos += count;
  return count;
}

// Moves at most to either end of the buffer. -1 when it cannot move at all,
// as the stream loops while a skip returns less than asked.
OPJ_OFF_T SkipInMemory(OPJ_OFF_T n, void* user) {
  auto* r = static_cast<Reader*>(user);
  if (n < 0) {
    if (n < -static_cast<OPJ_OFF_T>(r->pos)) return -1;
    r->pos -= static_cast<size_t>(-n);
    return n;
  }
  const size_t forward = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(n), r->size - r->pos));
  if (forward == 0 && n > 0) return -1;
  r->pos += forward;
  return static_cast<OPJ_OFF_T>(forward);
}

OPJ_BOOL SeekInMemory(OPJ_OFF_T to, void* user) {
  auto* r = static_cast<Reader*>(user);
  if (to < 0 || static_cast<uint64_t>(to) > r->size) return OPJ_FALSE;
  r->pos = static_cast<size_t>(to);
  return OPJ_TRUE;
}

// One decoded component as it is read into the picture.
struct Channel {
  const opj_image_comp_t* comp = nullptr;
  int64_t offset = 0;             // added to signed samples to make them unsigned
  int64_t max = 0;                // the largest unsigned sample
  std::vector<uint32_t> columns;  // the sample column of each picture column
  uint64_t rowOrigin = 0;         // picture row 0 on the reference grid

  // The component's row holding picture row y (nearest neighbour).
  const int32_t* Row(uint32_t y) const {
    const int64_t row = static_cast<int64_t>((rowOrigin + y) / comp->dy) - static_cast<int64_t>(comp->y0);
    return comp->data + static_cast<size_t>(std::clamp<int64_t>(row, 0, comp->h - 1)) * comp->w;
  }
  // The sample at picture column x of `row`, scaled to 0..255 with rounding.
  uint8_t Sample(const int32_t* row, uint32_t x) const {
    const int64_t value = std::clamp<int64_t>(row[columns[x]] + offset, 0, max);
    return static_cast<uint8_t>((value * 255 + max / 2) / max);
  }
};

// Sets up `ch` for `comp`; false when the component's size or precision does
// not fit the picture's.
bool MakeChannel(const opj_image_t& image, const opj_image_comp_t& comp, uint32_t width, Channel* ch) {
  if (comp.data == nullptr || comp.dx == 0 || comp.dy == 0 || comp.prec == 0 || comp.prec > 31 || comp.factor != 0)
    return false;
  const uint64_t x0 = CeilDiv(image.x0, comp.dx), y0 = CeilDiv(image.y0, comp.dy);
  if (comp.w == 0 || comp.h == 0 || comp.x0 != x0 || comp.y0 != y0 || comp.w != CeilDiv(image.x1, comp.dx) - x0 ||
      comp.h != CeilDiv(image.y1, comp.dy) - y0)
    return false;
  ch->comp = &comp;
  ch->offset = comp.sgnd ? int64_t{1} << (comp.prec - 1) : 0;
  ch->max = (int64_t{1} << comp.prec) - 1;
  ch->rowOrigin = image.y0;
  ch->columns.resize(width);
  for (uint32_t x = 0; x < width; ++x) {
    const int64_t column = static_cast<int64_t>((uint64_t{image.x0} + x) / comp.dx) - static_cast<int64_t>(x0);
    ch->columns[x] = static_cast<uint32_t>(std::clamp<int64_t>(column, 0, comp.w - 1));
  }
  return true;
}

uint8_t ToByte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

// Full-range YCbCr to RGB.
void YccToRgb(uint8_t y, uint8_t cb, uint8_t cr, uint8_t rgb[3]) {
  const double u = cb - 128.0, v = cr - 128.0;
  rgb[0] = ToByte(y + 1.402 * v);
  rgb[1] = ToByte(y - 0.344136 * u - 0.714136 * v);
  rgb[2] = ToByte(y + 1.772 * u);
}

// A bare codestream does not name its colour space; subsampled second and
// third components beside a full first one can only be luma and chroma.
bool LooksLikeYcc(const opj_image_t& image) {
  const opj_image_comp_t* c = image.comps;
  return c[0].dx == 1 && c[0].dy == 1 && (c[1].dx > 1 || c[1].dy > 1 || c[2].dx > 1 || c[2].dy > 1);
}

Outcome Deliver(const opj_image_t& image, dib* out) {
  const uint64_t width = image.x1 > image.x0 ? image.x1 - image.x0 : 0;
  const uint64_t height = image.y1 > image.y0 ? image.y1 - image.y0 : 0;
  if (image.comps == nullptr) return FailedDamaged("the JPEG 2000 picture could not be decoded");
  if (Outcome fits = CheckDimensions(width, height, image.numcomps); !fits.done()) return fits;
  if (image.color_space == OPJ_CLRSPC_CMYK || image.color_space == OPJ_CLRSPC_EYCC)
    return FailedDamaged("the picture's colour space (CMYK or e-YCC) is not supported");
  const uint32_t n = image.numcomps;
  std::array<Channel, kMaxComponents> channels;
  for (uint32_t i = 0; i < n; ++i) {
    if (!MakeChannel(image, image.comps[i], static_cast<uint32_t>(width), &channels[i]))
      return FailedDamaged("the picture's components do not match its size or have an unsupported precision");
  }
  const bool ycc = n >= 3 && (image.color_space == OPJ_CLRSPC_SYCC ||
                              (image.color_space == OPJ_CLRSPC_UNSPECIFIED && LooksLikeYcc(image)));
  const bool hasAlpha = n == 2 || n == 4;

  const auto w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
  newdib(out, w, h, 24, nullptr, 0);
  if (out->poi == nullptr) return FailedNoMemory();
  std::array<const int32_t*, kMaxComponents> rows{};
  for (int32_t y = 0; y < h; ++y) {
    for (uint32_t i = 0; i < n; ++i) rows[i] = channels[i].Row(static_cast<uint32_t>(y));
    uint8_t* pixel = out->poi + static_cast<int64_t>(h - 1 - y) * out->bytew;  // rows are stored bottom-up
    for (uint32_t x = 0; x < static_cast<uint32_t>(w); ++x, pixel += 3) {
      std::array<uint8_t, kMaxComponents> s{};
      for (uint32_t i = 0; i < n; ++i) s[i] = channels[i].Sample(rows[i], x);
      uint8_t rgb[3] = {s[0], s[0], s[0]};
      if (ycc) {
        YccToRgb(s[0], s[1], s[2], rgb);
      } else if (n >= 3) {
        rgb[1] = s[1];
        rgb[2] = s[2];
      }
      if (hasAlpha) {
        const int alpha = s[n - 1];
        for (uint8_t& c : rgb) c = static_cast<uint8_t>((c * alpha + 255 * (255 - alpha) + 127) / 255);
      }
      pixel[0] = rgb[2];
      pixel[1] = rgb[1];
      pixel[2] = rgb[0];
    }
  }
  return Outcome::Done();
}

Outcome Decode(const uint8_t* data, size_t size, dib* out) {
  if (data == nullptr || size == 0) return Outcome::Failed(FileProblem::Empty, "the file is empty");
  OPJ_CODEC_FORMAT format = OPJ_CODEC_J2K;
  size_t codestream = 0;
  uint32_t paletteChannels = 0;
  if (size >= kJp2SignatureSize && std::memcmp(data, kJp2Signature, kJp2SignatureSize) == 0) {
    format = OPJ_CODEC_JP2;
    if (Outcome found = FindCodestream(data, size, &codestream, &paletteChannels); !found.done()) return found;
  } else if (size < 4 || Be32(data) != 0xFF4FFF51) {
    return Outcome::Failed(FileProblem::NotThisFormat, "the file is not a JPEG 2000 picture");
  }
  if (Outcome checked = CheckCodestreamHeader(data + codestream, size - codestream, paletteChannels); !checked.done())
    return checked;

  std::string error;
  Reader reader{data, size, 0};  // outlives the stream that points to it
  const CodecPtr codec(opj_create_decompress(format));
  const StreamPtr stream(opj_stream_create(kStreamChunk, OPJ_STREAM_READ));
  if (!codec || !stream) return FailedNoMemory("not enough memory to decode the picture");
  SetHandlers(codec.get(), &error);
  opj_stream_set_read_function(stream.get(), ReadFromMemory);
  opj_stream_set_skip_function(stream.get(), SkipInMemory);
  opj_stream_set_seek_function(stream.get(), SeekInMemory);
  opj_stream_set_user_data(stream.get(), &reader, nullptr);
  opj_stream_set_user_data_length(stream.get(), size);

  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters))
    return FailedDamaged(Failure("the JPEG 2000 decoder could not be set up", error));
  // A truncated codestream is an error, not a picture with parts missing.
  opj_decoder_set_strict_mode(codec.get(), OPJ_TRUE);
  // Fails only where the library has no threads; it then decodes on this one.
  opj_codec_set_threads(codec.get(), kThreads);

  opj_image_t* header = nullptr;
  const bool headerRead = opj_read_header(stream.get(), codec.get(), &header);
  const ImagePtr image(header);
  if (!headerRead || !image) return FailedDamaged(Failure("the JPEG 2000 header is damaged", error));
  const uint64_t width = image->x1 > image->x0 ? image->x1 - image->x0 : 0;
  const uint64_t height = image->y1 > image->y0 ? image->y1 - image->y0 : 0;
  if (Outcome fits = CheckDimensions(width, height, std::max(image->numcomps, paletteChannels)); !fits.done())
    return fits;
  // Trailing boxes after the codestream are not needed, so the decoder is
  // not asked to read them (opj_end_decompress): junk there costs no picture.
  if (!opj_decode(codec.get(), stream.get(), image.get()))
    return FailedDamaged(Failure("the JPEG 2000 picture data is damaged", error));
  return Deliver(*image, out);
}

// Each resolution level halves the picture; the smallest must keep a sample
// on each side. Six levels (five decompositions) suffice for compression.
int Resolutions(int32_t width, int32_t height) {
  int levels = 1;
  while (levels < 6 && (int64_t{1} << levels) <= std::min(width, height)) ++levels;
  return levels;
}

// The output stream into a growing vector; positions beyond its end read as
// zeros once something is written after them, as in a file.
struct Writer {
  std::vector<uint8_t>* bytes;
  size_t pos;
};

OPJ_SIZE_T WriteToMemory(void* buffer, OPJ_SIZE_T n, void* user) {
  auto* w = static_cast<Writer*>(user);
  try {
    if (n > w->bytes->max_size() - w->pos) return static_cast<OPJ_SIZE_T>(-1);
    if (w->pos + n > w->bytes->size()) w->bytes->resize(w->pos + n);
  } catch (const std::bad_alloc&) {
    return static_cast<OPJ_SIZE_T>(-1);
  }
  if (n > 0) std::memcpy(w->bytes->data() + w->pos, buffer, n);
  w->pos += n;
  return n;
}

OPJ_OFF_T SkipWhileWriting(OPJ_OFF_T n, void* user) {
  auto* w = static_cast<Writer*>(user);
  if (n < -static_cast<OPJ_OFF_T>(w->pos) || n > PTRDIFF_MAX - static_cast<OPJ_OFF_T>(w->pos)) return -1;
  w->pos = static_cast<size_t>(static_cast<OPJ_OFF_T>(w->pos) + n);
  return n;
}

OPJ_BOOL SeekWhileWriting(OPJ_OFF_T to, void* user) {
  if (to < 0) return OPJ_FALSE;
  static_cast<Writer*>(user)->pos = static_cast<size_t>(to);
  return OPJ_TRUE;
}

Outcome Encode(const dib& picture, std::vector<uint8_t>* out) {
  const int32_t width = DibWidth(&picture), height = DibHeight(&picture);
  if (picture.poi == nullptr || width <= 0 || height <= 0)
    return Outcome::Failed(FileProblem::None, "there is no picture to write");
  // Larger pictures could not be read back.
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPixels)
    return Outcome::Failed(FileProblem::None, "the picture is too large for a JPEG 2000 file");
  opj_image_cmptparm_t parts[3] = {};
  for (opj_image_cmptparm_t& p : parts) {
    p.dx = p.dy = 1;
    p.w = static_cast<OPJ_UINT32>(width);
    p.h = static_cast<OPJ_UINT32>(height);
    p.prec = 8;
  }
  const ImagePtr image(opj_image_create(3, parts, OPJ_CLRSPC_SRGB));
  if (!image) return Outcome::Failed(FileProblem::None, "not enough memory to encode the picture");
  image->x0 = image->y0 = 0;
  image->x1 = static_cast<OPJ_UINT32>(width);
  image->y1 = static_cast<OPJ_UINT32>(height);
  size_t i = 0;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x, ++i) {
      const uint32_t colour = DibPixelColour(picture, x, y);
      image->comps[0].data[i] = static_cast<OPJ_INT32>(colour & 0xFF);
      image->comps[1].data[i] = static_cast<OPJ_INT32>(colour >> 8 & 0xFF);
      image->comps[2].data[i] = static_cast<OPJ_INT32>(colour >> 16 & 0xFF);
    }
  }

  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  // Lossless: the reversible 5/3 wavelet and colour transform, one layer with no rate limit.
  parameters.irreversible = 0;
  parameters.tcp_mct = 1;
  parameters.tcp_numlayers = 1;
  parameters.tcp_rates[0] = 0;
  parameters.cp_disto_alloc = 1;
  parameters.numresolution = Resolutions(width, height);

  std::string error;
  Writer writer{out, 0};  // outlives the stream that points to it
  const CodecPtr codec(opj_create_compress(OPJ_CODEC_JP2));
  const StreamPtr stream(opj_stream_create(kStreamChunk, OPJ_STREAM_WRITE));
  if (!codec || !stream) return Outcome::Failed(FileProblem::None, "not enough memory to encode the picture");
  SetHandlers(codec.get(), &error);
  opj_stream_set_write_function(stream.get(), WriteToMemory);
  opj_stream_set_skip_function(stream.get(), SkipWhileWriting);
  opj_stream_set_seek_function(stream.get(), SeekWhileWriting);
  opj_stream_set_user_data(stream.get(), &writer, nullptr);
  if (!opj_setup_encoder(codec.get(), &parameters, image.get()))
    return Outcome::Failed(FileProblem::None, Failure("the JPEG 2000 encoder could not be set up", error));
  opj_codec_set_threads(codec.get(), kThreads);
  if (!opj_start_compress(codec.get(), image.get(), stream.get()) || !opj_encode(codec.get(), stream.get()) ||
      !opj_end_compress(codec.get(), stream.get()))
    return Outcome::Failed(FileProblem::None, Failure("the JPEG 2000 encoder failed", error));
  return Outcome::Done();
}

}  // namespace

Outcome ReadJpeg2000(std::span<const uint8_t> bytes, dib& picture, Progress* /*progress*/) {
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes.data(), bytes.size(), &out); });
}

Outcome EncodeJpeg2000(const dib& picture, std::vector<uint8_t>* out, Progress* /*progress*/) {
  out->clear();
  Outcome outcome;
  try {
    outcome = Encode(picture, out);
  } catch (const std::bad_alloc&) {
    outcome = Outcome::Failed(FileProblem::None, "not enough memory to encode the picture");
  }
  if (!outcome.done()) out->clear();
  return outcome;
}

}  // namespace trellimap
