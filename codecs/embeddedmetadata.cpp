#include "codecs/embeddedmetadata.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "codecs/colourprofile.h"
#include "codecs/orientation.h"

namespace trellimap {
namespace {

// Profiles beyond this size are damage, not colour.
constexpr size_t kMaxProfileBytes = size_t{16} << 20;

// A window onto the file's bytes whose reads never leave it.
struct Bytes {
  const uint8_t* data = nullptr;
  size_t size = 0;

  bool Has(size_t at, size_t n) const { return at <= size && n <= size - at; }
  Bytes Part(size_t at, size_t n) const { return Has(at, n) ? Bytes{data + at, n} : Bytes{}; }
  bool Is(size_t at, std::string_view text) const {
    return Has(at, text.size()) && std::memcmp(data + at, text.data(), text.size()) == 0;
  }
  uint64_t Big(size_t at, size_t n) const {
    uint64_t v = 0;
    for (size_t i = 0; i < n && Has(at, n); ++i) v = v << 8 | data[at + i];
    return v;
  }
  uint64_t Little(size_t at, size_t n) const {
    uint64_t v = 0;
    for (size_t i = n; i-- > 0 && Has(at, n);) v = v << 8 | data[at + i];
    return v;
  }
  std::vector<uint8_t> Copy() const { return {data, data + size}; }
};

// The value of tag 0x0112 in the first directory of a TIFF structure, or of
// `wanted` when it is another; the tag's bytes for profiles.
struct TiffReader {
  Bytes b;
  bool big = false;

  std::optional<TiffReader> static Of(Bytes b) {
    if (b.Is(0, "II*\0")) return TiffReader{b, false};
    if (b.Is(0, std::string_view("MM\0*", 4))) return TiffReader{b, true};
    return std::nullopt;
  }
  uint64_t Read(size_t at, size_t n) const { return big ? b.Big(at, n) : b.Little(at, n); }
  // The entry of `tag` in the first directory: its type, count and the offset of its value field.
  std::optional<size_t> Entry(uint16_t tag) const {
    const uint64_t directory = Read(4, 4);
    if (!b.Has(directory, 2)) return std::nullopt;
    const uint64_t entries = Read(directory, 2);
    for (uint64_t i = 0; i < entries; ++i) {
      const size_t at = directory + 2 + i * 12;
      if (!b.Has(at, 12)) return std::nullopt;
      if (Read(at, 2) == tag) return at;
    }
    return std::nullopt;
  }
  int Orientation() const {
    const std::optional<size_t> at = Entry(0x0112);
    if (!at || Read(*at + 2, 2) != 3 || Read(*at + 4, 4) < 1) return 1;  // a SHORT
    const auto value = static_cast<int>(Read(*at + 8, 2));
    return value >= 1 && value <= 8 ? value : 1;
  }
  std::vector<uint8_t> Profile() const {
    const std::optional<size_t> at = Entry(0x8773);
    if (!at) return {};
    const uint64_t count = Read(*at + 4, 4);
    if (count <= 4 || count > kMaxProfileBytes) return {};  // a profile never fits in the entry itself
    return b.Part(Read(*at + 8, 4), count).Copy();
  }
};

int OrientationOf(Bytes exif) {
  if (exif.Is(0, std::string_view("Exif\0\0", 6))) exif = exif.Part(6, exif.size - 6);
  const std::optional<TiffReader> tiff = TiffReader::Of(exif);
  return tiff ? tiff->Orientation() : 1;
}

// JPEG: APP1 "Exif" and the APP2 "ICC_PROFILE" chunks in their order, up to
// the first scan.
EmbeddedMetadata FromJpeg(Bytes b) {
  EmbeddedMetadata m;
  std::vector<std::pair<uint64_t, Bytes>> chunks;
  size_t at = 2;
  while (b.Has(at, 4) && b.data[at] == 0xFF) {
    const uint8_t marker = b.data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) break;
    const uint64_t length = b.Big(at + 2, 2);
    if (length < 2) break;
    const Bytes body = b.Part(at + 4, length - 2);
    if (marker == 0xE1 && body.Is(0, std::string_view("Exif\0\0", 6)) && m.orientation == 1)
      m.orientation = OrientationOf(body);
    if (marker == 0xE2 && body.Is(0, std::string_view("ICC_PROFILE\0", 12)) && body.Has(12, 2))
      chunks.emplace_back(body.data[12], body.Part(14, body.size - 14));
    at += 2 + length;
  }
  std::stable_sort(chunks.begin(), chunks.end(), [](const auto& a, const auto& c) { return a.first < c.first; });
  for (const auto& [sequence, chunk] : chunks)
    if (m.iccProfile.size() + chunk.size <= kMaxProfileBytes)
      m.iccProfile.insert(m.iccProfile.end(), chunk.data, chunk.data + chunk.size);
  return m;
}

// A zlib stream inflated, within the profile limit; empty when damaged.
std::vector<uint8_t> Inflated(Bytes deflated) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return {};
  std::vector<uint8_t> out;
  z.next_in = const_cast<Bytef*>(deflated.data);
  z.avail_in = static_cast<uInt>(std::min<size_t>(deflated.size, UINT32_MAX));
  int status = Z_OK;
  while (status == Z_OK && out.size() < kMaxProfileBytes) {
    const size_t before = out.size();
    out.resize(before + 65536);
    z.next_out = out.data() + before;
    z.avail_out = 65536;
    status = inflate(&z, Z_NO_FLUSH);
    out.resize(before + 65536 - z.avail_out);
  }
  inflateEnd(&z);
  return status == Z_STREAM_END ? out : std::vector<uint8_t>{};
}

