#include "codecs/ilbm.h"

#include <algorithm>
#include <cstring>

#include "codecs/decodeinto.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// Viewport mode bits of the CAMG chunk that change how pixel values read.
constexpr uint32_t kExtraHalfBrite = 0x80;
constexpr uint32_t kHoldAndModify = 0x800;

constexpr uint8_t kMaskPlane = 1;  // masking value: one extra plane per row
constexpr uint8_t kMaxMasking = 3;
constexpr uint8_t kByteRun1 = 1;
constexpr size_t kBmhdBytes = 20;
constexpr size_t kHeaderBytes = 12;  // "FORM", length, form type
constexpr size_t kChunkHeaderBytes = 8;
constexpr size_t kMaxRun = 128;  // bytes one ByteRun1 control byte can produce

uint16_t Big16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t Big32(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }

void PutBig16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  PutBig16(out, v >> 16);
  PutBig16(out, v & 0xFFFF);
}

// A chunk identifier for messages; damaged files may hold any bytes there.
std::string ChunkName(const uint8_t* id) {
  std::string name(4, '?');
  for (int i = 0; i < 4; ++i)
    if (id[i] >= 0x20 && id[i] < 0x7F) name[i] = static_cast<char>(id[i]);
  return "'" + name + "'";
}

struct Chunk {
  const uint8_t* data = nullptr;
  size_t size = 0;
  bool present = false;
};

struct Chunks {
  bool chunky = false;  // FORM PBM: one byte per pixel instead of bit planes
  Chunk bmhd, cmap, camg, body;
};

// Walks the chunks inside the FORM, keeping the first of each kind we use.
// Every length is checked against the form before the chunk is taken.
Outcome FindChunks(const uint8_t* data, size_t size, Chunks* c) {
  if (size < kHeaderBytes || std::memcmp(data, "FORM", 4) != 0)
    return Outcome::Failed(FileProblem::NotThisFormat,
                           "the file is not an IFF picture (it does not start with a FORM chunk)");
  const uint32_t formSize = Big32(data + 4);
  if (formSize < 4 || formSize > size - kChunkHeaderBytes)
    return FailedDamaged("the FORM chunk claims " + std::to_string(formSize) + " bytes but the file holds " +
                         std::to_string(size - kChunkHeaderBytes));
  if (std::memcmp(data + 8, "ILBM", 4) == 0) {
    c->chunky = false;
  } else if (std::memcmp(data + 8, "PBM ", 4) == 0) {
    c->chunky = true;
  } else {
    return Outcome::Failed(FileProblem::NotThisFormat,
                           "the IFF form " + ChunkName(data + 8) + " is not an ILBM or PBM picture");
  }
  const size_t end = kChunkHeaderBytes + formSize;
  size_t pos = kHeaderBytes;
  // Fewer than 8 bytes left cannot hold a chunk; some writers leave padding there.
  while (end - pos >= kChunkHeaderBytes) {
    const uint8_t* id = data + pos;
    const uint32_t length = Big32(data + pos + 4);
    pos += kChunkHeaderBytes;
    if (length > end - pos)
      return FailedDamaged("the " + ChunkName(id) + " chunk claims " + std::to_string(length) + " bytes but only " +
                           std::to_string(end - pos) + " remain");
    Chunk* slot = nullptr;
    if (std::memcmp(id, "BMHD", 4) == 0) slot = &c->bmhd;
    if (std::memcmp(id, "CMAP", 4) == 0) slot = &c->cmap;
    if (std::memcmp(id, "CAMG", 4) == 0) slot = &c->camg;
    if (std::memcmp(id, "BODY", 4) == 0) slot = &c->body;
    if (slot != nullptr && !slot->present) *slot = {data + pos, length, true};
    pos += length;
    // Chunks are padded to even length; the pad of the last one may be missing.
    if ((length & 1) != 0 && pos < end) ++pos;
  }
  if (!c->bmhd.present) return FailedDamaged("the picture has no BMHD (bitmap header) chunk");
  if (c->bmhd.size < kBmhdBytes)
    return FailedDamaged("the BMHD chunk holds " + std::to_string(c->bmhd.size) + " bytes, " +
                         std::to_string(kBmhdBytes) + " are needed");
  if (!c->body.present) return FailedDamaged("the picture has no BODY chunk");
  return Outcome::Done();
}

