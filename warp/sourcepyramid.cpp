#include "warp/sourcepyramid.h"

#include <immintrin.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "foundation/processor.h"
#include "foundation/workers.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// Two neighbouring stored pixels as colours, from one 8-byte load.
void Pair(const Bytes4* p, Colour& first, Colour& second) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  first = reinterpret_cast<Colour>(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)));
  second = reinterpret_cast<Colour>(_mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero)));
}

// One byte of each of eight pixels, as floats.
__attribute__((target("avx2"))) inline __m256 Channel(__m256i pixels, int shift) {
  return _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(pixels, shift), _mm256_set1_epi32(0xFF)));
}

// Spreads pixels first … first + count − 1 of a row of `width` pixels stored
// as blue, green, red into red, green, blue, zero, four at a time as far as
// a 16-byte load stays within the row. Returns how many it did.
__attribute__((target("avx2"))) int32_t SpreadRowAvx2(const uint8_t* row, int32_t first, int32_t count, int32_t width,
                                                      Bytes4* out) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
  int32_t x = 0;
  for (; x + 4 <= count && 3 * (int64_t{first} + x) + 16 <= 3 * int64_t{width}; x += 4) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 3 * (int64_t{first} + x)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_shuffle_epi8(bytes, order));
  }
  return x;
}

// Sums of neighbours in two rows: out[i] = (first[2i] + first[2i + 1]) +
// (second[2i] + second[2i + 1]) for i = 0 … count − 1, eight at a time as far
// as whole blocks go; with `numbers`, each value counts 1 if it is a number
// and 0 if not.
using Floats8 = float __attribute__((vector_size(32)));
TRELLIMAP_CLONES("avx2", "default")
void AddPairs(const float* first, const float* second, int count, bool numbers, float* out) {
  const auto take = [numbers](float value) { return numbers ? (value == value ? 1.0f : 0.0f) : value; };
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    Floats8 sum{};
    for (const float* row : {first, second}) {
      Floats8 a, b;
      std::memcpy(&a, row + 2 * i, sizeof a);
      std::memcpy(&b, row + 2 * i + 8, sizeof b);
      if (numbers) {
        a = a == a ? Floats8{} + 1 : Floats8{};
        b = b == b ? Floats8{} + 1 : Floats8{};
      }
      sum += __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14) +
             __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15);
    }
    std::memcpy(out + i, &sum, sizeof sum);
  }
  for (; i < count; ++i)
    out[i] = (take(first[2 * i]) + take(first[2 * i + 1])) + (take(second[2 * i]) + take(second[2 * i + 1]));
}

}  // namespace

void SourceLevel::Make(int32_t left, int32_t top, int32_t w, int32_t h, int threads, const RowOf& row) {
  left_ = left;
  top_ = top;
  w_ = w;
  h_ = h;
  // Reads start at shifted coordinates 0 … w and 0 … h.
  blocksAcross_ = w / kBlock + 1;
  blocksDown_ = h / kBlock + 1;
  px_.resize(static_cast<size_t>(blocksAcross_) * static_cast<size_t>(blocksDown_) * kBlockSize);
  const auto part = [&](int k) { return static_cast<int32_t>(int64_t{blocksDown_} * k / threads); };
  RunWorkers(threads, [&](int t) { FillBlockRows(row, part(t), part(t + 1)); });
}

void SourceLevel::FillBlockRows(const RowOf& row, int32_t first, int32_t end) {
  for (int32_t by = first; by < end; ++by)
    for (int32_t j = 0; j < kSide; ++j) {
      const int32_t y = by * kBlock + j - 1;
      const bool inside = y >= 0 && y < h_;
      for (int32_t bx = 0; bx < blocksAcross_; ++bx) {
        Bytes4* to =
            px_.data() +
            (static_cast<size_t>(by) * static_cast<size_t>(blocksAcross_) + static_cast<size_t>(bx)) * kBlockSize +
            static_cast<size_t>(j) * kSide;
        // The slice holds pixels x0 … x0 + 32 of the row; those off the picture are black.
        const int32_t x0 = bx * kBlock - 1;
        const int32_t from = std::max(x0, 0), until = inside ? std::min(x0 + kSide, w_) : from;
        if (from >= until) {
          std::fill(to, to + kSide, Bytes4{0, 0, 0, 0});
          continue;
        }
        std::fill(to, to + (from - x0), Bytes4{0, 0, 0, 0});
        row(y, from, until - from, to + (from - x0));
        std::fill(to + (until - x0), to + kSide, Bytes4{0, 0, 0, 0});
      }
    }
}

