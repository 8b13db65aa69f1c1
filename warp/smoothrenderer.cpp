#include "warp/smoothrenderer.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "foundation/processor.h"
#include "foundation/workers.h"
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
    const double inverse = 1 / det;
    const double ax = e2y * inverse, ay = -e2x * inverse, bx = -e1y * inverse, by = e1x * inverse;
    const double f1u = s1.x - s0.x, f2u = s2.x - s0.x, f1v = s1.y - s0.y, f2v = s2.y - s0.y;
    ux = f1u * ax + f2u * bx;
    uy = f1u * ay + f2u * by;
    vx = f1v * ax + f2v * bx;
    vy = f1v * ay + f2v * by;
    au = s0.x - ux * d0.x - uy * d0.y;
    av = s0.y - vx * d0.x - vy * d0.y;
    footprint = std::min(kMaxFootprint, std::sqrt(std::max(ux * ux + vx * vx, uy * uy + vy * vy)));
    return true;
  }
};

// Eight values at once, and the same read from or written to anywhere in an array.
using Floats = float __attribute__((vector_size(32)));
using FloatsAt = float __attribute__((vector_size(32), aligned(4), may_alias));
using Ints = int32_t __attribute__((vector_size(32)));
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

// The samples of one tile. Triangles are rasterised in the map's order, each
// giving the samples it covers the source positions it maps them to (a later
// triangle overwriting an earlier one where the map folds); a sample row is
// first set to not a number where the first triangle reaches it, which tells
// the samples no triangle covers. Then each row of pixels has its samples read
// and summed.
struct Samples {
  int n = 2;                                      // per pixel a side
  double step = 0.5;                              // 1 / n
  int32_t x0 = 0, y0 = 0, columns = 0, rows = 0;  // the tile in samples
  bool minified = false;                          // some sample reads the halvings
  bool wide = HasAvx512();                        // runs may be written sixteen values at a time
  // Where each sample reads the source, row by row, and when minified how
  // many source pixels it spans (log2).
  std::vector<float> u, v, detail;
  std::vector<float> red, green, blue;            // the colours of one sample row
  std::vector<int32_t> firstCovered, endCovered;  // the range of each sample row that may be covered

  void Start(int32_t tileX, int32_t tileY, int perPixel, bool withDetail) {
    n = perPixel;
    step = 1.0 / n;
    x0 = tileX;
    y0 = tileY;
    columns = kTileWidth * n;
    rows = kTileHeight * n;
    minified = withDetail;
    // Runs are written in blocks, and put back past their end.
    const auto size = static_cast<size_t>(rows * columns + 16);
    for (std::vector<float>* plane : {&u, &v}) plane->resize(size);
    if (minified) detail.resize(size);
    for (std::vector<float>* plane : {&red, &green, &blue}) plane->resize(static_cast<size_t>(columns));
    firstCovered.assign(static_cast<size_t>(rows), columns);
    endCovered.assign(static_cast<size_t>(rows), 0);
  }
  // Whether no triangle has reached sample row j yet.
  bool Untouched(size_t j) const { return firstCovered[j] >= endCovered[j]; }
  float* Row(std::vector<float>& plane, size_t j) { return plane.data() + j * static_cast<size_t>(columns); }
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
  // Whether any sample of pixel row `row` (counted in the tile) may be covered.
  bool AnyCovered(int32_t row) const {
    for (auto j = static_cast<size_t>(row * n); j < static_cast<size_t>((row + 1) * n); ++j)
      if (firstCovered[j] < endCovered[j]) return true;
    return false;
  }
};