enum class Kind { Paletted, HoldAndModify, TrueColour };

struct Layout {
  int32_t width = 0, height = 0;
  int planes = 0;  // colour planes (8 for chunky pictures)
  bool compressed = false;
  bool chunky = false;
  Kind kind = Kind::Paletted;
  bool halfBrite = false;
  size_t planeRowBytes = 0;  // bytes of one plane's row: whole 16-bit words
  size_t fileRowBytes = 0;   // bytes of one row of all planes (and mask) once unpacked
};

Outcome ReadLayout(const Chunks& c, Layout* l) {
  const uint8_t* h = c.bmhd.data;
  l->width = Big16(h);
  l->height = Big16(h + 2);
  const int planes = h[8], masking = h[9], compression = h[10];
  if (l->width == 0 || l->height == 0) return FailedDamaged("the picture's width or height is 0");
  if (compression > kByteRun1)
    return FailedDamaged("compression method " + std::to_string(compression) + " is not supported");
  if (masking > kMaxMasking) return FailedDamaged("masking method " + std::to_string(masking) + " is not known");
  l->compressed = compression == kByteRun1;
  l->chunky = c.chunky;
  l->planes = planes;
  const uint32_t camg = c.camg.size >= 4 ? Big32(c.camg.data) : 0;
  if (c.chunky) {
    if (planes != 8)
      return FailedDamaged("a chunky (PBM) picture must have 8 bits per pixel, not " + std::to_string(planes));
    // The layout of a mask beside chunky pixels is not settled; better to refuse than to guess.
    if (masking == kMaskPlane) return FailedDamaged("chunky (PBM) pictures with a mask plane are not supported");
    l->fileRowBytes = static_cast<size_t>(l->width) + (l->width & 1);
    return Outcome::Done();
  }
  if (planes == 24 || planes == 32) {
    l->kind = Kind::TrueColour;
  } else if (planes < 1 || planes > 8) {
    return FailedDamaged(std::to_string(planes) + " bit planes are not supported (1 to 8, 24 or 32)");
  } else if ((camg & kHoldAndModify) != 0) {
    if (planes != 6 && planes != 8)
      return FailedDamaged("a hold-and-modify picture needs 6 or 8 bit planes, not " + std::to_string(planes));
    l->kind = Kind::HoldAndModify;
  } else if (planes == 6) {
    // Without a CAMG chunk, 6 planes over a 32-entry map can only mean the half-bright mode.
    const bool likelyHalfBrite = !c.camg.present && c.cmap.size / 3 == 32;
    l->halfBrite = (camg & kExtraHalfBrite) != 0 || likelyHalfBrite;
  }
  l->planeRowBytes = (static_cast<size_t>(l->width) + 15) / 16 * 2;
  l->fileRowBytes = l->planeRowBytes * static_cast<size_t>(planes + (masking == kMaskPlane ? 1 : 0));
  return Outcome::Done();
}

// The BODY must be able to hold every row; for ByteRun1 every 2 bytes give at
// most 128, which bounds the picture we allocate by the bytes really present.
Outcome BodyCanHoldRows(const Layout& l, size_t bodySize) {
  const uint64_t perRow = l.compressed ? 2 * ((l.fileRowBytes + kMaxRun - 1) / kMaxRun) : l.fileRowBytes;
  if (bodySize / perRow >= static_cast<uint64_t>(l.height)) return Outcome::Done();
  return FailedDamaged("the BODY chunk holds " + std::to_string(bodySize) + " bytes, too few for " +
                       std::to_string(l.height) + " rows of " + std::to_string(l.width) + " pixels");
}