// PNG: eXIf and iCCP anywhere among the chunks.
EmbeddedMetadata FromPng(Bytes b) {
  EmbeddedMetadata m;
  for (size_t at = 8; b.Has(at, 8);) {
    const uint64_t length = b.Big(at, 4);
    const Bytes body = b.Part(at + 8, length);
    if (b.Is(at + 4, "eXIf")) m.orientation = OrientationOf(body);
    if (b.Is(at + 4, "iCCP")) {
      const uint8_t* name = std::find(body.data, body.data + body.size, uint8_t{0});
      const size_t after = static_cast<size_t>(name - body.data) + 2;  // the name's end and the method
      if (after <= body.size) m.iccProfile = Inflated(body.Part(after, body.size - after));
    }
    if (b.Is(at + 4, "IEND") || !b.Has(at + 12, length)) break;
    at += 12 + length;
  }
  return m;
}

// WebP: the EXIF and ICCP chunks of a RIFF file.
EmbeddedMetadata FromWebp(Bytes b) {
  EmbeddedMetadata m;
  for (size_t at = 12; b.Has(at, 8);) {
    const uint64_t length = b.Little(at + 4, 4);
    const Bytes body = b.Part(at + 8, length);
    if (b.Is(at, "EXIF")) m.orientation = OrientationOf(body);
    if (b.Is(at, "ICCP") && length <= kMaxProfileBytes) m.iccProfile = body.Copy();
    at += 8 + length + (length & 1);
  }
  return m;
}

// One box of an ISO base media file: its type and what it holds.
struct Box {
  Bytes type, body;
};

// The boxes in `b`, in order; a damaged one ends the list.
std::vector<Box> BoxesIn(Bytes b) {
  std::vector<Box> boxes;
  for (size_t at = 0; b.Has(at, 8);) {
    uint64_t size = b.Big(at, 4);
    size_t header = 8;
    if (size == 1) {
      size = b.Big(at + 8, 8);
      header = 16;
    } else if (size == 0) {
      size = b.size - at;
    }
    if (size < header || !b.Has(at, size)) break;
    boxes.push_back({b.Part(at + 4, 4), b.Part(at + header, size - header)});
    at += size;
  }
  return boxes;
}

// The first box of `type`, by value: the list it comes from is often a temporary.
std::optional<Box> Find(const std::vector<Box>& boxes, std::string_view type) {
  for (const Box& box : boxes)
    if (box.type.Is(0, type)) return box;
  return std::nullopt;
}