Colour SourceLevel::Bilinear(double u, double v) const {
  // Shifted by one, the coordinates of any read that touches the picture are
  // not negative, so truncation is the floor.
  const double su = u - left_ + 1, sv = v - top_ + 1;
  if (!(su >= 0 && su < w_ + 1 && sv >= 0 && sv < h_ + 1)) return Colour{0, 0, 0, 0};
  const auto x = static_cast<int32_t>(su), y = static_cast<int32_t>(sv);
  const auto ax = static_cast<float>(su - x), ay = static_cast<float>(sv - y);
  const Bytes4* p = px_.data() + Index(x, y);
  Colour p0, p1, q0, q1;
  Pair(p, p0, p1);
  Pair(p + kSide, q0, q1);
  const Colour top = p0 + (p1 - p0) * ax;
  const Colour bottom = q0 + (q1 - q0) * ax;
  return top + (bottom - top) * ay;
}

void SourceLevel::ReadBilinear(const float* u, const float* v, int count, float* red, float* green, float* blue,
                               int widest) const {
  // The wide reads index the stored pixels with 32-bit numbers.
  const bool indexable = px_.size() <= INT_MAX;
  if (indexable && widest >= 16 && HasAvx512())
    ReadBilinearAvx512(u, v, count, red, green, blue);
  else if (indexable && widest >= 8 && HasAvx2())
    ReadBilinearAvx2(u, v, count, red, green, blue);
  else
    ReadBilinearScalar(u, v, count, red, green, blue);
}

void SourceLevel::SumBilinear2x2(const float* u0, const float* v0, const float* u1, const float* v1, int count,
                                 float* taken, float* red, float* green, float* blue, int widest) const {
  // The wide sums reach the stored pixels by 32-bit byte offsets.
  if (px_.size() <= INT_MAX / sizeof(Bytes4) && widest >= 16 && HasAvx512Vnni()) {
    SumBilinear2x2Vnni(u0, v0, u1, v1, count, taken, red, green, blue);
    return;
  }
  // Otherwise a stretch of pixels at a time is read and summed; points that
  // are not numbers read as 0.
  constexpr int kStretch = 64;
  float values[2][3][2 * kStretch];
  for (int first = 0; first < count; first += kStretch) {
    const int pixels = std::min(kStretch, count - first);
    const float* us[2] = {u0 + 2 * first, u1 + 2 * first};
    const float* vs[2] = {v0 + 2 * first, v1 + 2 * first};
    for (int row = 0; row < 2; ++row)
      ReadBilinear(us[row], vs[row], 2 * pixels, values[row][0], values[row][1], values[row][2], widest);
    AddPairs(us[0], us[1], pixels, true, taken + first);
    float* sums[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c) AddPairs(values[0][c], values[1][c], pixels, false, sums[c] + first);
  }
}

void SourceLevel::ReadBilinearScalar(const float* u, const float* v, int count, float* red, float* green,
                                     float* blue) const {
  for (int i = 0; i < count; ++i) {
    const Colour c = Bilinear(u[i], v[i]);
    red[i] = c[0];
    green[i] = c[1];
    blue[i] = c[2];
  }
}