// Unpacks one ByteRun1 row of exactly `n` bytes from [*p, end). A run that
// reaches past the row is clipped to it (its input is still consumed), so
// nothing outside the row is written. False when the input ends first.
bool UnpackRow(const uint8_t** p, const uint8_t* end, uint8_t* row, size_t n) {
  const uint8_t* in = *p;
  size_t filled = 0;
  while (filled < n) {
    if (in == end) return false;
    const auto control = static_cast<int8_t>(*in++);
    if (control >= 0) {
      const size_t count = static_cast<size_t>(control) + 1;
      if (static_cast<size_t>(end - in) < count) return false;
      const size_t take = std::min(count, n - filled);
      std::memcpy(row + filled, in, take);
      filled += take;
      in += count;
    } else if (control != -128) {  // -128 is a no-op
      if (in == end) return false;
      const size_t count = static_cast<size_t>(1 - control);
      const size_t take = std::min(count, n - filled);
      std::memset(row + filled, *in++, take);
      filled += take;
    }
  }
  *p = in;
  return true;
}

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

// The colour map for `count` entries: from CMAP, black where it is short, a
// grey ramp when it is missing; the half-bright entries derived from the first 32.
std::vector<Rgb> ReadColours(const Chunks& c, const Layout& l, int count) {
  std::vector<Rgb> colours(256);
  const int base = l.halfBrite ? 32 : count;
  if (c.cmap.present) {
    const size_t n = std::min<size_t>(c.cmap.size / 3, static_cast<size_t>(base));
    for (size_t i = 0; i < n; ++i) colours[i] = {c.cmap.data[3 * i], c.cmap.data[3 * i + 1], c.cmap.data[3 * i + 2]};
  } else {
    for (int i = 0; i < base; ++i) {
      const auto v = static_cast<uint8_t>(i * 255 / (base - 1));
      colours[static_cast<size_t>(i)] = {v, v, v};
    }
  }
  if (l.halfBrite)
    for (size_t i = 0; i < 32; ++i)
      colours[32 + i] = {static_cast<uint8_t>(colours[i].r >> 1), static_cast<uint8_t>(colours[i].g >> 1),
                         static_cast<uint8_t>(colours[i].b >> 1)};
  return colours;
}

// Gathers the first `planes` bit planes of an unpacked row into one value per pixel.
void GatherPlanes(const uint8_t* row, const Layout& l, int planes, std::vector<uint32_t>* values) {
  std::fill(values->begin(), values->end(), 0u);
  for (int p = 0; p < planes; ++p) {
    const uint8_t* plane = row + static_cast<size_t>(p) * l.planeRowBytes;
    for (int32_t x = 0; x < l.width; ++x)
      (*values)[static_cast<size_t>(x)] |= uint32_t{(plane[x >> 3] >> (7 - (x & 7))) & 1u} << p;
  }
}

void StoreIndexes(const std::vector<uint32_t>& values, int bits, uint8_t* dst) {
  for (size_t x = 0; x < values.size(); ++x) {
    const uint32_t v = values[x];
    if (bits == 1) {
      dst[x >> 3] = static_cast<uint8_t>(dst[x >> 3] | (v & 1) << (7 - (x & 7)));
    } else if (bits == 4) {
      dst[x >> 1] = static_cast<uint8_t>(dst[x >> 1] | (v & 15) << ((x & 1) ? 0 : 4));
    } else {
      dst[x] = static_cast<uint8_t>(v);
    }
  }
}

