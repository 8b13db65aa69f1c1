#include "warp/smoothrenderer.h"

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "foundation/processor.h"
#include "image/pixmill3.h"
#include "warp/perspectivemap.h"
#include "warp/smoothmap.h"
#include "warp/sourcepyramid.h"

namespace trellimap {
namespace {

// Tiles of destination pixels, wide and low: the mesh cells are long across
// the rows, and a cell that crosses into a neighbouring tile is rasterised in both.
constexpr int32_t kTileWidth = 128, kTileHeight = 32;
constexpr double kCell = 48;                     // mesh cells about this many destination pixels across
constexpr double kTolerance = 0.03;              // how far a mesh triangle may stray from the map, in pixels
constexpr double kSeenTolerance = 0.05;          // the same for maps seen in perspective, which need more cells
constexpr double kMaxFootprint = 64;             // source pixels across one destination pixel, at most
constexpr int kMinSamples = 2, kMaxSamples = 4;  // samples per pixel a side

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

// Eight values at once, and the same read from or written to anywhere in an array.
using Floats = float __attribute__((vector_size(32)));
using FloatsAt = float __attribute__((vector_size(32), aligned(4), may_alias));
using Ints = int32_t __attribute__((vector_size(32)));
using Flags = uint8_t __attribute__((vector_size(8)));
constexpr Floats kSteps = {0, 1, 2, 3, 4, 5, 6, 7};

// Writes `count` values of a run that starts at `first` and grows by `step8`
// every eight, in whole blocks of eight: the block past the run is read before
// and put back after, so the arrays need eight values to spare at their end.
template <class Vector, class Value>
void FillRun(Value* to, int32_t count, const Vector& start, Value step8) {
  Vector after, value = start;
  std::memcpy(&after, to + count, sizeof after);
  for (int32_t i = 0; i < count; i += 8, value += step8) std::memcpy(to + i, &value, sizeof value);
  std::memcpy(to + count, &after, sizeof after);
}

// The samples of one tile. Triangles are rasterised first, each covered
// sample getting the source position its triangle maps it to (and, where the
// source is minified, how many source pixels it spans); then the source is
// read for all of them at once, in runs as long as the tile's rows allow.
struct Samples {
  int n = 2;                                      // per pixel a side
  double step = 0.5;                              // 1 / n
  int32_t x0 = 0, y0 = 0, columns = 0, rows = 0;  // the tile in samples
  bool minified = false;                          // some sample reads the halvings
  std::vector<float> u, v;                        // source position of each sample, row by row
  std::vector<float> detail;                      // log2 of the source pixels a sample spans, when minified
  std::vector<float> red, green, blue;            // colour of each sample
  std::vector<uint8_t> covered;
  std::vector<int32_t> firstCovered, endCovered;  // the range of each row that may be covered