// Eight reads at a time: the two pixel pairs of each read gathered as 64-bit
// pairs (half the elements four single gathers would take), each channel
// interpolated across the eight at once. Samples 0 1 4 5 are gathered into
// one register and 2 3 6 7 into another, so that taking every other 32-bit
// value of the two puts the samples in order.
__attribute__((target("avx2,fma"))) void SourceLevel::ReadBilinearAvx2(const float* u, const float* v, int count,
                                                                       float* red, float* green, float* blue) const {
  const __m256 steps = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256 zero = _mm256_setzero_ps();
  const __m256 shiftU = _mm256_set1_ps(static_cast<float>(1 - left_)),
               shiftV = _mm256_set1_ps(static_cast<float>(1 - top_));
  const __m256 limitU = _mm256_set1_ps(static_cast<float>(w_ + 1));
  const __m256 limitV = _mm256_set1_ps(static_cast<float>(h_ + 1));
  const __m256i blocksAcross = _mm256_set1_epi32(blocksAcross_), inBlock = _mm256_set1_epi32(kBlock - 1);
  const __m256i pairOrder = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
  const auto* pixels = reinterpret_cast<const long long*>(px_.data());
  const auto* below = reinterpret_cast<const long long*>(px_.data() + kSide);
  for (int i = 0; i < count; i += 8) {
    // The last block takes its remaining lanes under a mask.
    const __m256 lanes = _mm256_cmp_ps(steps, _mm256_set1_ps(static_cast<float>(count - i)), _CMP_LT_OQ);
    const __m256 su = _mm256_add_ps(_mm256_maskload_ps(u + i, _mm256_castps_si256(lanes)), shiftU);
    const __m256 sv = _mm256_add_ps(_mm256_maskload_ps(v + i, _mm256_castps_si256(lanes)), shiftV);
    const __m256 inside = _mm256_and_ps(
        lanes,
        _mm256_and_ps(_mm256_and_ps(_mm256_cmp_ps(su, zero, _CMP_GE_OQ), _mm256_cmp_ps(su, limitU, _CMP_LT_OQ)),
                      _mm256_and_ps(_mm256_cmp_ps(sv, zero, _CMP_GE_OQ), _mm256_cmp_ps(sv, limitV, _CMP_LT_OQ))));
    // Reads off the level take the first stored pixels, and are made black below.
    const __m256i x = _mm256_cvttps_epi32(_mm256_and_ps(su, inside));
    const __m256i y = _mm256_cvttps_epi32(_mm256_and_ps(sv, inside));
    const __m256 ax = _mm256_sub_ps(su, _mm256_cvtepi32_ps(x)), ay = _mm256_sub_ps(sv, _mm256_cvtepi32_ps(y));
    // Index(x, y): the block, then the place within it.
    const __m256i block =
        _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(y, 5), blocksAcross), _mm256_srli_epi32(x, 5));
    const __m256i within = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(y, inBlock), _mm256_set1_epi32(kSide)),
                                            _mm256_and_si256(x, inBlock));
    const __m256i at = _mm256_permutevar8x32_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(block, _mm256_set1_epi32(kBlockSize)), within), pairOrder);
    const __m128i atFirst = _mm256_castsi256_si128(at), atSecond = _mm256_extracti128_si256(at, 1);
    const __m256 top0 = _mm256_castsi256_ps(_mm256_i32gather_epi64(pixels, atFirst, 4));
    const __m256 top1 = _mm256_castsi256_ps(_mm256_i32gather_epi64(pixels, atSecond, 4));
    const __m256 bottom0 = _mm256_castsi256_ps(_mm256_i32gather_epi64(below, atFirst, 4));
    const __m256 bottom1 = _mm256_castsi256_ps(_mm256_i32gather_epi64(below, atSecond, 4));
    const __m256i p0 = _mm256_castps_si256(_mm256_shuffle_ps(top0, top1, 0x88));
    const __m256i p1 = _mm256_castps_si256(_mm256_shuffle_ps(top0, top1, 0xDD));
    const __m256i q0 = _mm256_castps_si256(_mm256_shuffle_ps(bottom0, bottom1, 0x88));
    const __m256i q1 = _mm256_castps_si256(_mm256_shuffle_ps(bottom0, bottom1, 0xDD));
    float* planes[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c) {
      const __m256 a = Channel(p0, 8 * c), b = Channel(q0, 8 * c);
      const __m256 top = _mm256_fmadd_ps(_mm256_sub_ps(Channel(p1, 8 * c), a), ax, a);
      const __m256 bottom = _mm256_fmadd_ps(_mm256_sub_ps(Channel(q1, 8 * c), b), ax, b);
      const __m256 value = _mm256_fmadd_ps(_mm256_sub_ps(bottom, top), ay, top);
      _mm256_maskstore_ps(planes[c] + i, _mm256_castps_si256(lanes), _mm256_and_ps(value, inside));
    }
  }
}

// The same sixteen at a time, on processors with the wider vectors, where it
// takes a tenth less time overall. GCC's own intrinsics header trips its
// uninitialised-value warning here; the values it means are never read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
__attribute__((target("avx512f,avx512vl,fma"))) inline __m512 Channel16(__m512i pixels, int shift) {
  return _mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(pixels, shift), _mm512_set1_epi32(0xFF)));
}