// Hold-and-modify: the two top planes say whether the other planes index the
// colour map or replace one component of the pixel to the left. Each row
// starts from colour 0, as the display's border colour does.
void StoreHoldAndModify(const std::vector<uint32_t>& values, const Layout& l, const std::vector<Rgb>& colours,
                        uint8_t* dst) {
  const int dataBits = l.planes - 2;
  const uint32_t dataMask = (1u << dataBits) - 1;
  Rgb c = colours[0];
  for (uint32_t v : values) {
    const uint32_t d = v & dataMask;
    // 4-bit components widen by repeating the nibble; 6-bit ones replace the
    // top bits and keep the low two, as the 8-plane display mode does.
    const auto component = [&](uint8_t old) {
      return static_cast<uint8_t>(dataBits == 4 ? d * 17 : (d << 2 | (old & 3u)));
    };
    switch (v >> dataBits) {
      case 0:
        c = colours[d];
        break;
      case 1:
        c.b = component(c.b);
        break;
      case 2:
        c.r = component(c.r);
        break;
      default:
        c.g = component(c.g);
        break;
    }
    *dst++ = c.b;
    *dst++ = c.g;
    *dst++ = c.r;
  }
}

Outcome Decode(const uint8_t* data, size_t size, dib* out) {
  Chunks c;
  Layout l;
  if (Outcome found = FindChunks(data, size, &c); !found.done()) return found;
  if (Outcome laid = ReadLayout(c, &l); !laid.done()) return laid;
  if (Outcome held = BodyCanHoldRows(l, c.body.size); !held.done()) return held;

  std::vector<Rgb> colours;
  int bits = 24;
  if (l.kind != Kind::TrueColour) {
    const int count = l.kind == Kind::HoldAndModify ? 1 << (l.planes - 2) : 1 << l.planes;
    colours = ReadColours(c, l, count);
    if (l.kind == Kind::Paletted) bits = count <= 2 ? 1 : count <= 16 ? 4 : 8;
  }
  if (bits <= 8) {
    BitmapInfo table;
    std::memset(&table, 0, sizeof table);
    for (size_t i = 0; i < colours.size(); ++i) table.bmiColors[i] = {colours[i].b, colours[i].g, colours[i].r, 0};
    newdib(out, l.width, l.height, bits, &table, 256);
  } else {
    newdib(out, l.width, l.height, 24, nullptr, 0);
  }
  if (out->poi == nullptr)
    return FailedDamaged("the picture of " + std::to_string(l.width) + " x " + std::to_string(l.height) +
                         " pixels is too large for the memory available");

  std::vector<uint8_t> row(l.fileRowBytes);
  std::vector<uint32_t> values(static_cast<size_t>(l.width));
  const uint8_t* in = c.body.data;
  const uint8_t* const end = c.body.data + c.body.size;
  for (int32_t y = 0; y < l.height; ++y) {
    if (l.compressed) {
      if (!UnpackRow(&in, end, row.data(), row.size()))
        return FailedDamaged("the compressed BODY ends in row " + std::to_string(y + 1) + " of " +
                             std::to_string(l.height));
    } else {
      std::memcpy(row.data(), in, row.size());  // BodyCanHoldRows checked the length
      in += row.size();
    }
    uint8_t* dst = out->poi + static_cast<int64_t>(l.height - 1 - y) * out->bytew;
    if (l.chunky) {
      std::copy_n(row.data(), l.width, dst);
      continue;
    }
    switch (l.kind) {
      case Kind::Paletted:
        GatherPlanes(row.data(), l, l.planes, &values);
        StoreIndexes(values, bits, dst);
        break;
      case Kind::HoldAndModify:
        GatherPlanes(row.data(), l, l.planes, &values);
        StoreHoldAndModify(values, l, colours, dst);
        break;
      case Kind::TrueColour:
        // Red in planes 0-7, green 8-15, blue 16-23; an alpha plane set beyond is ignored.
        GatherPlanes(row.data(), l, 24, &values);
        for (uint32_t v : values) {
          *dst++ = static_cast<uint8_t>(v >> 16);
          *dst++ = static_cast<uint8_t>(v >> 8);
          *dst++ = static_cast<uint8_t>(v);
        }
        break;
    }
  }
  return Outcome::Done();
}

