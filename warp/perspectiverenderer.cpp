#include "warp/perspectiverenderer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <thread>
#include <vector>

#include "foundation/processor.h"
#include "warp/gridaxis.h"
#include "warp/picturereader.h"

namespace trellimap {
namespace {

// How far the mesh may stray from the map, in pixels of either picture.
constexpr double kTolerance = 0.02;
// Result rows are worked through in bands: each band is filled with its
// background and then drawn, while it is still in the cache.
constexpr int32_t kBandRows = 16;

// A triangle of the destination and the projective map from its pixels to
// the source's: (u, v) = (U, V) / W with U = u0 + ux × x + uy × y, and so on.
struct Piece {
  Vec corner[3];
  double u[3], v[3], w[3];  // constant, x and y terms
};

// The affine map taking triangle a onto triangle b, as a projective one;
// false for a triangle a without area.
bool AffineBetween(const Vec a[3], const Vec b[3], Homography& out) {
  const double e1x = a[1].x - a[0].x, e1y = a[1].y - a[0].y, e2x = a[2].x - a[0].x, e2y = a[2].y - a[0].y;
  const double det = e1x * e2y - e1y * e2x;
  if (!(std::abs(det) > 0)) return false;
  const double ax = e2y / det, ay = -e2x / det, bx = -e1y / det, by = e1x / det;
  const double f1u = b[1].x - b[0].x, f2u = b[2].x - b[0].x, f1v = b[1].y - b[0].y, f2v = b[2].y - b[0].y;
  out.m[0][0] = f1u * ax + f2u * bx;
  out.m[0][1] = f1u * ay + f2u * by;
  out.m[1][0] = f1v * ax + f2v * bx;
  out.m[1][1] = f1v * ay + f2v * by;
  out.m[0][2] = b[0].x - out.m[0][0] * a[0].x - out.m[0][1] * a[0].y;
  out.m[1][2] = b[0].y - out.m[1][0] * a[0].x - out.m[1][1] * a[0].y;
  out.m[2][0] = out.m[2][1] = 0;
  out.m[2][2] = 1;
  return true;
}

// The pieces of the map, in the map's order: cells by rows (r), then columns
// (s), two triangles each.
std::vector<Piece> PiecesOf(const OutlineMap& destination, const OutlineMap& source) {
  const OutlineMap flatTo(destination.side1, destination.side3), flatFrom(source.side1, source.side3);
  // The mesh follows the sides in the squares; its tolerance there is the
  // pixels' divided by how far the views stretch the square at most.
  const double stretch = std::max(LargestStretch(*destination.view), LargestStretch(*source.view));
  const Mesh mesh = BuildMesh(flatTo, flatFrom, std::numeric_limits<double>::infinity(), kTolerance / stretch);
  const Homography& toView = *destination.view;
  const Homography back = toView.Inverse();
  std::vector<Vec> seen(mesh.destination.size());
  for (size_t i = 0; i < seen.size(); ++i) seen[i] = toView.Apply(mesh.destination[i]);

  std::vector<Piece> pieces;
  const size_t columns = mesh.Columns();
  for (int32_t j = 0; j < mesh.rows; ++j)
    for (size_t c = 0; c + 1 < columns; ++c) {
      const size_t i00 = mesh.Index(j, c), i10 = mesh.Index(j, c + 1), i01 = mesh.Index(j + 1, c),
                   i11 = mesh.Index(j + 1, c + 1);
      for (const auto& corners : {std::array<size_t, 3>{i00, i10, i11}, std::array<size_t, 3>{i00, i11, i01}}) {
        const Vec flatA[3] = {mesh.destination[corners[0]], mesh.destination[corners[1]], mesh.destination[corners[2]]};
        const Vec flatB[3] = {mesh.source[corners[0]], mesh.source[corners[1]], mesh.source[corners[2]]};
        Homography between;
        if (!AffineBetween(flatA, flatB, between)) continue;
        const Homography map = source.view->After(between.After(back));
        Piece piece;
        for (int k = 0; k < 3; ++k) {
          piece.corner[k] = seen[corners[k]];
          piece.u[k] = map.m[0][(k + 2) % 3];
          piece.v[k] = map.m[1][(k + 2) % 3];
          piece.w[k] = map.m[2][(k + 2) % 3];
        }
        pieces.push_back(piece);
      }
    }
  return pieces;
}

// One edge of a triangle from its upper end down: the x where it crosses a
// row. Triangles sharing an edge work it out from the same end with the same
// numbers, so they agree on every crossing to the last bit.
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

// The first integer at or after c, within [low, high]; `low` for not a number.
int32_t FirstFrom(double c, int32_t low, int32_t high) {
  const double first = std::ceil(c);
  return first > low ? (first < high ? static_cast<int32_t>(first) : high) : low;
}

// The source offsets of pixels x0 … x0 + n − 1 of row y under the piece's
// map, −1 where the nearest pixel (halves to even) is off the source.
TRELLIMAP_CLONES("avx512f", "avx2", "default")
void SourceOffsets(const Piece& piece, int32_t y, int32_t x0, int32_t n, const PixelLayout& source, int32_t* out) {
  const double u0 = piece.u[0] + piece.u[2] * y, v0 = piece.v[0] + piece.v[2] * y, w0 = piece.w[0] + piece.w[2] * y;
  const double width = source.width, height = source.height;
  for (int32_t i = 0; i < n; ++i) {
    const double x = x0 + i;
    const double w = w0 + piece.w[1] * x;
    const double u = std::nearbyint((u0 + piece.u[1] * x) / w), v = std::nearbyint((v0 + piece.v[1] * x) / w);
    const bool inside = u >= 0 && u < width && v >= 0 && v < height;  // false for not a number
    const auto column = static_cast<uint32_t>(inside ? u : 0), row = static_cast<uint32_t>(inside ? v : 0);
    const uint32_t offset =
        (static_cast<uint32_t>(source.height) - 1 - row) * static_cast<uint32_t>(source.bytew) + 3 * column;
    out[i] = inside ? static_cast<int32_t>(offset) : -1;
  }
}

// The same as pixel coordinates, for pictures read one pixel at a time.
void SourcePixels(const Piece& piece, int32_t y, int32_t x0, int32_t n, int32_t* xs, int32_t* ys) {
  for (int32_t i = 0; i < n; ++i) {
    const double x = x0 + i;
    const double w = piece.w[0] + piece.w[1] * x + piece.w[2] * y;
    const double u = std::nearbyint((piece.u[0] + piece.u[1] * x + piece.u[2] * y) / w);
    const double v = std::nearbyint((piece.v[0] + piece.v[1] * x + piece.v[2] * y) / w);
    const bool near = std::fabs(u) < 1 << 30 && std::fabs(v) < 1 << 30;  // false for not a number
    xs[i] = near ? static_cast<int32_t>(u) : -1;
    ys[i] = near ? static_cast<int32_t>(v) : -1;
  }
}

struct Job {
  PictureReader source, destination;
  dib* result;
  int32_t W, H;
  bool showoriginal, transparent;
  const std::vector<Piece>* pieces;
  const std::vector<std::vector<uint32_t>>* bands;  // the pieces each band of rows meets, in order
};

// Writes the pixels x0 … x0 + n − 1 of row y from the piece.
void DrawSpan(const Job& job, const Piece& piece, int32_t y, int32_t x0, int32_t n, int32_t* scratch) {
  uint8_t* to = job.result->poi + static_cast<int64_t>(job.H - 1 - y) * job.result->bytew + 3 * int64_t{x0};
  const PictureReader& source = job.source;
  if (source.direct && !job.transparent) {
    SourceOffsets(piece, y, x0, n, PixelLayout{source.w, source.h, source.d->bytew}, scratch);
    for (int32_t i = 0; i < n; ++i) {
      if (scratch[i] >= 0)
        std::memcpy(to + 3 * i, source.d->poi + scratch[i], 3);
      else
        std::memset(to + 3 * i, 0, 3);
    }
    return;
  }
  int32_t* xs = scratch;
  int32_t* ys = scratch + job.W;
  SourcePixels(piece, y, x0, n, xs, ys);
  for (int32_t i = 0; i < n; ++i) {
    uint8_t bgr[3];
    source.Read(xs[i], ys[i], bgr);
    if (job.transparent) {
      uint8_t partner[3];
      job.destination.Read(x0 + i, y, partner);
      for (int k = 0; k < 3; ++k) bgr[k] = static_cast<uint8_t>((bgr[k] + partner[k]) >> 1);
    }
    std::memcpy(to + 3 * i, bgr, 3);
  }
}

// Draws the rows [y0, y1) of the piece's triangle: a row at y takes the pixels
// with x0 <= x < x1 between its edges, and the rows with top <= y < bottom,
// so that triangles sharing an edge neither take a pixel twice nor miss one.
void DrawPiece(const Job& job, const Piece& piece, int32_t y0, int32_t y1, int32_t* scratch) {
  Vec v[3] = {piece.corner[0], piece.corner[1], piece.corner[2]};
  std::sort(v, v + 3, [](const Vec& a, const Vec& b) { return a.y < b.y; });
  const Edge along(v[0], v[2]), upper(v[0], v[1]), lower(v[1], v[2]);
  const int32_t first = FirstFrom(v[0].y, y0, y1), end = FirstFrom(v[2].y, y0, y1);
  for (int32_t y = first; y < end; ++y) {
    const double a = along.At(y), b = (y < v[1].y ? upper : lower).At(y);
    const int32_t from = FirstFrom(std::min(a, b), 0, job.W), to = FirstFrom(std::max(a, b), 0, job.W);
    if (from < to) DrawSpan(job, piece, y, from, to - from, scratch);
  }
}

// Bands are taken in turn by all threads; the first tells `progress` how far
// they got, and when it is told to stop, every thread stops before its next band.
bool DrawBands(const Job& job, int threads, Progress* progress) {
  const auto bands = static_cast<int32_t>(job.bands->size());
  std::atomic<int32_t> next{0};
  std::atomic<bool> stopped{false};
  auto worker = [&](bool reports) {
    std::vector<int32_t> scratch(2 * static_cast<size_t>(job.W));
    for (int32_t b = next.fetch_add(1); b < bands && !stopped.load(); b = next.fetch_add(1)) {
      if (reports && !Continue(progress, static_cast<double>(b) / bands)) {
        stopped.store(true);
        break;
      }
      const int32_t y0 = b * kBandRows, y1 = std::min(job.H, y0 + kBandRows);
      FillBackground(*job.result, *job.destination.d, job.showoriginal, 0, y0, job.W, y1);
      for (uint32_t p : (*job.bands)[static_cast<size_t>(b)]) DrawPiece(job, (*job.pieces)[p], y0, y1, scratch.data());
    }
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(worker, false);
  worker(true);
  for (std::thread& h : helpers) h.join();
  return !stopped.load();
}

}  // namespace

bool RenderPerspectiveExact(const DirectionParts& parts, const RenderOptions& options, const OutlineMap& destination,
                            const OutlineMap& source) {
  const int32_t W = DibWidth(&parts.destination), H = DibHeight(&parts.destination);
  bool reused = false;
  if (!ReuseOrMake(parts.result, W, H, reused)) return true;  // no memory: the result stays empty
  try {
    const std::vector<Piece> pieces = PiecesOf(destination, source);
    std::vector<std::vector<uint32_t>> bands(static_cast<size_t>((H + kBandRows - 1) / kBandRows));
    for (size_t p = 0; p < pieces.size(); ++p) {
      double top = INFINITY, bottom = -INFINITY;
      for (const Vec& c : pieces[p].corner) {
        top = std::min(top, c.y);
        bottom = std::max(bottom, c.y);
      }
      const int32_t first = FirstFrom(top, 0, H), end = FirstFrom(bottom, 0, H);
      for (int32_t b = first / kBandRows; b * kBandRows < end; ++b)
        bands[static_cast<size_t>(b)].push_back(static_cast<uint32_t>(p));
    }
    const Job job{PictureReader(parts.source),
                  PictureReader(parts.destination),
                  &parts.result,
                  W,
                  H,
                  options.showoriginal,
                  options.transparent,
                  &pieces,
                  &bands};
    return DrawBands(job, RenderThreads(options.threads, W, H), options.progress);
  } catch (const std::bad_alloc&) {
    ReleaseDib(&parts.result);
    return true;
  }
}

}  // namespace trellimap