__attribute__((target("avx512f,avx512vl,fma"))) void SourceLevel::ReadBilinearAvx512(const float* u, const float* v,
                                                                                     int count, float* red,
                                                                                     float* green, float* blue) const {
  const __m512 shiftU = _mm512_set1_ps(static_cast<float>(1 - left_));
  const __m512 shiftV = _mm512_set1_ps(static_cast<float>(1 - top_));
  const __m512 limitU = _mm512_set1_ps(static_cast<float>(w_ + 1));
  const __m512 limitV = _mm512_set1_ps(static_cast<float>(h_ + 1));
  const __m512 zero = _mm512_setzero_ps();
  const __m512i blocksAcross = _mm512_set1_epi32(blocksAcross_), inBlock = _mm512_set1_epi32(kBlock - 1);
  const __m512i pairOrder = _mm512_setr_epi32(0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15);
  const auto* pixels = reinterpret_cast<const long long*>(px_.data());
  const auto* below = reinterpret_cast<const long long*>(px_.data() + kSide);
  for (int i = 0; i < count; i += 16) {
    // The last block takes its remaining lanes under a mask.
    const __mmask16 lanes = count - i >= 16 ? 0xFFFF : static_cast<__mmask16>((1u << (count - i)) - 1);
    const __m512 su = _mm512_add_ps(_mm512_maskz_loadu_ps(lanes, u + i), shiftU);
    const __m512 sv = _mm512_add_ps(_mm512_maskz_loadu_ps(lanes, v + i), shiftV);
    // Reads off the level take the first stored pixels, and are made black below.
    const __mmask16 inside = lanes & _mm512_cmp_ps_mask(su, zero, _CMP_GE_OQ) &
                             _mm512_cmp_ps_mask(su, limitU, _CMP_LT_OQ) & _mm512_cmp_ps_mask(sv, zero, _CMP_GE_OQ) &
                             _mm512_cmp_ps_mask(sv, limitV, _CMP_LT_OQ);
    const __m512i x = _mm512_maskz_cvttps_epi32(inside, su);
    const __m512i y = _mm512_maskz_cvttps_epi32(inside, sv);
    const __m512 ax = _mm512_sub_ps(su, _mm512_cvtepi32_ps(x)), ay = _mm512_sub_ps(sv, _mm512_cvtepi32_ps(y));
    const __m512i block =
        _mm512_add_epi32(_mm512_mullo_epi32(_mm512_srli_epi32(y, 5), blocksAcross), _mm512_srli_epi32(x, 5));
    const __m512i within = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_and_si512(y, inBlock), _mm512_set1_epi32(kSide)),
                                            _mm512_and_si512(x, inBlock));
    // Pairs as in the eight-wide read, samples 0 1 4 5 8 9 12 13 and 2 3 6 7 10 11 14 15.
    const __m512i at = _mm512_permutexvar_epi32(
        pairOrder, _mm512_add_epi32(_mm512_mullo_epi32(block, _mm512_set1_epi32(kBlockSize)), within));
    const __m256i atFirst = _mm512_castsi512_si256(at), atSecond = _mm512_extracti64x4_epi64(at, 1);
    const __m512 top0 = _mm512_castsi512_ps(_mm512_i32gather_epi64(atFirst, pixels, 4));
    const __m512 top1 = _mm512_castsi512_ps(_mm512_i32gather_epi64(atSecond, pixels, 4));
    const __m512 bottom0 = _mm512_castsi512_ps(_mm512_i32gather_epi64(atFirst, below, 4));
    const __m512 bottom1 = _mm512_castsi512_ps(_mm512_i32gather_epi64(atSecond, below, 4));
    const __m512i p0 = _mm512_castps_si512(_mm512_shuffle_ps(top0, top1, 0x88));
    const __m512i p1 = _mm512_castps_si512(_mm512_shuffle_ps(top0, top1, 0xDD));
    const __m512i q0 = _mm512_castps_si512(_mm512_shuffle_ps(bottom0, bottom1, 0x88));
    const __m512i q1 = _mm512_castps_si512(_mm512_shuffle_ps(bottom0, bottom1, 0xDD));
    float* planes[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c) {
      const __m512 a = Channel16(p0, 8 * c), b = Channel16(q0, 8 * c);
      const __m512 top = _mm512_fmadd_ps(_mm512_sub_ps(Channel16(p1, 8 * c), a), ax, a);
      const __m512 bottom = _mm512_fmadd_ps(_mm512_sub_ps(Channel16(q1, 8 * c), b), ax, b);
      const __m512 value = _mm512_maskz_mov_ps(inside, _mm512_fmadd_ps(_mm512_sub_ps(bottom, top), ay, top));
      _mm512_mask_storeu_ps(planes[c] + i, lanes, value);
    }
  }
}
namespace {

constexpr int kWhole = 1 << 14;  // weights of the 2 × 2 sums, in steps of 1/16384

// Where the 2 × 2 sums find the pixel pairs of their reads: in a level's
// blocks (4 bytes a pixel), or in a 24-bit picture where it lies (3 bytes a
// pixel, blue first, rows from the bottom up).
struct PairSource {
  const uint8_t* first;  // byte offsets count from here
  int32_t below;         // bytes from a pixel to the one under it
  // Reads with u + shiftU in [0, limitU) and v + shiftV in [0, limitV)
  // touch the level or picture.
  float shiftU, shiftV, limitU, limitV;
  int32_t blocksAcross;           // of a level
  int32_t width, height, stride;  // of a picture, in pixels, rows and bytes
};

// The 64-bit values at `from` + where[0 … 7] bytes, loaded one by one: on
// some processors faster than a gather.
__attribute__((target("avx512f,avx512vl"))) inline __m512i Eight(const uint8_t* from, const int32_t* where) {
  __m128i pairs[4];
  for (int k = 0; k < 4; ++k) {
    long long first, second;
    std::memcpy(&first, from + where[2 * k], sizeof first);
    std::memcpy(&second, from + where[2 * k + 1], sizeof second);
    pairs[k] = _mm_insert_epi64(_mm_cvtsi64_si128(first), second, 1);
  }
  return _mm512_inserti64x4(
      _mm512_castsi256_si512(_mm256_inserti128_si256(_mm256_castsi128_si256(pairs[0]), pairs[1], 1)),
      _mm256_inserti128_si256(_mm256_castsi128_si256(pairs[2]), pairs[3], 1), 1);
}

// Eight pixels' points, both rows, made ready for loading: where each
// point's pixel pairs lie, the weights of the pairs, and the points that are
// numbers.
struct Prepared {
  alignas(64) int32_t where[2][16];
  __m512i upper[2], lower[2];
  __mmask16 number[2];
};

// Works out Prepared for the pixels from i on, of `count`.
template <bool kInPicture>
__attribute__((target("avx512f,avx512vl,avx512bw,avx512vbmi,avx512vnni,avx512dq,fma"), always_inline)) inline void
Prepare(const PairSource& source, const float* const (&us)[2], const float* const (&vs)[2], int i, int count,
        Prepared& ready) {
  const __m512 zero = _mm512_setzero_ps(), whole = _mm512_set1_ps(kWhole);
  const __m512i none = _mm512_setzero_si512(), one = _mm512_set1_epi32(1);
  const int left = count - i;
  const __mmask16 lanes = left >= 8 ? 0xFFFF : static_cast<__mmask16>((1u << (2 * left)) - 1);
  for (int row = 0; row < 2; ++row) {
    const __m512 su = _mm512_add_ps(_mm512_maskz_loadu_ps(lanes, us[row] + 2 * i), _mm512_set1_ps(source.shiftU));
    const __m512 sv = _mm512_add_ps(_mm512_maskz_loadu_ps(lanes, vs[row] + 2 * i), _mm512_set1_ps(source.shiftV));
    ready.number[row] = lanes & _mm512_cmp_ps_mask(su, su, _CMP_ORD_Q);
    // Reads that touch nothing weigh their pixels nothing.
    const __mmask16 inside = lanes & _mm512_cmp_ps_mask(su, zero, _CMP_GE_OQ) &
                             _mm512_cmp_ps_mask(su, _mm512_set1_ps(source.limitU), _CMP_LT_OQ) &
                             _mm512_cmp_ps_mask(sv, zero, _CMP_GE_OQ) &
                             _mm512_cmp_ps_mask(sv, _mm512_set1_ps(source.limitV), _CMP_LT_OQ);
    // Shifted so that truncation is the floor.
    const __m512i x = _mm512_maskz_cvttps_epi32(inside, su);
    const __m512i y = _mm512_maskz_cvttps_epi32(inside, sv);
    const __m512i ax = _mm512_cvtps_epi32(_mm512_mul_ps(_mm512_reduce_ps(su, _MM_FROUND_TO_NEG_INF), whole));
    const __m512i ay = _mm512_cvtps_epi32(_mm512_mul_ps(_mm512_reduce_ps(sv, _MM_FROUND_TO_NEG_INF), whole));
    // The four weights add up to exactly one.
    const __m512i w11 =
        _mm512_srli_epi32(_mm512_add_epi32(_mm512_mullo_epi32(ax, ay), _mm512_set1_epi32(kWhole / 2)), 14);
    const __m512i w10 = _mm512_sub_epi32(ax, w11), w01 = _mm512_sub_epi32(ay, w11);
    const __m512i w00 = _mm512_sub_epi32(_mm512_sub_epi32(_mm512_set1_epi32(kWhole), ax), w01);
    __m512i upper = _mm512_maskz_or_epi32(inside, w00, _mm512_slli_epi32(w10, 16));
    __m512i lower = _mm512_maskz_or_epi32(inside, w01, _mm512_slli_epi32(w11, 16));
    __m512i at;
    if constexpr (kInPicture) {
      // The pair loaded is kept on the picture; a read that reaches off its
      // edge has its weights moved onto the pixels loaded, and those off the
      // picture weigh nothing. The last pair of a row is loaded with two
      // bytes past it, which the next row or the slack after the picture's
      // block holds.
      const __m512i width = _mm512_set1_epi32(source.width), height = _mm512_set1_epi32(source.height);
      const __m512i two = _mm512_set1_epi32(2);
      __m512i loadX = _mm512_sub_epi32(x, one), loadY = _mm512_sub_epi32(y, one);
      // Shifted, a read off an edge starts at 0 or at the width or height;
      // a read that touches nothing is loaded from the first pair.
      const __mmask16 offEdge = _mm512_cmpge_epu32_mask(loadX, _mm512_sub_epi32(width, one)) |
                                _mm512_cmpge_epu32_mask(loadY, _mm512_sub_epi32(height, one));
      if (offEdge != 0) {
        loadX = _mm512_min_epi32(_mm512_max_epi32(loadX, none), _mm512_sub_epi32(width, two));
        loadY = _mm512_min_epi32(_mm512_max_epi32(loadY, none), _mm512_sub_epi32(height, two));
        const __mmask16 atLeft = inside & _mm512_cmpeq_epi32_mask(x, none);
        const __mmask16 atRight = inside & _mm512_cmpeq_epi32_mask(x, width);
        const __mmask16 atTop = inside & _mm512_cmpeq_epi32_mask(y, none);
        const __mmask16 atBottom = inside & _mm512_cmpeq_epi32_mask(y, height);
        upper = _mm512_mask_srli_epi32(upper, atLeft, upper, 16);
        lower = _mm512_mask_srli_epi32(lower, atLeft, lower, 16);
        upper = _mm512_mask_slli_epi32(upper, atRight, upper, 16);
        lower = _mm512_mask_slli_epi32(lower, atRight, lower, 16);
        const __m512i above = upper;
        upper = _mm512_mask_mov_epi32(upper, atTop, lower);
        lower = _mm512_mask_mov_epi32(lower, atTop, none);
        lower = _mm512_mask_mov_epi32(lower, atBottom, above);
        upper = _mm512_mask_mov_epi32(upper, atBottom, none);
      }
      at = _mm512_sub_epi32(_mm512_mullo_epi32(loadX, _mm512_set1_epi32(3)),
                            _mm512_mullo_epi32(loadY, _mm512_set1_epi32(source.stride)));
    } else {
      const __m512i inBlock = _mm512_set1_epi32(SourceLevel::kBlock - 1);
      const __m512i block = _mm512_add_epi32(
          _mm512_mullo_epi32(_mm512_srli_epi32(y, 5), _mm512_set1_epi32(source.blocksAcross)), _mm512_srli_epi32(x, 5));
      const __m512i within =
          _mm512_add_epi32(_mm512_mullo_epi32(_mm512_and_si512(y, inBlock), _mm512_set1_epi32(SourceLevel::kSide)),
                           _mm512_and_si512(x, inBlock));
      at = _mm512_slli_epi32(
          _mm512_add_epi32(_mm512_mullo_epi32(block, _mm512_set1_epi32(SourceLevel::kBlockSize)), within), 2);
    }
    _mm512_store_si512(ready.where[row], at);
    ready.upper[row] = upper;
    ready.lower[row] = lower;
  }
}

// Sixteen points of a row at a time, with the weights of the four pixels
// of each read as whole numbers in steps of 1/16384: the weighted colours
// are summed as whole numbers, both rows of a pixel and its two points
// added before one conversion. The two pixel pairs of each point are loaded
// as 64-bit values, eight points to a register, and byte permutes across
// the two registers give each channel's pairs as 16-bit values next to
// their weights. The next eight pixels are prepared before these are loaded,
// so that the loads find their offsets long stored.
template <bool kInPicture>
__attribute__((target("avx512f,avx512vl,avx512bw,avx512vbmi,avx512vnni,avx512dq,fma"))) void SumPairs(
    const PairSource& source, const float* u0, const float* v0, const float* u1, const float* v1, int count,
    float* taken, float* red, float* green, float* blue) {
  const __m512i none = _mm512_setzero_si512(), one = _mm512_set1_epi32(1);
  // Channel c of point k: the bytes of that channel of its two pixels, as
  // the two 16-bit halves of 32-bit value k (the odd bytes are cleared).
  __m512i picks[3];
  for (int c = 0; c < 3; ++c) {
    const int at = kInPicture ? 2 - c : c, next = kInPicture ? 3 : 4;
    alignas(64) uint8_t order[64] = {};
    for (int k = 0; k < 16; ++k) {
      order[4 * k] = static_cast<uint8_t>(8 * k + at);
      order[4 * k + 2] = static_cast<uint8_t>(8 * k + next + at);
    }
    picks[c] = _mm512_load_si512(order);
  }
  constexpr __mmask64 kLowBytes = 0x5555555555555555;
  float* planes[4] = {red, green, blue, taken};
  const float* const us[2] = {u0, u1};
  const float* const vs[2] = {v0, v1};
  Prepared ready[2];
  if (count > 0) Prepare<kInPicture>(source, us, vs, 0, count, ready[0]);
  for (int i = 0, k = 0; i < count; i += 8, k ^= 1) {
    if (i + 8 < count) Prepare<kInPicture>(source, us, vs, i + 8, count, ready[k ^ 1]);
    const Prepared& these = ready[k];
    asm volatile("" : : "m"(these.where) : "memory");
    // Red, green and blue in 1/16384, and the points that are numbers.
    __m512i sums[4] = {none, none, none, none};
    for (int row = 0; row < 2; ++row) {
      const int32_t* where = these.where[row];
      const __m512i top0 = Eight(source.first, where), top1 = Eight(source.first, where + 8);
      const __m512i bottom0 = Eight(source.first + source.below, where);
      const __m512i bottom1 = Eight(source.first + source.below, where + 8);
      for (int c = 0; c < 3; ++c) {
        const __m512i top = _mm512_maskz_permutex2var_epi8(kLowBytes, top0, picks[c], top1);
        const __m512i bottom = _mm512_maskz_permutex2var_epi8(kLowBytes, bottom0, picks[c], bottom1);
        sums[c] = _mm512_dpwssd_epi32(_mm512_dpwssd_epi32(sums[c], top, these.upper[row]), bottom, these.lower[row]);
      }
      sums[3] = _mm512_mask_add_epi32(sums[3], these.number[row], sums[3], one);
    }
    // Each pixel's two points are neighbours.
    const int left = count - i;
    const __mmask8 out = left >= 8 ? 0xFF : static_cast<__mmask8>((1u << left) - 1);
    for (int c = 0; c < 4; ++c) {
      const __m512i pairs = _mm512_add_epi32(sums[c], _mm512_srli_epi64(sums[c], 32));
      const __m256 value = _mm256_cvtepi32_ps(_mm512_cvtepi64_epi32(pairs));
      _mm256_mask_storeu_ps(planes[c] + i, out, c < 3 ? _mm256_mul_ps(value, _mm256_set1_ps(1.0f / kWhole)) : value);
    }
  }
}

}  // namespace