// ByteRun1: repeat runs for 3 or more equal bytes (a pair costs no more
// inside a literal), literal runs for everything between, 128 bytes at most each.
void PackRow(const uint8_t* src, size_t n, std::vector<uint8_t>* out) {
  size_t i = 0;
  while (i < n) {
    size_t run = 1;
    while (i + run < n && run < kMaxRun && src[i + run] == src[i]) ++run;
    if (run >= 3) {
      out->push_back(static_cast<uint8_t>(257 - run));
      out->push_back(src[i]);
      i += run;
      continue;
    }
    const size_t start = i;
    while (i < n && i - start < kMaxRun) {
      if (i + 2 < n && src[i] == src[i + 1] && src[i] == src[i + 2]) break;
      ++i;
    }
    out->push_back(static_cast<uint8_t>(i - start - 1));
    out->insert(out->end(), src + start, src + i);
  }
}

}  // namespace

Outcome ReadIlbm(std::span<const uint8_t> bytes, dib& picture, Progress* /*progress*/) {
  return DecodeInto(picture, [&](dib& out) {
    return bytes.empty() ? Outcome::Failed(FileProblem::Empty, "the file is empty")
                         : Decode(bytes.data(), bytes.size(), &out);
  });
}

bool EncodeIlbm(const dib& picture, std::vector<uint8_t>* out) {
  out->clear();
  const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
  if (picture.poi == nullptr || w <= 0 || h <= 0 || w > 65535 || h > 65535) return false;
  const size_t planeRowBytes = (static_cast<size_t>(w) + 15) / 16 * 2;
  constexpr size_t kHeadBytes = kHeaderBytes + kChunkHeaderBytes + kBmhdBytes + kChunkHeaderBytes;
  constexpr size_t kMaxBody = UINT32_MAX - kHeadBytes;

  std::vector<uint8_t> body;
  std::vector<uint8_t> planes(24 * planeRowBytes);
  for (int32_t y = 0; y < h; ++y) {
    std::fill(planes.begin(), planes.end(), uint8_t{0});
    for (int32_t x = 0; x < w; ++x) {
      // red + 256 × green + 65536 × blue: bit k goes to plane k.
      const uint32_t colour = DibPixelColour(picture, x, y);
      const auto bit = static_cast<uint8_t>(0x80u >> (x & 7));
      for (size_t k = 0; k < 24; ++k)
        if ((colour >> k & 1u) != 0) planes[k * planeRowBytes + static_cast<size_t>(x >> 3)] |= bit;
    }
    for (size_t k = 0; k < 24; ++k) PackRow(planes.data() + k * planeRowBytes, planeRowBytes, &body);
    if (body.size() > kMaxBody) return false;
  }
  const size_t pad = body.size() & 1;
  if (body.size() + pad > kMaxBody) return false;

  out->reserve(kHeadBytes + body.size() + pad);
  out->insert(out->end(), {'F', 'O', 'R', 'M'});
  PutBig32(*out, static_cast<uint32_t>(kHeadBytes - 8 + body.size() + pad));
  out->insert(out->end(), {'I', 'L', 'B', 'M', 'B', 'M', 'H', 'D'});
  PutBig32(*out, kBmhdBytes);
  PutBig16(*out, static_cast<uint32_t>(w));
  PutBig16(*out, static_cast<uint32_t>(h));
  PutBig32(*out, 0);                               // x, y position
  out->insert(out->end(), {24, 0, kByteRun1, 0});  // planes, masking, compression, pad
  PutBig16(*out, 0);                               // transparent colour
  out->insert(out->end(), {1, 1});                 // x and y aspect: square pixels
  // Page size is a signed 16-bit field; it only advises.
  PutBig16(*out, static_cast<uint32_t>(std::min(w, 32767)));
  PutBig16(*out, static_cast<uint32_t>(std::min(h, 32767)));
  out->insert(out->end(), {'B', 'O', 'D', 'Y'});
  PutBig32(*out, static_cast<uint32_t>(body.size()));
  out->insert(out->end(), body.begin(), body.end());
  if (pad) out->push_back(0);
  return true;
}

}  // namespace trellimap