  void Start(int32_t tileX, int32_t tileY, int perPixel, bool withDetail) {
    // The flags the last tile set are cleared where it set them.
    if (perPixel == n && !covered.empty())
      for (size_t j = 0; j < firstCovered.size(); ++j)
        if (firstCovered[j] < endCovered[j])
          std::memset(covered.data() + j * static_cast<size_t>(columns) + static_cast<size_t>(firstCovered[j]), 0,
                      static_cast<size_t>(endCovered[j] - firstCovered[j]));
    const bool resized = perPixel != n || covered.empty();
    n = perPixel;
    step = 1.0 / n;
    x0 = tileX;
    y0 = tileY;
    columns = kTileWidth * n;
    rows = kTileHeight * n;
    minified = withDetail;
    const auto size = static_cast<size_t>(columns * rows);
    // Runs are written eight at a time, and put back past their end.
    for (std::vector<float>* plane : {&u, &v, &red, &green, &blue}) plane->resize(size + 8);
    if (minified) detail.resize(size + 8);
    if (resized) covered.assign(size + 8, 0);
    firstCovered.assign(static_cast<size_t>(rows), columns);
    endCovered.assign(static_cast<size_t>(rows), 0);
  }
  // The destination coordinate of sample index i of a tile starting at pixel p.
  double Position(int32_t p, int32_t i) const { return p - 0.5 + (i + 0.5) * step; }
  // The first sample index at or after coordinate c, kept just outside the
  // tile for coordinates far off it.
  int32_t FirstAtOrAfter(int32_t p, double c) const {
    const double index = std::ceil((c - (p - 0.5)) * n - 0.5);
    const double limit = (columns > rows ? columns : rows) + 1;
    // In this order a coordinate that is not a number gives −1.
    const double kept = limit < index ? limit : index;
    return static_cast<int32_t>(-1.0 < kept ? kept : -1.0);
  }
};

struct Job {
  const Mesh* mesh;
  const SourcePyramid* pyramid;
  const std::vector<std::vector<uint32_t>>* bins;  // cells of each tile, in the map's order
  const std::vector<float>* footprints;            // of each cell
  int32_t W, H, tilesAcross;
  const dib* destination;
  bool showoriginal, transparent;
  dib* result;
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

// Marks the samples of `tile` that triangle t covers and notes where they
// read the source: a sample row at y runs from the edges with y0 <= y < y1,
// and takes the samples with x0 <= x < x1 between them, so that triangles
// sharing an edge neither take a sample twice nor miss one.
TRELLIMAP_CLONES("avx2", "default") void Rasterise(const Triangle& t, Samples& tile, int32_t W, int32_t H) {
  Vec v[3] = {t.d[0], t.d[1], t.d[2]};
  std::sort(v, v + 3, [](const Vec& a, const Vec& b) { return a.y < b.y; });
  const Edge along(v[0], v[2]), upper(v[0], v[1]), lower(v[1], v[2]);
  const int32_t limitRows = std::min(tile.rows, (H - tile.y0) * tile.n);
  const int32_t limitColumns = std::min(tile.columns, (W - tile.x0) * tile.n);
  const int32_t firstRow = std::max(0, tile.FirstAtOrAfter(tile.y0, v[0].y));
  const int32_t endRow = std::min(limitRows, tile.FirstAtOrAfter(tile.y0, v[2].y));
  const double step = tile.step;
  const auto fu = static_cast<float>(t.ux * step), fv = static_cast<float>(t.vx * step);
  // The halvings a sample reads: log2 of the source pixels between samples.
  const auto detail = static_cast<float>(std::max(0.0, std::log2(t.footprint * step)));
  // Where each row's run starts and ends and what it reads first, worked out
  // for all rows in one loop the vectoriser takes (selections are written out
  // for it, and both edges evaluated), then the runs filled.
  constexpr int32_t kMostRows = kTileHeight * kMaxSamples;
  int32_t firsts[kMostRows], ends[kMostRows];
  double us[kMostRows], ws[kMostRows];
  const int32_t count = std::max(0, endRow - firstRow);
  const double middle = v[1].y;
  for (int32_t k = 0; k < count; ++k) {
    const double y = tile.Position(tile.y0, firstRow + k);
    const double a = along.At(y), high = upper.At(y), low = lower.At(y);
    const double b = y < middle ? high : low;
    const int32_t from = tile.FirstAtOrAfter(tile.x0, b < a ? b : a);
    const int32_t to = tile.FirstAtOrAfter(tile.x0, b < a ? a : b);
    const int32_t first = from > 0 ? from : 0;
    firsts[k] = first;
    ends[k] = to < limitColumns ? to : limitColumns;
    const double x = tile.Position(tile.x0, first);
    us[k] = t.au + t.ux * x + t.uy * y;
    ws[k] = t.av + t.vx * x + t.vy * y;
  }
  for (int32_t k = 0; k < count; ++k) {
    const int32_t first = firsts[k], end = ends[k];
    if (end <= first) continue;
    const auto j = static_cast<size_t>(firstRow + k);
    const size_t at = j * static_cast<size_t>(tile.columns) + static_cast<size_t>(first);
    const int32_t run = end - first;
    FillRun(tile.u.data() + at, run, Floats{} + static_cast<float>(us[k]) + kSteps * fu, fu * 8);
    FillRun(tile.v.data() + at, run, Floats{} + static_cast<float>(ws[k]) + kSteps * fv, fv * 8);
    if (tile.minified) FillRun(tile.detail.data() + at, run, Floats{} + detail, 0.0f);
    FillRun(tile.covered.data() + at, run, Flags{} + 1, uint8_t{0});
    tile.firstCovered[j] = std::min(tile.firstCovered[j], first);
    tile.endCovered[j] = std::max(tile.endCovered[j], end);
  }
}

// Reads the source for the samples the triangles left: row by row, from the
// first covered sample to the last (those between that no triangle covered
// are read too and weigh nothing).
void ReadSource(const SourcePyramid& pyramid, Samples& tile) {
  for (int32_t j = 0; j < tile.rows; ++j) {
    const int32_t first = tile.firstCovered[static_cast<size_t>(j)], end = tile.endCovered[static_cast<size_t>(j)];
    if (end <= first) continue;
    const size_t at = static_cast<size_t>(j) * static_cast<size_t>(tile.columns) + static_cast<size_t>(first);
    if (!tile.minified) {
      pyramid.Base().ReadBilinear(tile.u.data() + at, tile.v.data() + at, end - first, tile.red.data() + at,
                                  tile.green.data() + at, tile.blue.data() + at);
      continue;
    }
    for (size_t i = at; i < at + static_cast<size_t>(end - first); ++i) {
      const Colour c = tile.covered[i] ? pyramid.Read(tile.u[i], tile.v[i], tile.detail[i]) : Colour{0, 0, 0, 0};
      tile.red[i] = c[0];
      tile.green[i] = c[1];
      tile.blue[i] = c[2];
    }
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
  float covered[kTileWidth], red[kTileWidth], green[kTileWidth], blue[kTileWidth];
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
// background by the share covered. A pixel no sample covers comes out as the
// background exactly; rows with no sample covered are given the background
// directly.
TRELLIMAP_CLONES("avx2", "default") void Resolve(const Job& job, const Samples& tile) {
  const int32_t pixels = std::min(job.W - tile.x0, kTileWidth), yEnd = std::min(job.H, tile.y0 + kTileHeight);
  const int n = tile.n;
  const auto all = static_cast<float>(n * n);
  const bool readDestination = job.showoriginal || job.transparent;
  RowSums sums{};
  float destination[3][kTileWidth] = {}, background[3][kTileWidth] = {};
  int32_t out[3][kTileWidth];
  for (int32_t y = tile.y0; y < yEnd; ++y) {
    const size_t firstRow = static_cast<size_t>((y - tile.y0) * n);
    bool anyCovered = false;
    for (size_t j = firstRow; j < firstRow + static_cast<size_t>(n); ++j)
      anyCovered = anyCovered || tile.firstCovered[j] < tile.endCovered[j];
    if (!anyCovered) {
      FillBackground(*job.result, *job.destination, job.showoriginal, tile.x0, y, tile.x0 + pixels, y + 1);
      continue;
    }
    if (n == 2 && HasAvx2())
      SumRowOf2(tile, y - tile.y0, pixels, sums);
    else
      SumRow(tile, y - tile.y0, pixels, sums);
    if (readDestination)
      for (int32_t i = 0; i < pixels; ++i) {
        const Colour c = DestinationColour(*job.destination, tile.x0 + i, y);
        for (int k = 0; k < 3; ++k) {
          destination[k][i] = c[k];
          background[k][i] = job.showoriginal ? c[k] : 0;
        }
      }
    const float* summed[3] = {sums.red, sums.green, sums.blue};
    for (int32_t i = 0; i < pixels; i += 8) {
      const Floats covered = *reinterpret_cast<const FloatsAt*>(sums.covered + i);
      // Uncovered pixels sum to 0, and stay 0 divided by 1.
      const Floats divisor = covered > 1 ? covered : 1, share = covered / all;
      for (int k = 0; k < 3; ++k) {
        Floats warped = *reinterpret_cast<const FloatsAt*>(summed[k] + i) / divisor;
        if (job.transparent) warped = (warped + *reinterpret_cast<const FloatsAt*>(destination[k] + i)) * 0.5f;
        const Floats below = *reinterpret_cast<const FloatsAt*>(background[k] + i);
        Floats value = below + (warped - below) * share;
        value = value < 0 ? 0 : value > 255 ? 255 : value;
        // Values lie within 0 to 255: adding a half and truncating rounds them to nearest.
        const Ints whole = __builtin_convertvector(value + 0.5f, Ints);
        std::memcpy(out[k] + i, &whole, sizeof whole);
      }
    }
    uint8_t* row =
        job.result->poi + static_cast<int64_t>(job.H - 1 - y) * job.result->bytew + 3 * static_cast<int64_t>(tile.x0);
    for (int32_t i = 0; i < pixels; ++i) {
      row[3 * i] = static_cast<uint8_t>(out[2][i]);
      row[3 * i + 1] = static_cast<uint8_t>(out[1][i]);
      row[3 * i + 2] = static_cast<uint8_t>(out[0][i]);
    }
  }
}

// Tiles are taken in turn by all threads. The first thread tells `progress`
// how many tiles were taken; when it is told to stop, every thread stops
// before its next tile and false is returned.
bool RenderTiles(const Job& job, int threads, Progress* progress) {
  const int32_t tilesDown = (job.H + kTileHeight - 1) / kTileHeight;
  const int32_t tiles = job.tilesAcross * tilesDown;
  std::atomic<int32_t> next{0};
  std::atomic<bool> stopped{false};
  auto worker = [&](bool reports) {
    Samples samples;
    Triangle triangles[2];
    bool made[2];
    for (int32_t t = next.fetch_add(1); t < tiles && !stopped.load(); t = next.fetch_add(1)) {
      if (reports && !Continue(progress, static_cast<double>(t) / tiles)) {
        stopped.store(true);
        break;
      }
      const int32_t x0 = (t % job.tilesAcross) * kTileWidth, y0 = (t / job.tilesAcross) * kTileHeight;
      const std::vector<uint32_t>& cells = (*job.bins)[static_cast<size_t>(t)];
      if (cells.empty()) {
        FillBackground(*job.result, *job.destination, job.showoriginal, x0, y0, std::min(job.W, x0 + kTileWidth),
                       std::min(job.H, y0 + kTileHeight));
        continue;
      }
      // Enough samples a side for the most minified cell of the tile.
      double footprint = 0;
      for (uint32_t cell : cells) footprint = std::max<double>(footprint, (*job.footprints)[cell]);
      const int n = std::clamp(static_cast<int>(std::ceil(footprint)), kMinSamples, kMaxSamples);
      samples.Start(x0, y0, n, footprint > n);
      for (uint32_t cell : cells) {
        CellTriangles(*job.mesh, cell, triangles, made);
        for (int k = 0; k < 2; ++k)
          if (made[k]) Rasterise(triangles[k], samples, job.W, job.H);
      }
      ReadSource(*job.pyramid, samples);
      Resolve(job, samples);
    }
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(worker, false);
  worker(true);
  for (std::thread& h : helpers) h.join();
  return !stopped.load();
}

// The mesh of the map, the kept source and the tiles, for a result of the
// destination's size W × H made already. False when stopped.
bool RenderRegion(const DirectionParts& parts, const RenderOptions& options, int32_t W, int32_t H) {
  const auto [source, sourceOutline, destination, destinationOutline, result] = parts;
  const auto [to, from] = ChosenMaps(destinationOutline, sourceOutline, options.perspective);
  const Mesh mesh = BuildMesh(to, from, kCell, to.view ? kSeenTolerance : kTolerance);

  // Each cell goes to the tiles its bounding box touches, in the map's order.
  const int32_t tilesAcross = (W + kTileWidth - 1) / kTileWidth, tilesDown = (H + kTileHeight - 1) / kTileHeight;
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
      const auto tileOf = [](double v, int32_t size, int32_t count) {
        return static_cast<int32_t>(std::clamp(std::floor((v + 0.5) / size), 0.0, count - 1.0));
      };
      for (int32_t ty = tileOf(top, kTileHeight, tilesDown); ty <= tileOf(bottom, kTileHeight, tilesDown); ++ty)
        for (int32_t tx = tileOf(left, kTileWidth, tilesAcross); tx <= tileOf(right, kTileWidth, tilesAcross); ++tx)
          bins[static_cast<size_t>(ty) * static_cast<size_t>(tilesAcross) + static_cast<size_t>(tx)].push_back(cell);
    }

  const int count =
      options.threads > 0 ? options.threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  // The halvings the most minified cell reads, and the next one it blends
  // with; reads are centred within the mesh on the source.
  const float widest = footprints.empty() ? 0 : *std::max_element(footprints.begin(), footprints.end());
  const int halvings = widest > kMaxSamples ? static_cast<int>(std::ceil(std::log2(widest / kMaxSamples))) + 1 : 0;
  ReadBox reads{INFINITY, INFINITY, -INFINITY, -INFINITY};
  for (const Vec& v : mesh.source) {
    reads.left = std::min(reads.left, v.x);
    reads.right = std::max(reads.right, v.x);
    reads.top = std::min(reads.top, v.y);
    reads.bottom = std::max(reads.bottom, v.y);
  }
  const SourcePyramid pyramid(source, reads, halvings, count);
  const Job job{&mesh,  &pyramid,    &bins,        &footprints,          W,
                H,      tilesAcross, &destination, options.showoriginal, options.transparent,
                &result};
  return RenderTiles(job, count, options.progress);
}

}  // namespace

bool RenderSmooth(const DirectionParts& parts, const RenderOptions& options) {
  const auto [source, sourceOutline, destination, destinationOutline, result] = parts;
  const int32_t W = DibWidth(&destination), H = DibHeight(&destination);

  // Every tile writes each of its pixels, background included.
  bool reused = false;
  if (!ReuseOrMake(result, W, H, reused)) return true;  // no memory: the result stays empty
  if (source.poi == nullptr || DibWidth(&source) <= 0 || DibHeight(&source) <= 0) {
    FillBackground(result, destination, options.showoriginal, 0, 0, W, H);
    return true;
  }

  try {
    return RenderRegion(parts, options, W, H);
  } catch (const std::bad_alloc&) {
    // No memory for the working copies: the result stays empty, as when it cannot be made.
    ReleaseDib(&result);
    return true;
  }
}

}  // namespace trellimap
