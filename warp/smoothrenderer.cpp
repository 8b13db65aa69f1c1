#include "warp/smoothrenderer.h"

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "image/pixmill3.h"
#include "warp/smoothmap.h"

namespace trellimap {
namespace {

constexpr int32_t kTile = 64;                    // destination pixels a side
constexpr double kCell = 24;                     // mesh cells about this many destination pixels across
constexpr double kTolerance = 0.03;              // how far a mesh triangle may stray from the map, in pixels
constexpr double kMaxFootprint = 64;             // source pixels across one destination pixel, at most
constexpr int kMinSamples = 2, kMaxSamples = 4;  // samples per pixel a side

// Four floats, red, green, blue and a spare, worked on as one.
using Colour = float __attribute__((vector_size(16)));
using Bytes4 = uint8_t __attribute__((vector_size(4)));

// A picture as the resampler reads it: pixels of four bytes (red, green, blue,
// zero), rows from the top, with a black border of one pixel all round, so
// that a bilinear read near the edge needs no test per pixel. Reads further
// out are black.
struct Level {
  int32_t w = 0, h = 0;
  std::vector<Bytes4> px;  // (w + 2) × (h + 2)

  size_t Stride() const { return static_cast<size_t>(w) + 2; }
  Bytes4* Row(int32_t y) { return px.data() + static_cast<size_t>(y + 1) * Stride() + 1; }
  const Bytes4* Row(int32_t y) const { return px.data() + static_cast<size_t>(y + 1) * Stride() + 1; }

  void Resize(int32_t width, int32_t height) {
    w = width;
    h = height;
    px.assign(Stride() * static_cast<size_t>(h + 2), Bytes4{0, 0, 0, 0});
  }

  // The bilinear value at (u, v), pixel centres at whole numbers.
  Colour Bilinear(double u, double v) const {
    // Shifted by one, the coordinates of any read that touches the picture
    // are not negative, so truncation is the floor.
    const double su = u + 1, sv = v + 1;
    if (!(su >= 0 && su < w + 1 && sv >= 0 && sv < h + 1)) return Colour{0, 0, 0, 0};
    const auto x = static_cast<int32_t>(su), y = static_cast<int32_t>(sv);
    const auto ax = static_cast<float>(su - x), ay = static_cast<float>(sv - y);
    const Bytes4* p = px.data() + static_cast<size_t>(y) * Stride() + static_cast<size_t>(x);
    Colour p0, p1, q0, q1;
    Pair(p, p0, p1);
    Pair(p + Stride(), q0, q1);
    const Colour top = p0 + (p1 - p0) * ax;
    const Colour bottom = q0 + (q1 - q0) * ax;
    return top + (bottom - top) * ay;
  }

 private:
  // Two neighbouring pixels as colours, from one 8-byte load.
  static void Pair(const Bytes4* p, Colour& first, Colour& second) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    first = reinterpret_cast<Colour>(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)));
    second = reinterpret_cast<Colour>(_mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero)));
  }
};

// The source and its halvings, each averaged from the one before over 2 × 2
// pixels (a missing neighbour past an odd edge counts as black, as reads off
// the picture do).
struct Pyramid {
  std::vector<Level> levels;

  // Level 0, its rows shared out among `threads`.
  Pyramid(const dib& picture, int threads) {
    Level base;
    base.Resize(DibWidth(&picture), DibHeight(&picture));
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back([&, t] { Fill(picture, base, t, threads); });
    Fill(picture, base, 0, threads);
    for (std::thread& h : helpers) h.join();
    levels.push_back(std::move(base));
  }

