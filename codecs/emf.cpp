#include "codecs/emf.h"

#include <cairo.h>
#include <emf2svg.h>
#include <librsvg/rsvg.h>
#include <locale.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "codecs/decodeinto.h"
#include "foundation/releasewith.h"
#include "image/pixmill3.h"

// For text given by glyph indexes the converter looks up the font's file in
// fontconfig and then ends fontconfig (FcFini) as if it were its only user;
// but the renderer and the window system keep fontconfig's caches, and ending
// it under them aborts the whole program. This definition takes the place of
// fontconfig's own in the program: fontconfig stays up until the process
// ends, as its other users need.
extern "C" void FcFini() {}

namespace trellimap {
namespace {

constexpr uint32_t kHeaderRecord = 1;
constexpr uint32_t kEofRecord = 14;
constexpr uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr size_t kSignatureOffset = 40;
constexpr size_t kMinHeaderSize = 88;
// Headers of 100 bytes and more carry a pixel format descriptor.
constexpr size_t kHeaderWithPixelFormat = 100;
constexpr size_t kEofRecordSize = 20;
// The frame is in hundredths of a millimetre: 2540 to the inch.
constexpr double kUnitsPerInch = 2540;
constexpr double kDotsPerInch = 96;
// Zero bytes after the copy handed to the converter, beyond the length it is
// told, so that a small read past a record's end stays inside our memory.
constexpr size_t kConverterSlack = 64;
// The renderer aborts the whole program on text sizes near 2^21 and above;
// the font library refuses sizes past 65535 pixels anyway.
constexpr double kMaxFontSize = 65535;

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
int32_t LeInt32(const uint8_t* p) { return static_cast<int32_t>(Le32(p)); }
void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

Outcome Damaged(const std::string& what) { return FailedDamaged("the metafile is damaged (" + what + ")"); }

// A rectangle of four int32 values, its extents in 64 bits so that no
// coordinates can overflow them.
struct Extent {
  int64_t left, top, right, bottom;
  int64_t Width() const { return right - left; }
  int64_t Height() const { return bottom - top; }
};

Extent ReadExtent(const uint8_t* p) { return {LeInt32(p), LeInt32(p + 4), LeInt32(p + 8), LeInt32(p + 12)}; }

// An optional block [offset, offset + count × unit) that must lie after the
// fixed header fields and inside the header record.
bool BlockInHeader(uint32_t count, uint32_t offset, uint64_t unit, uint64_t header_size) {
  if (count == 0) return true;
  return offset >= kMinHeaderSize && uint64_t{offset} + uint64_t{count} * unit <= header_size;
}

// Pixel size of the frame at 96 dots per inch, scaled down to fit kMaxEmfSide.
void FrameToPixels(const Extent& frame, int32_t* width, int32_t* height) {
  double w = std::max(1.0, std::nearbyint(static_cast<double>(frame.Width()) * kDotsPerInch / kUnitsPerInch));
  double h = std::max(1.0, std::nearbyint(static_cast<double>(frame.Height()) * kDotsPerInch / kUnitsPerInch));
  const double limit = static_cast<double>(kMaxEmfSide);
  if (w > limit || h > limit) {
    const double factor = std::min(limit / w, limit / h);
    w = std::clamp(std::nearbyint(w * factor), 1.0, limit);
    h = std::clamp(std::nearbyint(h * factor), 1.0, limit);
  }
  *width = static_cast<int32_t>(w);
  *height = static_cast<int32_t>(h);
}

// What the header and the record walk found out.
struct Metafile {
  int32_t width = 0;  // picture size in pixels
  int32_t height = 0;
  bool blank = false;  // the bounds say nothing is drawn
  size_t length = 0;   // bytes up to the end of the last record read
  uint32_t records = 0;
  bool has_eof = false;
};

// Checks the header and walks the records once. Every record must be at least
// 8 bytes, a multiple of 4 and inside the file; the walk stops after the end
// record or at the end of the file.
Outcome Examine(const uint8_t* data, size_t size, Metafile* file) {
  if (size < kMinHeaderSize)
    return FailedDamaged("the metafile is truncated (" + std::to_string(size) + " bytes, the header alone takes 88)");
  const uint32_t header_size = Le32(data + 4);
  if (header_size < kMinHeaderSize || header_size % 4 != 0)
    return Damaged("bad header size " + std::to_string(header_size));
  if (header_size > size)
    return FailedDamaged("the metafile is truncated (header of " + std::to_string(header_size) + " bytes, file of " +
                         std::to_string(size) + ")");
  const uint32_t claimed = Le32(data + 48);
  if (claimed > size)
    return FailedDamaged("the metafile is truncated (" + std::to_string(size) + " of " + std::to_string(claimed) +
                         " bytes)");
  if (!BlockInHeader(Le32(data + 60), Le32(data + 64), 2, header_size)) return Damaged("bad description");
  if (header_size >= kHeaderWithPixelFormat && !BlockInHeader(Le32(data + 88), Le32(data + 92), 1, header_size))
    return Damaged("bad pixel format");
  const Extent frame = ReadExtent(data + 24);
  if (frame.Width() <= 0 || frame.Height() <= 0)
    return Damaged("empty or inverted frame " + std::to_string(frame.left) + ", " + std::to_string(frame.top) + ", " +
                   std::to_string(frame.right) + ", " + std::to_string(frame.bottom));
  FrameToPixels(frame, &file->width, &file->height);
  // The converter scales by the bounds' extent: an empty one means nothing is
  // drawn, one beyond 32 bits would overflow its arithmetic.
  const Extent bounds = ReadExtent(data + 8);
  if (bounds.Width() > INT32_MAX || bounds.Height() > INT32_MAX) return Damaged("bounds too large");
  file->blank = bounds.Width() <= 0 || bounds.Height() <= 0;

  size_t pos = header_size;
  file->records = 1;
  while (size - pos >= 8) {  // at most size / 8 rounds: every record takes 8 bytes or more
    const uint32_t type = Le32(data + pos);
    const uint32_t record_size = Le32(data + pos + 4);
    const std::string where = "record " + std::to_string(file->records + 1) + " at byte " + std::to_string(pos);
    if (record_size < 8 || record_size % 4 != 0) return Damaged(where + " has the size " + std::to_string(record_size));
    if (record_size > size - pos)
      return FailedDamaged("the metafile is truncated (" + where + " needs " + std::to_string(record_size) +
                           " bytes, " + std::to_string(size - pos) + " are left)");
    if (type == kEofRecord && record_size < kEofRecordSize) return Damaged(where + ": end record too short");
    pos += record_size;
    ++file->records;
    if (type == kEofRecord) {
      file->has_eof = true;
      break;
    }
  }
  if (!file->has_eof && pos != size)
    return FailedDamaged("the metafile is truncated (" + std::to_string(size - pos) + " bytes of a record at its end)");
  file->length = pos;
  return Outcome::Done();
}

// The converter's input: the records walked, an end record appended when the
// file just stops, and the header's byte and record counts made to match.
std::vector<uint8_t> ConverterInput(const uint8_t* data, const Metafile& file) {
  const size_t length = file.length + (file.has_eof ? 0 : kEofRecordSize);
  std::vector<uint8_t> copy(length + kConverterSlack, 0);
  std::memcpy(copy.data(), data, file.length);
  uint32_t records = file.records;
  if (!file.has_eof) {
    uint8_t* eof = copy.data() + file.length;
    PutLe32(eof, kEofRecord);
    PutLe32(eof + 4, kEofRecordSize);
    PutLe32(eof + 12, 16);  // palette offset: none follows
    PutLe32(eof + 16, kEofRecordSize);
    ++records;
  }
  PutLe32(copy.data() + 48, static_cast<uint32_t>(length));
  PutLe32(copy.data() + 52, records);
  return copy;
}

// The "C" numeric conventions on this thread while it lives: the converter
// prints numbers with printf, and the SVG needs a decimal point whatever
// locale the program has set.
class CNumericLocale {
 public:
  CNumericLocale() : locale_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr))) {
    if (locale_ != static_cast<locale_t>(nullptr)) previous_ = uselocale(locale_);
  }
  ~CNumericLocale() {
    if (locale_ == static_cast<locale_t>(nullptr)) return;
    uselocale(previous_);
    freelocale(locale_);
  }
  CNumericLocale(const CNumericLocale&) = delete;
  CNumericLocale& operator=(const CNumericLocale&) = delete;

 private:
  locale_t locale_;
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