struct Job {
  const Mesh* mesh;
  const SourcePyramid* pyramid;  // unless the source is read in place
  const PictureReads* inPlace;   // when every tile sums 2 × 2 samples a pixel and the source suits
  // Of each part of the mesh's rows, the cells of each tile in the map's order.
  const std::vector<std::vector<std::vector<uint32_t>>>* bins;
  const std::vector<float>* footprints;  // of each cell
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

// The runs of one triangle in a tile: on sample rows firstRow … firstRow +
// count − 1, the samples firsts[k] … ends[k] − 1, the first reading the
// source at (startsU[k], startsV[k]) and each next one (stepU, stepV)
// further on, all spanning 2^detail source pixels.
struct Runs {
  static constexpr int32_t kMostRows = kTileHeight * kMaxSamples;
  int32_t firstRow, count;
  int32_t firsts[kMostRows], ends[kMostRows];
  float startsU[kMostRows], startsV[kMostRows];
  float stepU, stepV, detail;
};

// Writes the runs into the tile's sample rows, setting a row to not a number
// first where no triangle has reached it yet.
TRELLIMAP_CLONES("avx2", "default") void WriteRuns(const Runs& runs, Samples& tile) {
  for (int32_t k = 0; k < runs.count; ++k) {
    const int32_t first = runs.firsts[k], end = runs.ends[k];
    if (end <= first) continue;
    const auto j = static_cast<size_t>(runs.firstRow + k);
    float* u = tile.Row(tile.u, j);
    if (tile.Untouched(j)) FillRun(u, tile.columns, Floats{} + std::numeric_limits<float>::quiet_NaN(), 0.0f);
    const float startU = runs.startsU[k], startV = runs.startsV[k];
    FillRun(u + first, end - first, Floats{} + startU + kSteps * runs.stepU, runs.stepU * 8);
    FillRun(tile.Row(tile.v, j) + first, end - first, Floats{} + startV + kSteps * runs.stepV, runs.stepV * 8);
    if (tile.minified) FillRun(tile.Row(tile.detail, j) + first, end - first, Floats{} + runs.detail, 0.0f);
    tile.firstCovered[j] = std::min(tile.firstCovered[j], first);
    tile.endCovered[j] = std::max(tile.endCovered[j], end);
  }
}

// The same sixteen values at a time under masks.
__attribute__((target("avx512f"))) void WriteRunsAvx512(const Runs& runs, Samples& tile) {
  const auto lanes = [](int32_t left) {
    return left >= 16 ? __mmask16{0xFFFF} : static_cast<__mmask16>((1u << left) - 1);
  };
  const __m512 none = _mm512_set1_ps(std::numeric_limits<float>::quiet_NaN());
  const __m512 steps = _mm512_setr_ps(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m512 stepU = _mm512_mul_ps(steps, _mm512_set1_ps(runs.stepU));
  const __m512 stepV = _mm512_mul_ps(steps, _mm512_set1_ps(runs.stepV));
  const __m512 growU = _mm512_set1_ps(runs.stepU * 16), growV = _mm512_set1_ps(runs.stepV * 16);
  const __m512 detail = _mm512_set1_ps(runs.detail);
  for (int32_t k = 0; k < runs.count; ++k) {
    const int32_t first = runs.firsts[k], end = runs.ends[k];
    if (end <= first) continue;
    const auto j = static_cast<size_t>(runs.firstRow + k);
    float* u = tile.Row(tile.u, j);
    float* v = tile.Row(tile.v, j);
    float* details = tile.minified ? tile.Row(tile.detail, j) : nullptr;
    if (tile.Untouched(j))
      for (int32_t i = 0; i < tile.columns; i += 16) _mm512_storeu_ps(u + i, none);
    __m512 atU = _mm512_add_ps(_mm512_set1_ps(runs.startsU[k]), stepU);
    __m512 atV = _mm512_add_ps(_mm512_set1_ps(runs.startsV[k]), stepV);
    for (int32_t i = first; i < end; i += 16) {
      const __mmask16 mask = lanes(end - i);
      _mm512_mask_storeu_ps(u + i, mask, atU);
      _mm512_mask_storeu_ps(v + i, mask, atV);
      if (details != nullptr) _mm512_mask_storeu_ps(details + i, mask, detail);
      atU = _mm512_add_ps(atU, growU);
      atV = _mm512_add_ps(atV, growV);
    }
    tile.firstCovered[j] = std::min(tile.firstCovered[j], first);
    tile.endCovered[j] = std::max(tile.endCovered[j], end);
  }
}

// Gives the samples of `tile` that triangle t covers where they read the
// source: a sample row at y runs from the edges with y0 <= y < y1,
// and takes the samples with x0 <= x < x1 between them, so that triangles
// sharing an edge neither take a sample twice nor miss one.
TRELLIMAP_CLONES("avx2", "default") void Rasterise(const Triangle& t, Samples& tile, int32_t W, int32_t H) {
  Vec v[3] = {t.d[0], t.d[1], t.d[2]};
  std::sort(v, v + 3, [](const Vec& a, const Vec& b) { return a.y < b.y; });
  const int32_t limitRows = std::min(tile.rows, (H - tile.y0) * tile.n);
  const int32_t limitColumns = std::min(tile.columns, (W - tile.x0) * tile.n);
  const int32_t firstRow = std::max(0, tile.FirstAtOrAfter(tile.y0, v[0].y));
  const int32_t endRow = std::min(limitRows, tile.FirstAtOrAfter(tile.y0, v[2].y));
  // A triangle beside the tile, as some of the cells binned to it have, takes
  // none of its samples.
  const double left = std::min({v[0].x, v[1].x, v[2].x}), right = std::max({v[0].x, v[1].x, v[2].x});
  if (endRow <= firstRow || tile.FirstAtOrAfter(tile.x0, right) <= 0 ||
      tile.FirstAtOrAfter(tile.x0, left) >= limitColumns)
    return;
  const Edge along(v[0], v[2]), upper(v[0], v[1]), lower(v[1], v[2]);
  const double step = tile.step;
  Runs runs;
  runs.stepU = static_cast<float>(t.ux * step);
  runs.stepV = static_cast<float>(t.vx * step);
  // The halvings a sample reads: log2 of the source pixels between samples.
  runs.detail = tile.minified ? static_cast<float>(std::max(0.0, std::log2(t.footprint * step))) : 0.0f;
  // Where each row's run starts and ends and what it reads first, worked out
  // for all rows in one loop the vectoriser takes (selections are written out
  // for it, and both edges evaluated), then the runs written.
  runs.firstRow = firstRow;
  runs.count = std::max(0, endRow - firstRow);
  const double middle = v[1].y;
  for (int32_t k = 0; k < runs.count; ++k) {
    const double y = tile.Position(tile.y0, firstRow + k);
    const double a = along.At(y), high = upper.At(y), low = lower.At(y);
    const double b = y < middle ? high : low;
    const int32_t from = tile.FirstAtOrAfter(tile.x0, b < a ? b : a);
    const int32_t to = tile.FirstAtOrAfter(tile.x0, b < a ? a : b);
    const int32_t first = from > 0 ? from : 0;
    runs.firsts[k] = first;
    runs.ends[k] = to < limitColumns ? to : limitColumns;
    const double x = tile.Position(tile.x0, first);
    runs.startsU[k] = static_cast<float>(t.au + t.ux * x + t.uy * y);
    runs.startsV[k] = static_cast<float>(t.av + t.vx * x + t.vy * y);
  }
  if (tile.wide)
    WriteRunsAvx512(runs, tile);
  else
    WriteRuns(runs, tile);
}

// The destination's colour at (x, y).
Colour DestinationColour(const dib& destination, int32_t x, int32_t y) {
  const uint32_t c = DibPixelColour(destination, x, y);
  return Colour{static_cast<float>(c & 0xFF), static_cast<float>(c >> 8 & 0xFF), static_cast<float>(c >> 16 & 0xFF), 0};
}

// The covered samples of one pixel row of a tile summed per pixel: how many
// are covered, and their colour sums.
struct RowSums {
  float covered[kTileWidth], red[kTileWidth], green[kTileWidth], blue[kTileWidth];
};

// Adds samples first … end − 1 of one sample row, n to a pixel, to the sums
// of their pixels. Samples with no source position weigh nothing (their
// colours were read as 0).
inline void AddRow(const Samples& tile, const float* u, int32_t first, int32_t end, RowSums& sums) {
  const int n = tile.n;
  for (int32_t x = first / n; x < end / n; ++x)
    for (int sx = 0; sx < n; ++sx) {
      const auto i = static_cast<size_t>(x * n + sx);
      sums.covered[x] += u[i] == u[i] ? 1.0f : 0.0f;
      sums.red[x] += tile.red[i];
      sums.green[x] += tile.green[i];
      sums.blue[x] += tile.blue[i];
    }
}

// Sums the samples of pixel row `row` (counted in the tile) per pixel: each
// sample row with samples covered is read and added.
TRELLIMAP_CLONES("avx2", "default")
void SumPixelRow(const Job& job, Samples& tile, int32_t row, RowSums& sums) {
  const int n = tile.n;
  int32_t firsts[kMaxSamples], ends[kMaxSamples];
  for (int sy = 0; sy < n; ++sy) {
    const auto j = static_cast<size_t>(row * n + sy);
    // Whole pixels, so that every sample added has been given its place.
    const bool untouched = tile.Untouched(j);
    firsts[sy] = untouched ? tile.columns : tile.firstCovered[j] / n * n;
    ends[sy] = untouched ? 0 : (tile.endCovered[j] + n - 1) / n * n;
  }
  if (n == 2) {
    // Both sample rows over the pixels either may cover, read and summed at
    // once; a row no triangle reached covers none of them.
    const int32_t first = std::min(firsts[0], firsts[1]), end = std::max(ends[0], ends[1]);
    const auto j = static_cast<size_t>(row * 2);
    for (size_t k = j; k < j + 2; ++k)
      if (tile.Untouched(k))
        std::fill(tile.Row(tile.u, k) + first, tile.Row(tile.u, k) + end, std::numeric_limits<float>::quiet_NaN());
    const int32_t from = first / 2, to = end / 2;
    for (float* plane : {sums.covered, sums.red, sums.green, sums.blue}) {
      std::fill(plane, plane + from, 0.0f);
      std::fill(plane + to, plane + kTileWidth, 0.0f);
    }
    const float* points[4] = {tile.Row(tile.u, j) + first, tile.Row(tile.v, j) + first, tile.Row(tile.u, j + 1) + first,
                              tile.Row(tile.v, j + 1) + first};
    if (job.inPlace != nullptr)
      job.inPlace->SumBilinear2x2(points[0], points[1], points[2], points[3], to - from, sums.covered + from,
                                  sums.red + from, sums.green + from, sums.blue + from);
    else
      job.pyramid->Base().SumBilinear2x2(points[0], points[1], points[2], points[3], to - from, sums.covered + from,
                                         sums.red + from, sums.green + from, sums.blue + from);
    return;
  }
  const SourcePyramid& pyramid = *job.pyramid;
  std::memset(&sums, 0, sizeof sums);
  for (int sy = 0; sy < n; ++sy) {
    const int32_t first = firsts[sy], end = ends[sy];
    if (first >= end) continue;
    const auto j = static_cast<size_t>(row * n + sy);
    const float* u = tile.Row(tile.u, j);
    const float* v = tile.Row(tile.v, j);
    if (!tile.minified) {
      pyramid.Base().ReadBilinear(u + first, v + first, end - first, tile.red.data() + first, tile.green.data() + first,
                                  tile.blue.data() + first);
    } else {
      const float* detail = tile.Row(tile.detail, j);
      for (int32_t i = first; i < end; ++i) {
        const Colour c = u[i] == u[i] ? pyramid.Read(u[i], v[i], detail[i]) : Colour{0, 0, 0, 0};
        tile.red[static_cast<size_t>(i)] = c[0];
        tile.green[static_cast<size_t>(i)] = c[1];
        tile.blue[static_cast<size_t>(i)] = c[2];
      }
    }
    AddRow(tile, u, first, end, sums);
  }
}

// Each pixel of the tile from its samples: the covered ones averaged, taken
// half and half with the destination when transparent, and blended with the
// background by the share covered. A pixel no sample covers comes out as the
// background exactly; rows with no sample covered are given the background
// directly.
TRELLIMAP_CLONES("avx2", "default") void Resolve(const Job& job, Samples& tile) {
  const int32_t pixels = std::min(job.W - tile.x0, kTileWidth), yEnd = std::min(job.H, tile.y0 + kTileHeight);
  const auto all = static_cast<float>(tile.n * tile.n);
  const bool readDestination = job.showoriginal || job.transparent;
  RowSums sums;
  float destination[3][kTileWidth] = {}, background[3][kTileWidth] = {};
  int32_t out[3][kTileWidth];
  for (int32_t y = tile.y0; y < yEnd; ++y) {
    if (!tile.AnyCovered(y - tile.y0)) {
      FillBackground(*job.result, *job.destination, job.showoriginal, tile.x0, y, tile.x0 + pixels, y + 1);
      continue;
    }
    SumPixelRow(job, tile, y - tile.y0, sums);
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
      // Uncovered pixels sum to 0, and stay 0 taken once. Over black, the
      // covered samples' average weighed by the share covered is their sum
      // over the number of samples.
      const Floats inverse = 1 / (covered > 1 ? covered : 1), share = covered / all;
      for (int k = 0; k < 3; ++k) {
        const Floats sum = *reinterpret_cast<const FloatsAt*>(summed[k] + i);
        Floats value;
        if (!readDestination) {
          value = sum * (1 / all);
        } else {
          Floats warped = sum * inverse;
          if (job.transparent) warped = (warped + *reinterpret_cast<const FloatsAt*>(destination[k] + i)) * 0.5f;
          const Floats below = *reinterpret_cast<const FloatsAt*>(background[k] + i);
          value = below + (warped - below) * share;
        }
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

// Tiles are taken in turn by all threads, the first telling `progress` how
// many were taken; false when it stopped them.
bool RenderTiles(const Job& job, int threads, Progress* progress) {
  const int32_t tilesDown = (job.H + kTileHeight - 1) / kTileHeight;
  const int32_t tiles = job.tilesAcross * tilesDown;
  return TakeInTurn(static_cast<size_t>(tiles), threads, progress, [&](Turns& turns) {
    Samples samples;
    Triangle triangles[2];
    bool made[2];
    while (const std::optional<size_t> taken = turns.Next()) {
      const auto t = static_cast<int32_t>(*taken);
      const int32_t x0 = (t % job.tilesAcross) * kTileWidth, y0 = (t / job.tilesAcross) * kTileHeight;
      const auto tile = static_cast<size_t>(t);
      // Enough samples a side for the most minified cell of the tile.
      double footprint = 0;
      bool any = false;
      for (const std::vector<std::vector<uint32_t>>& part : *job.bins) {
        any = any || !part[tile].empty();
        for (uint32_t cell : part[tile]) footprint = std::max<double>(footprint, (*job.footprints)[cell]);
      }
      if (!any) {
        FillBackground(*job.result, *job.destination, job.showoriginal, x0, y0, std::min(job.W, x0 + kTileWidth),
                       std::min(job.H, y0 + kTileHeight));
        continue;
      }
      const int n = std::clamp(static_cast<int>(std::ceil(footprint)), kMinSamples, kMaxSamples);
      samples.Start(x0, y0, n, footprint > n);
      for (const std::vector<std::vector<uint32_t>>& part : *job.bins)
        for (uint32_t cell : part[tile]) {
          CellTriangles(*job.mesh, cell, triangles, made);
          for (int k = 0; k < 2; ++k)
            if (made[k]) Rasterise(triangles[k], samples, job.W, job.H);
        }
      Resolve(job, samples);
    }
  });
}

// The mesh of the map, the kept source and the tiles, for a result of the
// destination's size W × H made already. False when stopped.
bool RenderRegion(const DirectionParts& parts, const RenderOptions& options, int32_t W, int32_t H) {
  const auto [source, sourceOutline, destination, destinationOutline, result] = parts;
  const auto [to, from] = ChosenMaps(destinationOutline, sourceOutline, options.perspective);
  const Mesh mesh = BuildMesh(to, from, kCell, to.view ? kSeenTolerance : kTolerance);

  // Each cell goes to the tiles its bounding box touches, in the map's order:
  // the mesh's rows are shared out among the threads in parts, each part
  // binned on its own, and a tile takes the cells of the parts in turn.
  const int count = ThreadsFor(options.threads, int64_t{W} * H);
  const int32_t tilesAcross = (W + kTileWidth - 1) / kTileWidth, tilesDown = (H + kTileHeight - 1) / kTileHeight;
  std::vector<std::vector<std::vector<uint32_t>>> bins(
      static_cast<size_t>(count),
      std::vector<std::vector<uint32_t>>(static_cast<size_t>(tilesAcross) * static_cast<size_t>(tilesDown)));
  const size_t cellColumns = mesh.Columns() - 1;
  std::vector<float> footprints(static_cast<size_t>(mesh.rows) * cellColumns);
  RunWorkers(count, [&](int part) {
    Triangle triangles[2];
    bool made[2];
    const auto firstRow = static_cast<int32_t>(int64_t{mesh.rows} * part / count);
    const auto endRow = static_cast<int32_t>(int64_t{mesh.rows} * (part + 1) / count);
    std::vector<std::vector<uint32_t>>& partBins = bins[static_cast<size_t>(part)];
    for (int32_t j = firstRow; j < endRow; ++j)
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
        footprints[cell] = static_cast<float>(
            std::max(made[0] ? triangles[0].footprint : 0.0, made[1] ? triangles[1].footprint : 0.0));
        const auto tileOf = [](double v, int32_t size, int32_t tiles) {
          return static_cast<int32_t>(std::clamp(std::floor((v + 0.5) / size), 0.0, tiles - 1.0));
        };
        for (int32_t ty = tileOf(top, kTileHeight, tilesDown); ty <= tileOf(bottom, kTileHeight, tilesDown); ++ty)
          for (int32_t tx = tileOf(left, kTileWidth, tilesAcross); tx <= tileOf(right, kTileWidth, tilesAcross); ++tx)
            partBins[static_cast<size_t>(ty) * static_cast<size_t>(tilesAcross) + static_cast<size_t>(tx)].push_back(
                cell);
      }
  });

  // The halvings the most minified cell reads, and the next one it blends
  // with.
  const float widest = footprints.empty() ? 0 : *std::max_element(footprints.begin(), footprints.end());
  const int halvings = widest > kMaxSamples ? static_cast<int>(std::ceil(std::log2(widest / kMaxSamples))) + 1 : 0;
  // Where no pixel spans more than two source pixels a side, a source that
  // suits is read where it lies.
  const bool inPlace = widest <= kMinSamples && PictureReads::Suits(source);
  std::optional<SourcePyramid> pyramid;
  if (!inPlace) {
    // Reads are centred within the mesh on the source.
    ReadBox reads{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (const Vec& v : mesh.source) {
      reads.left = std::min(reads.left, v.x);
      reads.right = std::max(reads.right, v.x);
      reads.top = std::min(reads.top, v.y);
      reads.bottom = std::max(reads.bottom, v.y);
    }
    pyramid.emplace(source, reads, halvings, count);
  }
  const PictureReads picture(source);
  const Job job{
      &mesh,        pyramid ? &*pyramid : nullptr, inPlace ? &picture : nullptr, &bins,  &footprints, W, H, tilesAcross,
      &destination, options.showoriginal,          options.transparent,          &result};
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