// HEIF and AVIF: the Exif item's orientation, unless the file turns or
// mirrors its picture itself (which the HEIF decoder does, and which is
// noted for AVIF, whose decoder does not), and the colr profile.
EmbeddedMetadata FromHeif(Bytes b) {
  EmbeddedMetadata m;
  const bool avif = b.Is(8, "avif") || b.Is(8, "avis");
  const std::vector<Box> top = BoxesIn(b);
  const std::optional<Box> meta = Find(top, "meta");
  if (!meta || meta->body.size < 4) return m;
  const std::vector<Box> inMeta = BoxesIn(meta->body.Part(4, meta->body.size - 4));
  bool turnedByDecoder = false;
  if (const std::optional<Box> iprp = Find(inMeta, "iprp"))
    if (const std::optional<Box> ipco = Find(BoxesIn(iprp->body), "ipco"))
      for (const Box& property : BoxesIn(ipco->body)) {
        turnedByDecoder = turnedByDecoder || property.type.Is(0, "irot") || property.type.Is(0, "imir");
        // Axis 0 mirrors top to bottom, as the HEIF decoder reads it.
        if (avif && property.type.Is(0, "irot") && property.body.size >= 1) m.quarterTurns = property.body.data[0] & 3;
        if (avif && property.type.Is(0, "imir") && property.body.size >= 1)
          m.mirror = (property.body.data[0] & 1) == 0 ? 4 : 2;
        if (property.type.Is(0, "colr") && (property.body.Is(0, "prof") || property.body.Is(0, "rICC")) &&
            m.iccProfile.empty() && property.body.size - 4 <= kMaxProfileBytes)
          m.iccProfile = property.body.Part(4, property.body.size - 4).Copy();
      }
  // The Exif item: its number from the item list, its bytes from the locations.
  const std::optional<Box> iinf = Find(inMeta, "iinf"), iloc = Find(inMeta, "iloc");
  if (turnedByDecoder || !iinf || !iloc || iinf->body.size < 6) return m;
  const size_t listed = iinf->body.data[0] == 0 ? 6 : 8;
  std::optional<uint64_t> exifItem;
  for (const Box& infe : BoxesIn(iinf->body.Part(listed, iinf->body.size - std::min(listed, iinf->body.size)))) {
    const uint8_t version = infe.body.size > 0 ? infe.body.data[0] : 0;
    if (version < 2) continue;
    const size_t idBytes = version == 2 ? 2 : 4;
    if (infe.body.Is(4 + idBytes + 2, "Exif")) exifItem = infe.body.Big(4, idBytes);
  }
  if (!exifItem) return m;
  const Bytes l = iloc->body;
  if (!l.Has(0, 8)) return m;
  const uint8_t version = l.data[0];
  const size_t offsetBytes = l.data[4] >> 4, lengthBytes = l.data[4] & 15, baseBytes = l.data[5] >> 4;
  const size_t indexBytes = version >= 1 ? l.data[5] & 15 : 0;
  const size_t idBytes = version < 2 ? 2 : 4;
  size_t at = 6;
  const uint64_t items = l.Big(at, idBytes);
  at += idBytes;
  for (uint64_t i = 0; i < items && l.Has(at, idBytes); ++i) {
    const uint64_t id = l.Big(at, idBytes);
    at += idBytes;
    const uint64_t method = version >= 1 ? l.Big(at, 2) & 15 : 0;
    at += (version >= 1 ? 2 : 0) + 2;  // construction method, data reference
    const uint64_t base = l.Big(at, baseBytes);
    at += baseBytes;
    const uint64_t extents = l.Big(at, 2);
    at += 2;
    if (!l.Has(at, 0)) return m;
    if (id == *exifItem && method == 0 && extents >= 1) {
      const uint64_t offset = base + l.Big(at + indexBytes, offsetBytes);
      const uint64_t length = l.Big(at + indexBytes + offsetBytes, lengthBytes);
      // The item starts with the distance from its fourth byte on to the TIFF header.
      const Bytes item = b.Part(offset, length);
      const uint64_t skip = item.Big(0, 4);
      if (item.Has(4, skip)) m.orientation = OrientationOf(item.Part(4 + skip, item.size - 4 - skip));
      return m;
    }
    at += extents * (indexBytes + offsetBytes + lengthBytes);
  }
  return m;
}

}  // namespace

bool ShowAsRecorded(const std::vector<uint8_t>& bytes, dib& picture) {
  const EmbeddedMetadata shown = ReadEmbeddedMetadata(bytes.data(), bytes.size());
  ConvertToSrgb(picture, shown.iccProfile);
  if (shown.quarterTurns == 0 && shown.mirror == 0) return ApplyOrientation(picture, shown.orientation);
  // Anticlockwise quarter turns as the orientations that undo them.
  constexpr int kTurns[] = {1, 8, 3, 6};
  return ApplyOrientation(picture, kTurns[shown.quarterTurns]) && ApplyOrientation(picture, shown.mirror);
}

int ExifOrientation(const uint8_t* exif, size_t length) { return OrientationOf(Bytes{exif, length}); }

EmbeddedMetadata ReadEmbeddedMetadata(const uint8_t* bytes, size_t length) {
  const Bytes b{bytes, length};
  if (b.Has(0, 3) && b.data[0] == 0xFF && b.data[1] == 0xD8 && b.data[2] == 0xFF) return FromJpeg(b);
  if (b.Is(0, "\x89PNG\r\n\x1a\n")) return FromPng(b);
  if (b.Is(0, "RIFF") && b.Is(8, "WEBP")) return FromWebp(b);
  if (b.Is(4, "ftyp")) return FromHeif(b);
  if (const std::optional<TiffReader> tiff = TiffReader::Of(b)) return {tiff->Orientation(), tiff->Profile()};
  // JPEG XL decoders turn the picture by the codestream's own orientation,
  // which its writers keep in step with the EXIF block; its colours come
  // decoded. Other formats carry neither.
  return {};
}

}  // namespace trellimap