  static void Fill(const dib& picture, Level& base, int part, int parts) {
    const bool direct = DibBitCount(&picture) == 24;
    const int32_t first = base.h * part / parts, end = base.h * (part + 1) / parts;
    for (int32_t y = first; y < end; ++y) {
      const uint8_t* row = picture.poi + static_cast<int64_t>(base.h - 1 - y) * picture.bytew;
      Bytes4* out = base.Row(y);
      for (int32_t x = 0; x < base.w; ++x) {
        if (direct) {
          out[x] = Bytes4{row[3 * x + 2], row[3 * x + 1], row[3 * x], 0};
        } else {
          const uint32_t c = DibPixelColour(picture, x, y);
          out[x] = Bytes4{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16), 0};
        }
      }
    }
  }

  // The level (0 is the source); levels are made before the threads start.
  const Level& Get(int level) const { return levels[static_cast<size_t>(std::min<int>(level, Top()))]; }
  int Top() const { return static_cast<int>(levels.size()) - 1; }

  // Makes the levels up to `level`.
  void Build(int level) {
    while (Top() < level) {
      const Level& from = levels.back();
      Level next;
      next.Resize((from.w + 1) / 2, (from.h + 1) / 2);
      for (int32_t y = 0; y < next.h; ++y) {
        const Bytes4* a = from.Row(2 * y);
        const Bytes4* b = from.Row(2 * y + 1);
        Bytes4* out = next.Row(y);
        for (int32_t x = 0; x < next.w; ++x) {
          const Colour sum = __builtin_convertvector(a[2 * x], Colour) + __builtin_convertvector(a[2 * x + 1], Colour) +
                             __builtin_convertvector(b[2 * x], Colour) + __builtin_convertvector(b[2 * x + 1], Colour);
          for (int k = 0; k < 3; ++k) out[x][k] = static_cast<uint8_t>((sum[k] + 2) / 4);
        }
      }
      levels.push_back(std::move(next));
    }
  }
};

// A mesh triangle: its destination corners and the affine map from
// destination to source coordinates it stands for.
struct Triangle {
  Vec d[3];
  double au, ux, uy, av, vx, vy;  // u = au + ux × X + uy × Y, v likewise
  double footprint;               // source pixels across one destination pixel

  bool Make(const Vec& d0, const Vec& d1, const Vec& d2, const Vec& s0, const Vec& s1, const Vec& s2) {
    d[0] = d0;
    d[1] = d1;
    d[2] = d2;
    const double e1x = d1.x - d0.x, e1y = d1.y - d0.y, e2x = d2.x - d0.x, e2y = d2.y - d0.y;
    const double det = e1x * e2y - e1y * e2x;
    if (!(std::abs(det) > 1e-12)) return false;  // covers no area
    // (alpha, beta) of a point in the triangle's own axes, then the source there.
    const double ax = e2y / det, ay = -e2x / det, bx = -e1y / det, by = e1x / det;
    const double f1u = s1.x - s0.x, f2u = s2.x - s0.x, f1v = s1.y - s0.y, f2v = s2.y - s0.y;
    ux = f1u * ax + f2u * bx;
    uy = f1u * ay + f2u * by;
    vx = f1v * ax + f2v * bx;
    vy = f1v * ay + f2v * by;
    au = s0.x - ux * d0.x - uy * d0.y;
    av = s0.y - vx * d0.x - vy * d0.y;
    footprint = std::min(kMaxFootprint, std::max(std::hypot(ux, vx), std::hypot(uy, vy)));
    return true;
  }
};

// The samples of one tile: colour and whether the region covers it.
struct Samples {
  int n = 2;                                      // per pixel a side
  int32_t x0 = 0, y0 = 0, columns = 0, rows = 0;  // the tile in samples
  std::vector<float> red, green, blue;            // one plane each, row by row
  std::vector<uint8_t> covered;

  void Start(int32_t tileX, int32_t tileY, int perPixel) {
    n = perPixel;
    x0 = tileX;
    y0 = tileY;
    columns = rows = kTile * n;
    for (std::vector<float>* plane : {&red, &green, &blue}) plane->resize(static_cast<size_t>(columns * rows));
    covered.assign(static_cast<size_t>(columns * rows), 0);
  }
  // The destination coordinate of sample index i of a tile starting at pixel p.
  double Position(int32_t p, int32_t i) const { return p - 0.5 + (i + 0.5) / n; }
  // The first sample index at or after coordinate c, kept just outside the
  // tile for coordinates far off it.
  int32_t FirstAtOrAfter(int32_t p, double c) const {
    const double index = std::ceil((c - (p - 0.5)) * n - 0.5);
    if (std::isnan(index)) return -1;
    return static_cast<int32_t>(std::clamp(index, -1.0, static_cast<double>(kTile * n + 1)));
  }
};

struct Job {
  const Mesh* mesh;
  const Pyramid* pyramid;
  const std::vector<std::vector<uint32_t>>* bins;  // cells of each tile, in the map's order
  const std::vector<float>* footprints;            // of each cell
  int32_t W, H, tilesAcross;
  const dib* destination;
  bool showoriginal, transparent;
  uint8_t* pixels;
  int32_t bytew;
};