std::string WithDetail(const std::string& what, const GError* error) {
  if (error == nullptr || error->message == nullptr) return what;
  return what + " (" + error->message + ")";
}

// Limits every font size in the converter's output to [0, kMaxFontSize], so
// that no text record, however large its font, can reach the renderer's abort.
void CapFontSizes(std::string* svg) {
  static constexpr std::string_view kAttribute = "font-size=\"";
  for (size_t at = svg->find(kAttribute); at != std::string::npos; at = svg->find(kAttribute, at)) {
    at += kAttribute.size();
    const size_t end = svg->find('"', at);
    if (end == std::string::npos) return;
    const std::string number = svg->substr(at, end - at);
    char* stop = nullptr;
    const double size = std::strtod(number.c_str(), &stop);
    if (stop == number.c_str() + number.size() && size >= 0 && size <= kMaxFontSize) continue;
    const std::string capped = size > kMaxFontSize ? "65535" : "0";  // NaN and negative sizes draw nothing
    svg->replace(at, end - at, capped);
    at += capped.size();
  }
}

// Converts the checked metafile to SVG and draws it, fitted to the picture's
// size, onto `surface`, which is already white.
Outcome Draw(std::vector<uint8_t>* input, size_t length, cairo_surface_t* surface, int32_t width, int32_t height) {
  char name_space[] = "";
  generatorOptions options{};
  options.nameSpace = name_space;
  options.verbose = false;
  options.emfplus = false;  // dual files carry plain records too; those are drawn
  options.svgDelimiter = true;
  options.imgWidth = width;
  options.imgHeight = height;
  char* svg_text = nullptr;
  size_t svg_length = 0;
  const CNumericLocale numbers;
  const int converted = emf2svg(reinterpret_cast<char*>(input->data()), length, &svg_text, &svg_length, &options);
  const Owned<char, std::free> converted_text(svg_text);
  if (converted == 0 || svg_text == nullptr || svg_length == 0)
    return FailedDamaged("the metafile could not be converted");
  std::string svg(svg_text, svg_length);
  CapFontSizes(&svg);

  GError* error_raw = nullptr;
  // No base address is given, so the drawing can reach no file outside it.
  const Owned<RsvgHandle, g_object_unref> handle(
      rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error_raw));
  Owned<GError, g_error_free> error(error_raw);
  if (handle == nullptr) return FailedDamaged(WithDetail("the converted metafile could not be read", error.get()));
  const Owned<cairo_t, cairo_destroy> cr(cairo_create(surface));
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return FailedNoMemory("not enough memory to draw the metafile");
  cairo_set_source_rgb(cr.get(), 1, 1, 1);
  cairo_paint(cr.get());
  const RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
  error_raw = nullptr;
  const bool drawn = rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error_raw);
  error.reset(error_raw);
  if (!drawn) return FailedDamaged(WithDetail("the metafile could not be drawn", error.get()));
  cairo_surface_flush(surface);
  return Outcome::Done();
}

