#include "warp/renderer.h"

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/processor.h"
#include "foundation/workers.h"
#include "image/pixmill3.h"
#include "warp/edgewalk.h"
#include "warp/gridaxis.h"
#include "warp/perspectivemap.h"
#include "warp/perspectiverenderer.h"
#include "warp/picturereader.h"
#include "warp/warpmath.h"

namespace trellimap {
namespace {

// The grid point's x and y on one outline; the points on sides 1 and 3 depend
// only on the column, so each is sampled once per column.
struct OutlineGrid {
  GridAxis x, y;

  OutlineGrid(const TDynaArray& outline, int32_t W, int32_t H)
      : x(static_cast<size_t>(W), H), y(static_cast<size_t>(W), H) {
    const SideLengthSet lengths = SideLengths(outline);
    for (int32_t u = 0; u < W; ++u) {
      // A point that is not found (a malformed outline) is taken as (0, 0).
      double tx = 0, ty = 0, bx = 0, by = 0;
      PointOnSide(outline, 1, SampleDistance(u, lengths.L1, W), tx, ty);
      PointOnSide(outline, 3, SampleDistance(W - 1 - u, lengths.L3, W), bx, by);
      x.SetColumn(static_cast<size_t>(u), tx, bx);
      y.SetColumn(static_cast<size_t>(u), ty, by);
    }
  }
};

// A grid point that will be written: the result's byte offset and the
// colour, blue, green, red.
struct StagedPoint {
  int32_t offset;
  uint8_t bgr[4];  // the fourth byte is not written
};

// The points of a chunk of rows that are written, in grid order. A point off
// the result is left out, and so is one whose pixel a later point writes
// again (the next point of its row or the point below it): only the last
// colour of a pixel is ever seen. Most neighbouring grid points share a pixel
// where the destination outline is smaller than its picture, so this saves
// many writes that would land in the same place.
struct StagedChunk {
  std::unique_ptr<StagedPoint[]> points;
  size_t capacity = 0, count = 0;
  // The rows written lie between these offsets: the lowest written and the
  // highest of any point, written or left out (the lowest above the highest
  // when nothing is).
  int32_t lowest = INT32_MAX, highest = -1;