// Where a cell's two triangles lie, from the mesh.
void CellTriangles(const Mesh& mesh, uint32_t cell, Triangle out[2], bool made[2]) {
  const size_t columns = mesh.Columns() - 1;
  const auto j = static_cast<int32_t>(cell / columns);
  const size_t c = cell % columns;
  const Vec& d00 = mesh.Destination(j, c);
  const Vec& d10 = mesh.Destination(j, c + 1);
  const Vec& d01 = mesh.Destination(j + 1, c);
  const Vec& d11 = mesh.Destination(j + 1, c + 1);
  const Vec& s00 = mesh.Source(j, c);
  const Vec& s10 = mesh.Source(j, c + 1);
  const Vec& s01 = mesh.Source(j + 1, c);
  const Vec& s11 = mesh.Source(j + 1, c + 1);
  made[0] = out[0].Make(d00, d10, d11, s00, s10, s11);
  made[1] = out[1].Make(d00, d11, d01, s00, s11, s01);
}

// Bilinear reads along a span of samples, one at a time.
void ReadSpanScalar(const Level& level, double u, double v, double du, double dv, int count, float* red, float* green,
                    float* blue) {
  for (int i = 0; i < count; ++i, u += du, v += dv) {
    const Colour c = level.Bilinear(u, v);
    red[i] = c[0];
    green[i] = c[1];
    blue[i] = c[2];
  }
}

// One byte of each of eight pixels, as floats.
__attribute__((target("avx2"))) inline __m256 Channel(__m256i pixels, __m256i shift, __m256i low) {
  return _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srlv_epi32(pixels, shift), low));
}

// The same, eight samples at a time: the four pixels around each gathered,
// each channel interpolated across the eight at once.
__attribute__((target("avx2,fma"))) void ReadSpanAvx2(const Level& level, double u, double v, double du, double dv,
                                                      int count, float* red, float* green, float* blue) {
  const __m256 steps = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256 zero = _mm256_setzero_ps();
  const __m256 limitU = _mm256_set1_ps(static_cast<float>(level.w + 1));
  const __m256 limitV = _mm256_set1_ps(static_cast<float>(level.h + 1));
  const __m256 stepU = _mm256_set1_ps(static_cast<float>(du)), stepV = _mm256_set1_ps(static_cast<float>(dv));
  const auto stride = static_cast<int>(level.Stride());
  const __m256i strideV = _mm256_set1_epi32(stride), one = _mm256_set1_epi32(1), low = _mm256_set1_epi32(0xFF);
  const auto* pixels = reinterpret_cast<const int*>(level.px.data());
  // Spans are short (a triangle's width within a tile): the last block of a
  // span takes its remaining lanes under a mask.
  for (int i = 0; i < count; i += 8) {
    const __m256 lanes = _mm256_cmp_ps(steps, _mm256_set1_ps(static_cast<float>(count - i)), _CMP_LT_OQ);
    // Shifted by one, as Level::Bilinear does; each block starts afresh from
    // the exact position, so no rounding piles up along the span.
    const __m256 su = _mm256_fmadd_ps(steps, stepU, _mm256_set1_ps(static_cast<float>(u + i * du + 1)));
    const __m256 sv = _mm256_fmadd_ps(steps, stepV, _mm256_set1_ps(static_cast<float>(v + i * dv + 1)));
    const __m256 inside = _mm256_and_ps(
        lanes,
        _mm256_and_ps(_mm256_and_ps(_mm256_cmp_ps(su, zero, _CMP_GE_OQ), _mm256_cmp_ps(su, limitU, _CMP_LT_OQ)),
                      _mm256_and_ps(_mm256_cmp_ps(sv, zero, _CMP_GE_OQ), _mm256_cmp_ps(sv, limitV, _CMP_LT_OQ))));
    const __m256i x = _mm256_cvttps_epi32(_mm256_and_ps(su, inside));
    const __m256i y = _mm256_cvttps_epi32(_mm256_and_ps(sv, inside));
    const __m256 ax = _mm256_sub_ps(su, _mm256_cvtepi32_ps(x)), ay = _mm256_sub_ps(sv, _mm256_cvtepi32_ps(y));
    const __m256i at = _mm256_add_epi32(_mm256_mullo_epi32(y, strideV), x);
    const __m256i p0 = _mm256_i32gather_epi32(pixels, at, 4);
    const __m256i p1 = _mm256_i32gather_epi32(pixels, _mm256_add_epi32(at, one), 4);
    const __m256i q0 = _mm256_i32gather_epi32(pixels, _mm256_add_epi32(at, strideV), 4);
    const __m256i q1 = _mm256_i32gather_epi32(pixels, _mm256_add_epi32(_mm256_add_epi32(at, strideV), one), 4);
    float* planes[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c) {
      const __m256i shift = _mm256_set1_epi32(8 * c);
      const __m256 a = Channel(p0, shift, low), b = Channel(q0, shift, low);
      const __m256 top = _mm256_fmadd_ps(_mm256_sub_ps(Channel(p1, shift, low), a), ax, a);
      const __m256 bottom = _mm256_fmadd_ps(_mm256_sub_ps(Channel(q1, shift, low), b), ax, b);
      const __m256 value = _mm256_fmadd_ps(_mm256_sub_ps(bottom, top), ay, top);
      _mm256_maskstore_ps(planes[c] + i, _mm256_castps_si256(lanes), _mm256_and_ps(value, inside));
    }
  }
}