void SourceLevel::SumBilinear2x2Vnni(const float* u0, const float* v0, const float* u1, const float* v1, int count,
                                     float* taken, float* red, float* green, float* blue) const {
  PairSource source{};
  source.first = reinterpret_cast<const uint8_t*>(px_.data());
  source.below = 4 * kSide;
  source.shiftU = static_cast<float>(1 - left_);
  source.shiftV = static_cast<float>(1 - top_);
  source.limitU = static_cast<float>(w_ + 1);
  source.limitV = static_cast<float>(h_ + 1);
  source.blocksAcross = blocksAcross_;
  SumPairs<false>(source, u0, v0, u1, v1, count, taken, red, green, blue);
}

static_assert(kPixelBlockSlack >= 2, "a row's last pixel pair is loaded as 8 bytes");

bool PictureReads::Suits(const dib& picture) {
  const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
  return HasAvx512Vnni() && DibBitCount(&picture) == 24 && picture.poi != nullptr && w >= 3 && h >= 3 &&
         int64_t{picture.bytew} * h <= INT_MAX;
}

PictureReads::PictureReads(const dib& picture) : picture_(&picture) {}

void PictureReads::SumBilinear2x2(const float* u0, const float* v0, const float* u1, const float* v1, int count,
                                  float* taken, float* red, float* green, float* blue) const {
  const int32_t w = DibWidth(picture_), h = DibHeight(picture_);
  PairSource source{};
  source.first = picture_->poi + static_cast<int64_t>(h - 1) * picture_->bytew;
  source.below = -picture_->bytew;
  source.shiftU = source.shiftV = 1;
  source.limitU = static_cast<float>(w + 1);
  source.limitV = static_cast<float>(h + 1);
  source.width = w;
  source.height = h;
  source.stride = picture_->bytew;
  SumPairs<true>(source, u0, v0, u1, v1, count, taken, red, green, blue);
}
#pragma GCC diagnostic pop

