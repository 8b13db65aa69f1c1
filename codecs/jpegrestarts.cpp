#include "codecs/jpegrestarts.h"

#include <cstring>

namespace trellimap {
namespace {

constexpr uint8_t kMarker = 0xFF, kStart = 0xD8, kEnd = 0xD9, kFirstRestart = 0xD0, kLastRestart = 0xD7;
constexpr uint8_t kBaseline = 0xC0, kExtended = 0xC1, kRestartInterval = 0xDD, kScan = 0xDA;

size_t Be16(std::span<const uint8_t> b, size_t at) { return size_t{b[at]} << 8 | b[at + 1]; }

// What the cut needs of the header: where the frame's height is written,
// where the coded data begin, and the blocks the scan walks through.
struct Header {
  size_t heightAt = 0, dataFrom = 0;
  int64_t width = 0, height = 0;
  int64_t unitWidth = 8, unitHeight = 8;  // the pixels one step of the scan covers
  int64_t interval = 0;                   // steps between restart markers
};

std::optional<Header> ReadHeader(std::span<const uint8_t> b) {
  if (b.size() < 4 || b[0] != kMarker || b[1] != kStart) return std::nullopt;
  Header h;
  int components = 0;
  for (size_t at = 2;;) {
    if (at + 4 > b.size() || b[at] != kMarker) return std::nullopt;
    const uint8_t marker = b[at + 1];
    if (marker == kMarker) {  // a fill byte before the marker
      ++at;
      continue;
    }
    const size_t length = Be16(b, at + 2), body = at + 4;
    if (length < 2 || at + 2 + length > b.size()) return std::nullopt;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      // A frame: only sequential ones with Huffman codes are cut.
      if ((marker != kBaseline && marker != kExtended) || components > 0 || length < 8) return std::nullopt;
      h.height = static_cast<int64_t>(Be16(b, body + 1));
      h.width = static_cast<int64_t>(Be16(b, body + 3));
      components = b[body + 5];
      if (components < 1 || components > 4 || length != 8 + 3 * static_cast<size_t>(components)) return std::nullopt;
      h.heightAt = body + 1;
      int64_t widest = 1, tallest = 1;
      for (int c = 0; c < components; ++c) {
        const uint8_t sampling = b[body + 7 + 3 * c];
        const int horizontal = sampling >> 4, vertical = sampling & 15;
        if (horizontal < 1 || horizontal > 4 || vertical < 1 || vertical > 4) return std::nullopt;
        widest = std::max<int64_t>(widest, horizontal), tallest = std::max<int64_t>(tallest, vertical);
      }
      // A scan of one component steps block by block, one of several by
      // the blocks of every component over the same pixels.
      if (components > 1) h.unitWidth = 8 * widest, h.unitHeight = 8 * tallest;
    } else if (marker == kRestartInterval) {
      if (length != 4) return std::nullopt;
      h.interval = static_cast<int64_t>(Be16(b, body));
    } else if (marker == kScan) {
      // One scan holding every component.
      if (components == 0 || length < 6 || b[body] != components) return std::nullopt;
      h.dataFrom = at + 2 + length;
      if (h.width == 0 || h.height == 0 || h.interval == 0) return std::nullopt;
      return h;
    } else if ((marker >= kFirstRestart && marker <= kEnd) || marker == 0x01) {
      return std::nullopt;  // a marker that stands alone, where a segment belongs
    }
    at += 2 + length;
  }
}

}  // namespace

std::optional<JpegHalves> SplitAtRestart(std::span<const uint8_t> b) {
  const std::optional<Header> header = ReadHeader(b);
  if (!header) return std::nullopt;
  const Header& h = *header;
  // The restart markers in the coded data, each numbered one on from the last.
  std::vector<size_t> restarts;
  size_t end = 0;
  for (size_t at = h.dataFrom; at + 1 < b.size();) {
    const void* found = std::memchr(b.data() + at, kMarker, b.size() - at - 1);
    if (found == nullptr) break;
    at = static_cast<size_t>(static_cast<const uint8_t*>(found) - b.data());
    const uint8_t next = b[at + 1];
    if (next == 0 || next == kMarker) {  // a coded 0xFF, or a fill byte
      at += next == 0 ? 2 : 1;
      continue;
    }
    if (next == kEnd) {
      end = at;
      break;
    }
    if (next < kFirstRestart || next > kLastRestart || next - kFirstRestart != static_cast<int>(restarts.size() % 8))
      return std::nullopt;  // another scan, a line count, or a marker out of sequence
    restarts.push_back(at);
    at += 2;
  }
  const int64_t perRow = (h.width + h.unitWidth - 1) / h.unitWidth;
  const int64_t rows = (h.height + h.unitHeight - 1) / h.unitHeight;
  if (end == 0 || static_cast<int64_t>(restarts.size()) != (perRow * rows + h.interval - 1) / h.interval - 1)
    return std::nullopt;
  // Cut at the row of steps nearest the middle, each half holding one row
  // more past it: the decoder smooths colour across rows, and with the row
  // beyond at hand each half's own rows come out as from the whole stream.
  // Both ends of that row must have a marker, as every row's have where the
  // interval divides a row.
  if (perRow % h.interval != 0 || rows < 4) return std::nullopt;
  const int64_t middle = rows / 2, markersPerRow = perRow / h.interval;
  const size_t upperEnd = restarts[static_cast<size_t>((middle + 1) * markersPerRow - 1)];
  const size_t lowerStart = restarts[static_cast<size_t>((middle - 1) * markersPerRow - 1)] + 2;
  JpegHalves halves;
  halves.width = static_cast<int32_t>(h.width);
  halves.height = static_cast<int32_t>(h.height);
  halves.seam = static_cast<int32_t>(middle * h.unitHeight);
  halves.overlap = static_cast<int32_t>(h.unitHeight);
  const auto withHeight = [&](int64_t height) {
    std::vector<uint8_t> stream(b.begin(), b.begin() + static_cast<ptrdiff_t>(h.dataFrom));
    stream[h.heightAt] = static_cast<uint8_t>(height >> 8);
    stream[h.heightAt + 1] = static_cast<uint8_t>(height);
    return stream;
  };
  halves.upper = withHeight(halves.seam + halves.overlap);
  halves.upper.insert(halves.upper.end(), b.begin() + static_cast<ptrdiff_t>(h.dataFrom),
                      b.begin() + static_cast<ptrdiff_t>(upperEnd));
  halves.lower = withHeight(h.height - (halves.seam - halves.overlap));
  const size_t lowerFrom = halves.lower.size();
  halves.lower.insert(halves.lower.end(), b.begin() + static_cast<ptrdiff_t>(lowerStart),
                      b.begin() + static_cast<ptrdiff_t>(end));
  // The lower half's markers numbered afresh from its start.
  const size_t first = static_cast<size_t>((middle - 1) * markersPerRow);
  for (size_t m = first; m < restarts.size(); ++m)
    halves.lower[lowerFrom + restarts[m] - lowerStart + 1] = static_cast<uint8_t>(kFirstRestart + (m - first) % 8);
  for (std::vector<uint8_t>* half : {&halves.upper, &halves.lower}) half->insert(half->end(), {kMarker, kEnd});
  return halves;
}

}  // namespace trellimap