// Whether the processor runs the eight-wide code; asked once, after the
// processor's description is read (static initialisers may run before it is).
bool HasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  return has;
}

void ReadSpanOf(const Level& level, double u, double v, double du, double dv, int count, float* red, float* green,
                float* blue) {
  (HasAvx2() ? ReadSpanAvx2 : ReadSpanScalar)(level, u, v, du, dv, count, red, green, blue);
}

// The source colour at a point, for the samples of one triangle: bilinear
// where a sample spans at most a source pixel, else read from the halvings
// that make it so, blended between the two nearest.
class Reader {
 public:
  Reader(const Pyramid& pyramid, double footprint, int n) {
    const double spacing = footprint / n;
    if (spacing <= 1) {
      fine_ = &pyramid.Get(0);
      return;
    }
    const double level = std::log2(spacing);
    const int low = static_cast<int>(std::floor(level));
    fine_ = &pyramid.Get(low);
    coarse_ = &pyramid.Get(low + 1);
    fineScale_ = std::ldexp(1.0, -low);
    mix_ = static_cast<float>(level - low);
  }

  // Samples i = 0 … count − 1 at (u + i × du, v + i × dv), into three planes.
  void ReadSpan(double u, double v, double du, double dv, int count, float* red, float* green, float* blue) const {
    if (coarse_ == nullptr) {
      ReadSpanOf(*fine_, u, v, du, dv, count, red, green, blue);
      return;
    }
    for (int i = 0; i < count; ++i, u += du, v += dv) {
      const Colour c = ReadBlended(u, v);
      red[i] = c[0];
      green[i] = c[1];
      blue[i] = c[2];
    }
  }

 private:
  // For minified triangles: pixel centres of level k lie at 2^k × (x + 0.5) − 0.5 of the source.
  Colour ReadBlended(double u, double v) const {
    const Colour c = fine_->Bilinear((u + 0.5) * fineScale_ - 0.5, (v + 0.5) * fineScale_ - 0.5);
    const double coarseScale = fineScale_ / 2;
    const Colour d = coarse_->Bilinear((u + 0.5) * coarseScale - 0.5, (v + 0.5) * coarseScale - 0.5);
    return c + (d - c) * mix_;
  }

  const Level* fine_ = nullptr;
  const Level* coarse_ = nullptr;
  double fineScale_ = 1;
  float mix_ = 0;
};

// One edge of a triangle, from its upper end down: the x where it crosses a
// row. Both triangles along an edge work it out from the same end with the
// same numbers, so they agree on every crossing to the last bit.
struct Edge {
  double x0, y0, slope;

  Edge(Vec a, Vec b) {
    if (a.y > b.y) std::swap(a, b);
    x0 = a.x;
    y0 = a.y;
    slope = b.y > a.y ? (b.x - a.x) / (b.y - a.y) : 0;
  }
  double At(double y) const { return x0 + (y - y0) * slope; }
};