Outcome Decode(const uint8_t* data, size_t size, dib* out) {
  if (!LooksLikeEmf(data, size))
    return Outcome::Failed(FileProblem::NotThisFormat, "the file is not an enhanced metafile");
  Metafile file;
  if (Outcome examined = Examine(data, size, &file); !examined.done()) return examined;

  const Owned<cairo_surface_t, cairo_surface_destroy> surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, file.width, file.height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    return FailedNoMemory("not enough memory to draw the metafile");
  if (file.blank) {
    const Owned<cairo_t, cairo_destroy> cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    cairo_surface_flush(surface.get());
  } else {
    std::vector<uint8_t> input = ConverterInput(data, file);
    if (Outcome drawn = Draw(&input, input.size() - kConverterSlack, surface.get(), file.width, file.height);
        !drawn.done())
      return drawn;
  }

  newdib(out, file.width, file.height, 24, nullptr, 0);
  if (out->poi == nullptr)
    return FailedNoMemory("not enough memory for a picture of " + std::to_string(file.width) + " x " +
                          std::to_string(file.height) + " pixels");
  const uint8_t* pixels = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int32_t y = 0; y < file.height; ++y) {
    const uint8_t* from = pixels + static_cast<int64_t>(y) * stride;
    uint8_t* to = out->poi + static_cast<int64_t>(file.height - 1 - y) * out->bytew;  // rows are stored bottom-up
    for (int32_t x = 0; x < file.width; ++x, from += 4, to += 3) {
      // A native-endian 32-bit word: alpha, red, green, blue from the top
      // byte down. Everything lies on white, so alpha is full and the colour
      // needs no unpremultiplying.
      uint32_t argb;
      std::memcpy(&argb, from, 4);
      to[0] = static_cast<uint8_t>(argb);
      to[1] = static_cast<uint8_t>(argb >> 8);
      to[2] = static_cast<uint8_t>(argb >> 16);
    }
  }
  return Outcome::Done();
}

}  // namespace

bool LooksLikeEmf(const uint8_t* data, size_t size) {
  return data != nullptr && size >= kSignatureOffset + 4 && Le32(data) == kHeaderRecord &&
         Le32(data + kSignatureOffset) == kSignature;
}

Outcome ReadEmf(std::span<const uint8_t> bytes, dib& picture, Progress* /*progress*/) {
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes.data(), bytes.size(), &out); });
}

}  // namespace trellimap