SourcePyramid::SourcePyramid(const dib& picture, const ReadBox& reads, int halvings, int threads) {
  const int32_t width = DibWidth(&picture), height = DibHeight(&picture);
  // A read at level k reaches 1.5 of its pixels, 1.5 × 2^k source pixels,
  // from its centre; the kept part starts and ends on whole pixels of the
  // last halving (or at the picture's edge), so that each halving averages
  // the same pixels as one of the whole picture would.
  const double margin = std::ldexp(2.0, halvings) + 2, align = std::ldexp(1.0, halvings);
  const auto edge = [&](double at, bool up, int32_t size) {
    if (!std::isfinite(at)) return up ? size : 0;
    const double aligned = (up ? std::ceil((at + margin) / align) : std::floor((at - margin) / align)) * align;
    return static_cast<int32_t>(std::clamp(aligned, 0.0, static_cast<double>(size)));
  };
  const int32_t left = edge(reads.left, false, width), right = std::max(left, edge(reads.right, true, width));
  const int32_t top = edge(reads.top, false, height), bottom = std::max(top, edge(reads.bottom, true, height));
  const int32_t w = right - left, h = bottom - top;

  SourceLevel base;
  if (DibBitCount(&picture) == 24) {
    base.Make(left, top, w, h, threads, [&](int32_t y, int32_t x0, int32_t count, Bytes4* out) {
      const uint8_t* row = picture.poi + static_cast<int64_t>(height - 1 - top - y) * picture.bytew;
      const int32_t first = left + x0;
      const int32_t done = HasAvx2() ? SpreadRowAvx2(row, first, count, width, out) : 0;
      for (int32_t x = done; x < count; ++x)
        out[x] = Bytes4{row[3 * (first + x) + 2], row[3 * (first + x) + 1], row[3 * (first + x)], 0};
    });
  } else {
    base.Make(left, top, w, h, threads, [&](int32_t y, int32_t x0, int32_t count, Bytes4* out) {
      for (int32_t x = 0; x < count; ++x) {
        const uint32_t c = DibPixelColour(picture, left + x0 + x, top + y);
        out[x] = Bytes4{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16), 0};
      }
    });
  }
  levels_.push_back(std::move(base));

  for (int k = 1; k <= halvings; ++k) {
    const SourceLevel& from = levels_.back();
    const int32_t halfW = (from.Width() + 1) / 2;
    SourceLevel next;
    next.Make(left >> k, top >> k, halfW, (from.Height() + 1) / 2, 1,
              [&](int32_t y, int32_t x0, int32_t count, Bytes4* out) {
                for (int32_t i = 0; i < count; ++i) {
                  const int32_t x = x0 + i;
                  const Colour sum = __builtin_convertvector(from.Pixel(2 * x, 2 * y), Colour) +
                                     __builtin_convertvector(from.Pixel(2 * x + 1, 2 * y), Colour) +
                                     __builtin_convertvector(from.Pixel(2 * x, 2 * y + 1), Colour) +
                                     __builtin_convertvector(from.Pixel(2 * x + 1, 2 * y + 1), Colour);
                  for (int c = 0; c < 3; ++c) out[i][c] = static_cast<uint8_t>((sum[c] + 2) / 4);
                  out[i][3] = 0;
                }
              });
    levels_.push_back(std::move(next));
  }
}

const SourceLevel& SourcePyramid::Get(int level) const {
  return levels_[static_cast<size_t>(std::min<int>(level, static_cast<int>(levels_.size()) - 1))];
}

// Pixel centres of level k lie at 2^k × (x + 0.5) − 0.5 of the source.
Colour SourcePyramid::Read(double u, double v, float detail) const {
  if (detail <= 0) return Base().Bilinear(u, v);
  const int low = static_cast<int>(detail);
  const double fineScale = std::ldexp(1.0, -low), coarseScale = fineScale / 2;
  const Colour c = Get(low).Bilinear((u + 0.5) * fineScale - 0.5, (v + 0.5) * fineScale - 0.5);
  const Colour d = Get(low + 1).Bilinear((u + 0.5) * coarseScale - 0.5, (v + 0.5) * coarseScale - 0.5);
  return c + (d - c) * (detail - static_cast<float>(low));
}

}  // namespace trellimap