// Marks and colours the samples of `tile` that triangle t covers: a sample
// row at y runs from the edges with y0 <= y < y1, and takes the samples with
// x0 <= x < x1 between them, so that triangles sharing an edge neither take a
// sample twice nor miss one.
__attribute__((target_clones("avx2", "default"))) void Rasterise(const Triangle& t, const Reader& reader, Samples& tile,
                                                                 int32_t W, int32_t H) {
  Vec v[3] = {t.d[0], t.d[1], t.d[2]};
  std::sort(v, v + 3, [](const Vec& a, const Vec& b) { return a.y < b.y; });
  const Edge along(v[0], v[2]), upper(v[0], v[1]), lower(v[1], v[2]);
  const int32_t limitRows = std::min(tile.rows, (H - tile.y0) * tile.n);
  const int32_t limitColumns = std::min(tile.columns, (W - tile.x0) * tile.n);
  const int32_t firstRow = std::max(0, tile.FirstAtOrAfter(tile.y0, v[0].y));
  const int32_t endRow = std::min(limitRows, tile.FirstAtOrAfter(tile.y0, v[2].y));
  const double step = 1.0 / tile.n;
  const double du = t.ux * step, dv = t.vx * step;
  for (int32_t j = firstRow; j < endRow; ++j) {
    const double y = tile.Position(tile.y0, j);
    const double a = along.At(y), b = (y < v[1].y ? upper : lower).At(y);
    const int32_t first = std::max(0, tile.FirstAtOrAfter(tile.x0, std::min(a, b)));
    const int32_t end = std::min(limitColumns, tile.FirstAtOrAfter(tile.x0, std::max(a, b)));
    if (end <= first) continue;
    const double x = tile.Position(tile.x0, first);
    const double u = t.au + t.ux * x + t.uy * y, w = t.av + t.vx * x + t.vy * y;
    const size_t at = static_cast<size_t>(j) * static_cast<size_t>(tile.columns) + static_cast<size_t>(first);
    reader.ReadSpan(u, w, du, dv, end - first, tile.red.data() + at, tile.green.data() + at, tile.blue.data() + at);
    std::memset(tile.covered.data() + at, 1, static_cast<size_t>(end - first));
  }
}

// The destination's colour at (x, y).
Colour DestinationColour(const dib& destination, int32_t x, int32_t y) {
  const uint32_t c = DibPixelColour(destination, x, y);
  return Colour{static_cast<float>(c & 0xFF), static_cast<float>(c >> 8 & 0xFF), static_cast<float>(c >> 16 & 0xFF), 0};
}

// The covered samples of pixel row `y` of a tile summed per pixel: how many
// are covered, and their colour sums. Samples not covered hold stale colours
// and weigh 0.
struct RowSums {
  float covered[kTile], red[kTile], green[kTile], blue[kTile];
};

void SumRow(const Samples& tile, int32_t y, int32_t pixels, RowSums& sums) {
  const int n = tile.n;
  for (int32_t x = 0; x < pixels; ++x) {
    float covered = 0, red = 0, green = 0, blue = 0;
    for (int sy = 0; sy < n; ++sy) {
      const size_t at =
          static_cast<size_t>(y * n + sy) * static_cast<size_t>(tile.columns) + static_cast<size_t>(x * n);
      for (int sx = 0; sx < n; ++sx) {
        const auto in = static_cast<float>(tile.covered[at + sx]);
        covered += in;
        red += tile.red[at + sx] * in;
        green += tile.green[at + sx] * in;
        blue += tile.blue[at + sx] * in;
      }
    }
    sums.covered[x] = covered;
    sums.red[x] = red;
    sums.green[x] = green;
    sums.blue[x] = blue;
  }
}

// Sixteen samples weighed by their flags, neighbours summed in pairs
// (pixels 0 1 4 5 | 2 3 6 7, as the instruction pairs them).
__attribute__((target("avx2"))) inline __m256 WeightedPairs(const float* samples, __m256 first, __m256 second) {
  return _mm256_hadd_ps(_mm256_mul_ps(_mm256_loadu_ps(samples), first),
                        _mm256_mul_ps(_mm256_loadu_ps(samples + 8), second));
}

__attribute__((target("avx2"))) inline __m256 InPixelOrder(__m256 pairs) {
  return _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(pairs), 0xD8));
}