  // Room for n points and the vector stores' spill past the last one.
  void Reset(size_t n) {
    if (capacity < n + kSpill) {
      capacity = n + kSpill;
      points = std::make_unique_for_overwrite<StagedPoint[]>(capacity);
    }
    count = 0;
    lowest = INT32_MAX;
    highest = -1;
  }
  void Add(int32_t offset, uint32_t word) {
    StagedPoint& p = points[count++];
    p.offset = offset;
    std::memcpy(p.bgr, &word, 4);
    lowest = std::min(lowest, offset);
    highest = std::max(highest, offset);
  }
  static constexpr size_t kSpill = 8;
};

struct Job {
  PictureReader source, destination;
  int32_t W, H, bytew;
  bool transparent;
  const OutlineGrid *read, *write;
};

// The byte offsets of pixels (xs[u], ys[u]) in a bottom-up 24-bit picture of
// w × h with rows of `bytew` bytes, or -1 for pixels off the picture. Written
// for the vectoriser, in unsigned arithmetic so that lanes off the picture
// cannot overflow.
TRELLIMAP_CLONES("avx512f", "avx2", "default")
void PixelOffsets(const int32_t* xs, const int32_t* ys, size_t n, int32_t w, int32_t h, int32_t bytew, int32_t* out) {
  const auto uw = static_cast<uint32_t>(w), uh = static_cast<uint32_t>(h), ubytew = static_cast<uint32_t>(bytew);
  for (size_t u = 0; u < n; ++u) {
    const auto x = static_cast<uint32_t>(xs[u]), y = static_cast<uint32_t>(ys[u]);
    const uint32_t offset = (uh - 1 - y) * ubytew + 3 * x;
    out[u] = (x < uw) & (y < uh) ? static_cast<int32_t>(offset) : -1;
  }
}

// One row of a tile mapped: the grid points' coordinates where they are read
// by coordinates, and their byte offsets in the source and in the result
// (−1 off the picture).
struct MappedRow {
  static constexpr size_t kTile = 256;
  int32_t rx[kTile], ry[kTile], wx[kTile], wy[kTile], readAt[kTile];
  int32_t writeAt[kTile + 1];  // one more: −1 after the run's last point
};

// Which points of a row's run are written: those that land on the result and
// whose pixel neither the next point of the row nor the point below it in the
// next row (`below`, all −1 after the last row) writes again.
inline bool Written(const MappedRow& row, const MappedRow& below, size_t u) {
  const int32_t at = row.writeAt[u];
  return at >= 0 && at != row.writeAt[u + 1] && at != below.writeAt[u];
}

// The common case of StageRows: a 24-bit source copied as it is, from
// point `from` on.
void StageCopies(const MappedRow& row, const MappedRow& below, size_t from, size_t n, const uint8_t* source,
                 StagedChunk& out) {
  for (size_t u = from; u < n; ++u) {
    if (!Written(row, below, u)) continue;
    uint32_t word = 0;
    if (row.readAt[u] >= 0) std::memcpy(&word, source + row.readAt[u], 4);  // one word: pixel blocks have slack
    out.Add(row.writeAt[u], word);
  }
}

// The same sixteen points at a time, the source words gathered under a mask
// and the points written packed together; returns how many points it did.
// GCC's own intrinsics header trips its uninitialised-value warnings here; the
// values it means are never read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
__attribute__((target("avx512f"))) size_t StageCopiesAvx512(const MappedRow& row, const MappedRow& below, size_t n,
                                                            const uint8_t* source, StagedChunk& out) {
  const __m512i none = _mm512_setzero_si512(), offEdge = _mm512_set1_epi32(INT32_MAX);
  // Offsets and words paired in the order of the points.
  const __m512i firstPairs = _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
  const __m512i secondPairs = _mm512_setr_epi32(8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
  __m512i low = _mm512_set1_epi32(out.lowest), high = _mm512_set1_epi32(out.highest);
  StagedPoint* to = out.points.get() + out.count;
  size_t u = 0;
  for (; u + 16 <= n; u += 16) {
    const __m512i write = _mm512_loadu_si512(row.writeAt + u), read = _mm512_loadu_si512(row.readAt + u);
    __mmask16 written = _mm512_cmpge_epi32_mask(write, none);
    written = _mm512_mask_cmpneq_epi32_mask(written, write, _mm512_loadu_si512(row.writeAt + u + 1));
    written = _mm512_mask_cmpneq_epi32_mask(written, write, _mm512_loadu_si512(below.writeAt + u));
    const __m512i words =
        _mm512_mask_i32gather_epi32(none, _mm512_mask_cmpge_epi32_mask(written, read, none), read, source, 1);
    const auto first = static_cast<__mmask8>(written), second = static_cast<__mmask8>(written >> 8);
    _mm512_storeu_si512(to, _mm512_maskz_compress_epi64(first, _mm512_permutex2var_epi32(write, firstPairs, words)));
    to += __builtin_popcount(first);
    _mm512_storeu_si512(to, _mm512_maskz_compress_epi64(second, _mm512_permutex2var_epi32(write, secondPairs, words)));
    to += __builtin_popcount(second);
    low = _mm512_min_epi32(low, _mm512_mask_mov_epi32(offEdge, written, write));
    high = _mm512_max_epi32(high, write);
  }
  out.count = static_cast<size_t>(to - out.points.get());
  out.lowest = _mm512_reduce_min_epi32(low);
  out.highest = _mm512_reduce_max_epi32(high);
  return u;
}
#pragma GCC diagnostic pop

// Maps row v of the grid for columns [begin, begin + n) into `row`.
void MapTileRow(const Job& job, int32_t v, size_t begin, size_t n, MappedRow& row) {
  row.writeAt[n] = -1;
  if (v >= job.H) {  // below the last row: nothing
    std::fill_n(row.writeAt, n, -1);
    return;
  }
  const PictureReader& source = job.source;
  // Pictures of other depths are read by coordinates; 24-bit ones by offsets
  // alone. The result has the destination's size, so one offset serves both.
  if (source.direct && (job.destination.direct || !job.transparent)) {
    const PixelLayout readLayout{source.w, source.h, source.d->bytew};
    const PixelLayout writeLayout{job.W, job.H, job.bytew};
    MapRow(job.read->x, job.read->y, job.write->x, job.write->y, v, begin, begin + n, readLayout, writeLayout,
           row.readAt, row.writeAt);
    return;
  }
  job.read->x.Row(v, begin, begin + n, row.rx);
  job.read->y.Row(v, begin, begin + n, row.ry);
  job.write->x.Row(v, begin, begin + n, row.wx);
  job.write->y.Row(v, begin, begin + n, row.wy);
  PixelOffsets(row.wx, row.wy, n, job.W, job.H, job.bytew, row.writeAt);
  if (source.direct) PixelOffsets(row.rx, row.ry, n, source.w, source.h, source.d->bytew, row.readAt);
}

// Stages the written points of one mapped row.
void StageRow(const Job& job, const MappedRow& row, const MappedRow& below, size_t n, StagedChunk& staged) {
  const PictureReader& source = job.source;
  const PictureReader& destination = job.destination;
  if (source.direct && !job.transparent) {
    const size_t done = HasAvx512() ? StageCopiesAvx512(row, below, n, source.d->poi, staged) : 0;
    StageCopies(row, below, done, n, source.d->poi, staged);
    return;
  }
  for (size_t u = 0; u < n; ++u) {
    if (!Written(row, below, u)) continue;
    uint8_t bgr[4] = {0, 0, 0, 0};
    if (!source.direct)
      source.Read(row.rx[u], row.ry[u], bgr);
    else if (row.readAt[u] >= 0)
      std::memcpy(bgr, source.d->poi + row.readAt[u], 4);  // one word: pixel blocks have slack
    if (job.transparent) {
      uint8_t partner[3];
      if (destination.direct)
        std::memcpy(partner, destination.d->poi + row.writeAt[u], 3);
      else
        destination.Read(row.wx[u], row.wy[u], partner);
      for (int i = 0; i < 3; ++i) bgr[i] = static_cast<uint8_t>((bgr[i] + partner[i]) >> 1);
    }
    uint32_t word;
    std::memcpy(&word, bgr, 4);
    staged.Add(row.writeAt[u], word);
  }
}

// Asks for the source pixels a mapped row will read while the row before it
// is staged: along a bent outline the reads wander across source rows in a
// way the processor's own prefetching does not foresee. Neighbouring points
// mostly share a cache line, so every fourth point is enough.
void FetchAhead(const Job& job, const MappedRow& row, size_t n) {
  if (!job.source.direct) return;
  for (size_t u = 0; u < n; u += 4)
    if (row.readAt[u] >= 0) __builtin_prefetch(job.source.d->poi + row.readAt[u]);
}

// Works out rows [first, end) into `staged` (in grid order): coordinates,
// reads and blends, everything but the writes, which must keep the grid's
// order. The rows are worked through in tiles of columns: a row of the grid
// crosses many rows of the source picture along a bent outline, and a tile
// keeps the pixels that neighbouring grid rows read in the cache. Each row is
// mapped a step ahead, so that a point the next row overwrites is left out.
void StageRows(const Job& job, int32_t first, int32_t end, StagedChunk& staged) {
  const size_t W = static_cast<size_t>(job.W);
  MappedRow rows[2];
  staged.Reset(W * static_cast<size_t>(end - first));
  for (size_t begin = 0; begin < W; begin += MappedRow::kTile) {
    const size_t n = std::min(MappedRow::kTile, W - begin);
    MapTileRow(job, first, begin, n, rows[0]);
    for (int32_t v = first; v < end; ++v) {
      const MappedRow& row = rows[(v - first) & 1];
      MappedRow& below = rows[(v - first + 1) & 1];
      MapTileRow(job, v + 1, begin, n, below);
      FetchAhead(job, below, n);
      StageRow(job, row, below, n, staged);
    }
  }
}

void CommitRows(const StagedChunk& staged, uint8_t* pixels) {
  for (size_t i = 0; i < staged.count; ++i) std::memcpy(pixels + staged.points[i].offset, staged.points[i].bgr, 3);
}
// How the result starts before any grid point is written: its bytes are
// cleared or copied from the destination's block.
struct Start {
  const uint8_t* from = nullptr;  // a block of the result's layout to copy, or null to clear
  bool clear = false;             // a reused block needs clearing; a fresh one is zero already
  size_t bytes = 0;
};

// The result's bytes are given their start row by row just before the first
// chunk that writes them, so that they are still in the cache when it does;
// the prepared rows are always one run [begin, end).
class LazyStart {
 public:
  LazyStart(const Start& start, uint8_t* pixels, size_t rowBytes) : start_(start), pixels_(pixels), row_(rowBytes) {}

  // Prepares the rows holding bytes lowest … highest.
  void Cover(int32_t lowest, int32_t highest) {
    if (lowest > highest) return;
    const size_t from = static_cast<size_t>(lowest) / row_ * row_;
    const size_t to = std::min(start_.bytes, (static_cast<size_t>(highest) / row_ + 1) * row_);
    if (begin_ == end_) begin_ = end_ = from;
    if (from < begin_) Prepare(from, begin_), begin_ = from;
    if (to > end_) Prepare(end_, to), end_ = to;
  }
  // Prepares the rows no chunk wrote.
  void Finish() {
    Prepare(0, begin_);
    Prepare(end_, start_.bytes);
  }

 private:
  void Prepare(size_t from, size_t to) {
    if (to <= from) return;
    if (start_.from != nullptr)
      std::memcpy(pixels_ + from, start_.from + from, to - from);
    else if (start_.clear)
      std::memset(pixels_ + from, 0, to - from);
  }

  const Start& start_;
  uint8_t* pixels_;
  size_t row_;
  size_t begin_ = 0, end_ = 0;
};

// Rows are staged in chunks by all threads at once and written chunk by chunk
// in grid order, so a later grid point wins over an earlier one exactly as in
// a single pass. The first thread tells `progress` how many chunks are
// written; when it is told to stop, every thread stops before its next chunk
// and false is returned.
bool RenderGrid(const Job& job, uint8_t* pixels, const Start& start, int threads, Progress* progress) {
  const int32_t chunkRows = std::max(1, (1 << 17) / std::max(job.W, 1));
  const int32_t chunks = (job.H + chunkRows - 1) / chunkRows;
  constexpr int32_t kHalted = -1;  // `committed` once stopped, so that no thread waits for a chunk
  std::atomic<int32_t> committed{0};
  LazyStart prepared(start, pixels, static_cast<size_t>(job.bytew));  // only by the thread whose turn it is
  RunWorkers(threads, [&](int t) {
    StagedChunk staged;
    for (int32_t k = t; k < chunks && committed.load() != kHalted; k += threads) {
      StageRows(job, k * chunkRows, std::min(job.H, (k + 1) * chunkRows), staged);
      int32_t done = committed.load();
      for (; done != k && done != kHalted; done = committed.load()) committed.wait(done);
      if (done == kHalted) break;
      prepared.Cover(staged.lowest, staged.highest);
      CommitRows(staged, pixels);
      committed.store(t == 0 && !Continue(progress, static_cast<double>(k + 1) / chunks) ? kHalted : k + 1);
      committed.notify_all();
    }
  });
  prepared.Finish();
  return committed.load() != kHalted;
}

}  // namespace

bool ReuseOrMake(dib& result, int32_t W, int32_t H, bool& reused) {
  reused = result.poi != nullptr && DibBitCount(&result) == 24 && DibWidth(&result) == W && DibHeight(&result) == H;
  if (reused) return true;
  ReleaseDib(&result);
  newdib(&result, W, H, 24, nullptr, 0);
  return result.poi != nullptr;
}

void FillBackground(dib& result, const dib& destination, bool showoriginal, int32_t x0, int32_t y0, int32_t x1,
                    int32_t y1) {
  const int32_t H = DibHeight(&result);
  const bool copy = DibBitCount(&destination) == 24;
  for (int32_t y = y0; y < y1; ++y) {
    uint8_t* row = result.poi + static_cast<int64_t>(H - 1 - y) * result.bytew + 3 * int64_t{x0};
    if (!showoriginal)
      std::memset(row, 0, 3 * static_cast<size_t>(x1 - x0));
    else if (copy)
      std::memcpy(row, destination.poi + static_cast<int64_t>(H - 1 - y) * destination.bytew + 3 * int64_t{x0},
                  3 * static_cast<size_t>(x1 - x0));
    else
      for (int32_t x = x0; x < x1; ++x) setpixel(result, x, y, DibPixelColour(destination, x, y));
  }
}

bool RenderExact(const DirectionParts& parts, const RenderOptions& options) {
  if (options.perspective) {
    const auto [to, from] = ChosenMaps(parts.destinationOutline, parts.sourceOutline, true);
    if (to.view) return RenderPerspectiveExact(parts, options, to, from);
  }
  const auto [source, sourceOutline, destination, destinationOutline, result] = parts;
  const int32_t W = DibWidth(&destination), H = DibHeight(&destination);
  bool reused = false;
  if (!ReuseOrMake(result, W, H, reused)) return true;  // no memory: the result stays empty
  Start start{nullptr, reused, static_cast<size_t>(result.bytew) * static_cast<size_t>(H)};
  if (options.showoriginal && DibBitCount(&destination) == 24 && destination.bytew == result.bytew) {
    start.from = destination.poi;
  } else if (options.showoriginal) {
    if (reused) std::memset(result.poi, 0, start.bytes);
    FillBackground(result, destination, true, 0, 0, W, H);
    start.clear = false;
  }

  const OutlineGrid read(sourceOutline, W, H);
  const OutlineGrid write(destinationOutline, W, H);
  const Job job{PictureReader(source), PictureReader(destination), W,     H,
                result.bytew,          options.transparent,        &read, &write};
  return RenderGrid(job, result.poi, start, ThreadsFor(options.threads, int64_t{W} * H), options.progress);
}

}  // namespace trellimap
