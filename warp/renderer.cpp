#include "warp/renderer.h"

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/processor.h"
#include "image/pixmill3.h"
#include "warp/edgewalk.h"
#include "warp/gridaxis.h"
#include "warp/warpmath.h"

namespace trellimap {
namespace {

// The grid point's x and y on one outline; the points on sides 1 and 3 depend
// only on the column, so each is sampled once per column.
struct OutlineGrid {
  GridAxis x, y;

  OutlineGrid(TDynaArray& outline, int32_t W, int32_t H) : x(static_cast<size_t>(W), H), y(static_cast<size_t>(W), H) {
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

// A picture's pixels as the warp reads them: colours, 0 off the picture.
struct PictureReader {
  const dib* d;
  int32_t w, h;
  bool direct;  // 24 bits: rows are read in place

  explicit PictureReader(const dib& picture)
      : d(&picture),
        w(DibWidth(&picture)),
        h(DibHeight(&picture)),
        direct(DibBitCount(&picture) == 24 && picture.poi != nullptr) {}

  bool Inside(int32_t x, int32_t y) const {
    return static_cast<uint32_t>(x) < static_cast<uint32_t>(w) && static_cast<uint32_t>(y) < static_cast<uint32_t>(h);
  }
  // Blue, green, red of (x, y) into bgr.
  void Read(int32_t x, int32_t y, uint8_t* bgr) const {
    if (!Inside(x, y)) {
      bgr[0] = bgr[1] = bgr[2] = 0;
    } else if (direct) {
      std::memcpy(bgr, d->poi + static_cast<int64_t>(h - 1 - y) * d->bytew + 3 * static_cast<int64_t>(x), 3);
    } else {
      const uint32_t c = DibPixelColour(*d, x, y);
      bgr[0] = static_cast<uint8_t>(c >> 16);
      bgr[1] = static_cast<uint8_t>(c >> 8);
      bgr[2] = static_cast<uint8_t>(c);
    }
  }
};

// A grid point ready to be written: the result's byte offset (negative: off
// the result, nothing is written) and the colour, blue, green, red.
struct StagedPoint {
  int32_t offset;
  uint8_t bgr[4];  // the fourth byte is not written
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
__attribute__((target_clones("avx512f", "avx2", "default"))) void PixelOffsets(const int32_t* xs, const int32_t* ys,
                                                                               size_t n, int32_t w, int32_t h,
                                                                               int32_t bytew, int32_t* out) {
  const auto uw = static_cast<uint32_t>(w), uh = static_cast<uint32_t>(h), ubytew = static_cast<uint32_t>(bytew);
  for (size_t u = 0; u < n; ++u) {
    const auto x = static_cast<uint32_t>(xs[u]), y = static_cast<uint32_t>(ys[u]);
    const uint32_t offset = (uh - 1 - y) * ubytew + 3 * x;
    out[u] = (x < uw) & (y < uh) ? static_cast<int32_t>(offset) : -1;
  }
}

// The common case of StageRows: a 24-bit source copied as it is, from
// point `from` on.
void StageCopies(const int32_t* writeAt, const int32_t* readAt, size_t from, size_t n, const uint8_t* source,
                 StagedPoint* out, int32_t& lowest, int32_t& highest) {
  for (size_t u = from; u < n; ++u) {
    uint32_t word = 0;
    if (readAt[u] >= 0) std::memcpy(&word, source + readAt[u], 4);  // one word: pixel blocks have slack
    out[u].offset = writeAt[u];
    std::memcpy(out[u].bgr, &word, 4);
    // Points off the result (offset −1) are not written and do not count.
    if (writeAt[u] >= 0) lowest = std::min(lowest, writeAt[u]);
    highest = std::max(highest, writeAt[u]);
  }
}

// The same sixteen points at a time, the source words gathered under a mask;
// returns how many points it did. GCC's own intrinsics header trips its
// uninitialised-value warnings here; the values it means are never read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
__attribute__((target("avx512f"))) size_t StageCopiesAvx512(const int32_t* writeAt, const int32_t* readAt, size_t n,
                                                            const uint8_t* source, StagedPoint* out, int32_t& lowest,
                                                            int32_t& highest) {
  const __m512i none = _mm512_setzero_si512(), offEdge = _mm512_set1_epi32(INT32_MAX);
  // Offsets and words paired in the order of the points.
  const __m512i firstPairs = _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
  const __m512i secondPairs = _mm512_setr_epi32(8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
  __m512i low = _mm512_set1_epi32(lowest), high = _mm512_set1_epi32(highest);
  size_t u = 0;
  for (; u + 16 <= n; u += 16) {
    const __m512i write = _mm512_loadu_si512(writeAt + u), read = _mm512_loadu_si512(readAt + u);
    const __m512i words = _mm512_mask_i32gather_epi32(none, _mm512_cmpge_epi32_mask(read, none), read, source, 1);
    _mm512_storeu_si512(out + u, _mm512_permutex2var_epi32(write, firstPairs, words));
    _mm512_storeu_si512(out + u + 8, _mm512_permutex2var_epi32(write, secondPairs, words));
    low = _mm512_min_epi32(low, _mm512_mask_mov_epi32(offEdge, _mm512_cmpge_epi32_mask(write, none), write));
    high = _mm512_max_epi32(high, write);
  }
  lowest = _mm512_reduce_min_epi32(low);
  highest = _mm512_reduce_max_epi32(high);
  return u;
}
#pragma GCC diagnostic pop

// Works out rows [first, end) into `staged` (in grid order): coordinates,
// reads and blends, everything but the writes, which must keep the grid's
// order. The rows are worked through in tiles of columns: a row of the grid
// crosses many rows of the source picture along a bent outline, and a tile
// keeps the pixels that neighbouring grid rows read in the cache.
// Returns the lowest and highest offset written (the lowest above the highest
// when nothing is).
std::pair<int32_t, int32_t> StageRows(const Job& job, int32_t first, int32_t end, std::vector<StagedPoint>& staged) {
  int32_t lowest = INT32_MAX, highest = -1;
  constexpr size_t kTile = 256;
  const size_t W = static_cast<size_t>(job.W);
  int32_t rx[kTile], ry[kTile], wx[kTile], wy[kTile], readAt[kTile], writeAt[kTile];
  staged.resize(W * static_cast<size_t>(end - first));
  const PictureReader& source = job.source;
  const PictureReader& destination = job.destination;
  // Pictures of other depths are read by coordinates; 24-bit ones by offsets alone.
  const bool byOffsets = source.direct && (destination.direct || !job.transparent);
  const PixelLayout readLayout{source.w, source.h, source.direct ? source.d->bytew : 0};
  const PixelLayout writeLayout{job.W, job.H, job.bytew};
  for (size_t begin = 0; begin < W; begin += kTile) {
    const size_t n = std::min(kTile, W - begin);
    for (int32_t v = first; v < end; ++v) {
      // The result has the destination's size, so one offset serves both.
      if (byOffsets) {
        MapRow(job.read->x, job.read->y, job.write->x, job.write->y, v, begin, begin + n, readLayout, writeLayout,
               readAt, writeAt);
      } else {
        job.read->x.Row(v, begin, begin + n, rx);
        job.read->y.Row(v, begin, begin + n, ry);
        job.write->x.Row(v, begin, begin + n, wx);
        job.write->y.Row(v, begin, begin + n, wy);
        PixelOffsets(wx, wy, n, job.W, job.H, job.bytew, writeAt);
        if (source.direct) PixelOffsets(rx, ry, n, source.w, source.h, source.d->bytew, readAt);
      }
      StagedPoint* out = staged.data() + static_cast<size_t>(v - first) * W + begin;
      if (source.direct && !job.transparent) {
        const size_t done =
            HasAvx512() ? StageCopiesAvx512(writeAt, readAt, n, source.d->poi, out, lowest, highest) : 0;
        StageCopies(writeAt, readAt, done, n, source.d->poi, out, lowest, highest);
        continue;
      }
      for (size_t u = 0; u < n; ++u, ++out) {
        out->offset = writeAt[u];
        if (out->offset < 0) continue;  // off the result: nothing is written
        lowest = std::min(lowest, out->offset);
        highest = std::max(highest, out->offset);
        if (!source.direct)
          source.Read(rx[u], ry[u], out->bgr);
        else if (readAt[u] >= 0)
          std::memcpy(out->bgr, source.d->poi + readAt[u], 4);  // one word: pixel blocks have slack
        else
          out->bgr[0] = out->bgr[1] = out->bgr[2] = 0;
        if (job.transparent) {
          uint8_t partner[3];
          if (destination.direct)
            std::memcpy(partner, destination.d->poi + out->offset, 3);
          else
            destination.Read(wx[u], wy[u], partner);
          for (int i = 0; i < 3; ++i) out->bgr[i] = static_cast<uint8_t>((out->bgr[i] + partner[i]) >> 1);
        }
      }
    }
  }
  return {lowest, highest};
}

void CommitRows(const std::vector<StagedPoint>& staged, uint8_t* pixels) {
  for (const StagedPoint& p : staged)
    if (p.offset >= 0) std::memcpy(pixels + p.offset, p.bgr, 3);
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
  auto worker = [&](int32_t t) {
    std::vector<StagedPoint> staged;
    for (int32_t k = t; k < chunks && committed.load() != kHalted; k += threads) {
      const auto [lowest, highest] = StageRows(job, k * chunkRows, std::min(job.H, (k + 1) * chunkRows), staged);
      int32_t done = committed.load();
      for (; done != k && done != kHalted; done = committed.load()) committed.wait(done);
      if (done == kHalted) break;
      prepared.Cover(lowest, highest);
      CommitRows(staged, pixels);
      committed.store(t == 0 && !Continue(progress, static_cast<double>(k + 1) / chunks) ? kHalted : k + 1);
      committed.notify_all();
    }
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(worker, t);
  worker(0);
  for (std::thread& h : helpers) h.join();
  prepared.Finish();
  return committed.load() != kHalted;
}

// The destination's colours, one pixel at a time, for a destination whose
// rows are not laid out like the result's.
int ThreadCount(int requested, int32_t W, int32_t H) {
  if (requested > 0) return requested;
  if (int64_t{W} * H < (int64_t{1} << 16)) return 1;  // not worth a thread
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace

DirectionParts PartsOf(Workspace& ws, WarpDirection direction) {
  if (direction == WarpDirection::OneIntoTwo) return {ws.di1, ws.punkte1, ws.di2, ws.punkte2, ws.di3};
  return {ws.di2, ws.punkte2, ws.di1, ws.punkte1, ws.di4};
}

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

bool RenderWith(bool (*render)(const DirectionParts&, const RenderOptions&), Workspace& ws, WarpDirection direction,
                int threads) {
  if (!OutlinesComplete(ws)) return false;
  render(PartsOf(ws, direction), OptionsOf(ws, threads));
  return true;
}

bool RenderDirection(Workspace& ws, WarpDirection direction, int threads) {
  return RenderWith(RenderExact, ws, direction, threads);
}

bool RenderExact(const DirectionParts& parts, const RenderOptions& options) {
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
  return RenderGrid(job, result.poi, start, ThreadCount(options.threads, W, H), options.progress);
}

}  // namespace trellimap