// The same for 2 × 2 samples a pixel, eight pixels at a time (a tile's rows
// of samples are whole blocks of sixteen).
__attribute__((target("avx2"))) void SumRowOf2(const Samples& tile, int32_t y, int32_t pixels, RowSums& sums) {
  for (int32_t x = 0; x < pixels; x += 8) {
    __m256 covered = _mm256_setzero_ps(), red = covered, green = covered, blue = covered;
    for (int sy = 0; sy < 2; ++sy) {
      const size_t at =
          static_cast<size_t>(y * 2 + sy) * static_cast<size_t>(tile.columns) + static_cast<size_t>(2 * x);
      const __m128i flags = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tile.covered.data() + at));
      const __m256 first = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(flags));
      const __m256 second = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_srli_si128(flags, 8)));
      // Pairs of neighbours summed: pixels 0 1 4 5 | 2 3 6 7, put in order below.
      covered = _mm256_add_ps(covered, _mm256_hadd_ps(first, second));
      red = _mm256_add_ps(red, WeightedPairs(tile.red.data() + at, first, second));
      green = _mm256_add_ps(green, WeightedPairs(tile.green.data() + at, first, second));
      blue = _mm256_add_ps(blue, WeightedPairs(tile.blue.data() + at, first, second));
    }
    _mm256_storeu_ps(sums.covered + x, InPixelOrder(covered));
    _mm256_storeu_ps(sums.red + x, InPixelOrder(red));
    _mm256_storeu_ps(sums.green + x, InPixelOrder(green));
    _mm256_storeu_ps(sums.blue + x, InPixelOrder(blue));
  }
}

// Each pixel of the tile from its samples: the covered ones averaged, taken
// half and half with the destination when transparent, and blended with the
// background by the share covered. Pixels no sample covers keep the background.
void Resolve(const Job& job, const Samples& tile) {
  const int32_t pixels = std::min(job.W - tile.x0, kTile), yEnd = std::min(job.H, tile.y0 + kTile);
  const auto all = static_cast<float>(tile.n * tile.n);
  RowSums sums;
  for (int32_t y = tile.y0; y < yEnd; ++y) {
    if (tile.n == 2 && HasAvx2())
      SumRowOf2(tile, y - tile.y0, pixels, sums);
    else
      SumRow(tile, y - tile.y0, pixels, sums);
    uint8_t* row = job.pixels + static_cast<int64_t>(job.H - 1 - y) * job.bytew + 3 * static_cast<int64_t>(tile.x0);
    for (int32_t i = 0; i < pixels; ++i) {
      const float covered = sums.covered[i];
      if (covered == 0) continue;
      const Colour sum{sums.red[i], sums.green[i], sums.blue[i], 0};
      const Colour destination = job.showoriginal || job.transparent
                                     ? DestinationColour(*job.destination, tile.x0 + i, y)
                                     : Colour{0, 0, 0, 0};
      Colour warped = sum / covered;
      if (job.transparent) warped = (warped + destination) / 2;
      const Colour background = job.showoriginal ? destination : Colour{0, 0, 0, 0};
      const Colour value = background + (warped - background) * (covered / all);
      uint8_t* out = row + 3 * i;
      // Values lie within 0 to 255: adding a half and truncating rounds them to nearest.
      for (int k = 0; k < 3; ++k) out[2 - k] = static_cast<uint8_t>(std::clamp(value[k], 0.0f, 255.0f) + 0.5f);
    }
  }
}

void RenderTiles(const Job& job, int threads) {
  const int32_t tilesDown = (job.H + kTile - 1) / kTile;
  const int32_t tiles = job.tilesAcross * tilesDown;
  std::atomic<int32_t> next{0};
  auto worker = [&] {
    Samples samples;
    Triangle triangles[2];
    bool made[2];
    for (int32_t t = next.fetch_add(1); t < tiles; t = next.fetch_add(1)) {
      const std::vector<uint32_t>& cells = (*job.bins)[static_cast<size_t>(t)];
      if (cells.empty()) continue;
      // Enough samples a side for the most minified cell of the tile.
      double footprint = 0;
      for (uint32_t cell : cells) footprint = std::max<double>(footprint, (*job.footprints)[cell]);
      const int n = std::clamp(static_cast<int>(std::ceil(footprint)), kMinSamples, kMaxSamples);
      samples.Start((t % job.tilesAcross) * kTile, (t / job.tilesAcross) * kTile, n);
      for (uint32_t cell : cells) {
        CellTriangles(*job.mesh, cell, triangles, made);
        for (int k = 0; k < 2; ++k)
          if (made[k]) Rasterise(triangles[k], Reader(*job.pyramid, triangles[k].footprint, n), samples, job.W, job.H);
      }
      Resolve(job, samples);
    }
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(worker);
  worker();
  for (std::thread& h : helpers) h.join();
}

}  // namespace

bool RenderAsChosen(Workspace& ws, WarpDirection direction, int threads) {
  return ws.smooth ? RenderSmooth(ws, direction, threads) : RenderDirection(ws, direction, threads);
}

bool RenderSmooth(Workspace& ws, WarpDirection direction, int threads) {
  if (ws.ecken2 != 4 || ws.ecken1 != 4) return false;
  const auto [source, sourceOutline, destination, destinationOutline, result] = PartsOf(ws, direction);
  const int32_t W = DibWidth(&destination), H = DibHeight(&destination);

  ReleaseDib(&result);
  newdib(&result, W, H, 24, nullptr, 0);
  if (result.poi == nullptr) return true;  // no memory: the result stays empty
  if (ws.showoriginal && DibBitCount(&destination) == 24 && destination.bytew == result.bytew)
    std::memcpy(result.poi, destination.poi, static_cast<size_t>(result.bytew) * static_cast<size_t>(H));
  else if (ws.showoriginal)
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) setpixel(result, x, y, DibPixelColour(destination, x, y));
  if (source.poi == nullptr || DibWidth(&source) <= 0 || DibHeight(&source) <= 0) return true;

  const OutlineMap to(destinationOutline), from(sourceOutline);
  const Mesh mesh = BuildMesh(to, from, kCell, kTolerance);

  // Each cell goes to the tiles its bounding box touches, in the map's order.
  const int32_t tilesAcross = (W + kTile - 1) / kTile, tilesDown = (H + kTile - 1) / kTile;
  std::vector<std::vector<uint32_t>> bins(static_cast<size_t>(tilesAcross) * static_cast<size_t>(tilesDown));
  const size_t cellColumns = mesh.Columns() - 1;
  std::vector<float> footprints(static_cast<size_t>(mesh.rows) * cellColumns);
  Triangle triangles[2];
  bool made[2];
  for (int32_t j = 0; j < mesh.rows; ++j)
    for (size_t c = 0; c < cellColumns; ++c) {
      const auto cell = static_cast<uint32_t>(static_cast<size_t>(j) * cellColumns + c);
      double left = INFINITY, right = -INFINITY, top = INFINITY, bottom = -INFINITY;
      for (const Vec& v : {mesh.Destination(j, c), mesh.Destination(j, c + 1), mesh.Destination(j + 1, c),
                           mesh.Destination(j + 1, c + 1)}) {
        left = std::min(left, v.x);
        right = std::max(right, v.x);
        top = std::min(top, v.y);
        bottom = std::max(bottom, v.y);
      }
      // Samples lie within half a pixel inside the picture's pixels.
      if (!(right >= -0.5 && left < W - 0.5 && bottom >= -0.5 && top < H - 0.5)) continue;
      CellTriangles(mesh, cell, triangles, made);
      footprints[cell] =
          static_cast<float>(std::max(made[0] ? triangles[0].footprint : 0.0, made[1] ? triangles[1].footprint : 0.0));
      const auto tileOf = [](double v, int32_t count) {
        return static_cast<int32_t>(std::clamp(std::floor((v + 0.5) / kTile), 0.0, count - 1.0));
      };
      for (int32_t ty = tileOf(top, tilesDown); ty <= tileOf(bottom, tilesDown); ++ty)
        for (int32_t tx = tileOf(left, tilesAcross); tx <= tileOf(right, tilesAcross); ++tx)
          bins[static_cast<size_t>(ty) * static_cast<size_t>(tilesAcross) + static_cast<size_t>(tx)].push_back(cell);
    }

  const int count = threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  Pyramid pyramid(source, count);
  // The halvings the most minified cell reads, and the next one it blends with.
  const float widest = footprints.empty() ? 0 : *std::max_element(footprints.begin(), footprints.end());
  if (widest > kMaxSamples) pyramid.Build(static_cast<int>(std::ceil(std::log2(widest / kMaxSamples))) + 1);
  const Job job{&mesh,       &pyramid,     &bins,           &footprints,    W,          H,
                tilesAcross, &destination, ws.showoriginal, ws.transparent, result.poi, result.bytew};
  RenderTiles(job, count);
  return true;
}

}  // namespace trellimap
