#pragma once
// The source picture as the smooth renderer reads it: bilinear reads at any
// point, and halvings of it for reads that must average many pixels.
//
// A level keeps its pixels in blocks of 32 × 32, each stored with the first
// row and column of its right and lower neighbours (33 × 33), so that the
// four pixels of any bilinear read lie in one block at fixed offsets, and the
// pixels one tile of the destination reads lie on few memory pages. A black
// border of one pixel runs all round, so that reads near an edge need no test
// per pixel; reads further out are black.

#include <cstdint>
#include <functional>
#include <vector>

#include "foundation/hugepages.h"
#include "image/dib.h"

namespace trellimap {

// Four floats, red, green, blue and a spare, worked on as one.
using Colour = float __attribute__((vector_size(16)));
// A stored pixel: red, green, blue and zero.
using Bytes4 = uint8_t __attribute__((vector_size(4)));

class SourceLevel {
 public:
  static constexpr int32_t kBlock = 32;                 // pixels a side
  static constexpr int32_t kSide = kBlock + 1;          // stored a side
  static constexpr int32_t kBlockSize = kSide * kSide;  // stored a block

  int32_t Width() const { return w_; }
  int32_t Height() const { return h_; }

  // Writes pixels x … x + count − 1 of the level's row y (counted from its
  // first pixel) to `out`; called from several threads at once.
  using RowOf = std::function<void(int32_t y, int32_t x, int32_t count, Bytes4* out)>;
  // Makes a level w × h whose first pixel sits at (left, top) of the picture
  // it is part of; everything outside reads as black. Its block rows are
  // shared out among `threads`.
  void Make(int32_t left, int32_t top, int32_t w, int32_t h, int threads, const RowOf& row);

  // The pixel at (x, y) from the level's first; (−1 … w, −1 … h) for the border.
  Bytes4 Pixel(int32_t x, int32_t y) const { return px_[Index(x + 1, y + 1)]; }

  // The bilinear value at (u, v), pixel centres at whole numbers.
  Colour Bilinear(double u, double v) const;

  // Bilinear values at (u[i], v[i]) for i = 0 … count − 1, into three planes,
  // as many at a time as the processor allows, up to `widest`.
  void ReadBilinear(const float* u, const float* v, int count, float* red, float* green, float* blue,
                    int widest = 16) const;

  // Sums of bilinear values, four to a pixel: pixel i, for i = 0 … count − 1,
  // sums the values at points 2i and 2i + 1 of (u0, v0) and of (u1, v1).
  // Points that are not numbers are left out; `taken` tells how many of the
  // four were not. The sums may differ from those of ReadBilinear's values
  // by up to 0.03 a value.
  void SumBilinear2x2(const float* u0, const float* v0, const float* u1, const float* v1, int count, float* taken,
                      float* red, float* green, float* blue, int widest = 16) const;

 private:
  // The stored place of (X, Y), coordinates shifted by one so that the
  // border is at 0 and the picture starts at 1.
  size_t Index(int32_t X, int32_t Y) const {
    return (static_cast<size_t>(Y / kBlock) * static_cast<size_t>(blocksAcross_) + static_cast<size_t>(X / kBlock)) *
               kBlockSize +
           static_cast<size_t>(Y % kBlock) * kSide + static_cast<size_t>(X % kBlock);
  }
  void FillBlockRows(const RowOf& row, int32_t first, int32_t end);
  void ReadBilinearScalar(const float* u, const float* v, int count, float* red, float* green, float* blue) const;
  void ReadBilinearAvx2(const float* u, const float* v, int count, float* red, float* green, float* blue) const;
  void ReadBilinearAvx512(const float* u, const float* v, int count, float* red, float* green, float* blue) const;
  void SumBilinear2x2Vnni(const float* u0, const float* v0, const float* u1, const float* v1, int count, float* taken,
                          float* red, float* green, float* blue) const;

  int32_t left_ = 0, top_ = 0, w_ = 0, h_ = 0;
  int32_t blocksAcross_ = 0, blocksDown_ = 0;
  std::vector<Bytes4, HugePageAllocator<Bytes4>> px_;
};

// A 24-bit source read where it lies, for the 2 × 2 sums alone: reads with
// no more than two points to a source pixel need no halvings, and reading
// the picture in place spares making a level of it.
class PictureReads {
 public:
  // Whether `picture` can be read in place on this processor.
  static bool Suits(const dib& picture);
  // Reads `picture`, which Suits and outlives this.
  explicit PictureReads(const dib& picture);

  // As SourceLevel::SumBilinear2x2 on a level of the whole picture.
  void SumBilinear2x2(const float* u0, const float* v0, const float* u1, const float* v1, int count, float* taken,
                      float* red, float* green, float* blue) const;

 private:
  const dib* picture_;
};

// Where reads of the source are centred: a box in source pixels.
struct ReadBox {
  double left, top, right, bottom;
};

// The source and its halvings, each averaged from the one before over 2 × 2
// pixels (a missing neighbour past an odd edge counts as black, as reads off
// the picture do). Only the part of the source that reads centred in a box
// can reach is kept, so that a small outline on a large picture costs little.
class SourcePyramid {
 public:
  // The source and `halvings` halvings of it, level 0 made by `threads` threads.
  SourcePyramid(const dib& picture, const ReadBox& reads, int halvings, int threads);

  const SourceLevel& Base() const { return levels_.front(); }
  // The colour at (u, v) of the source averaged over about 2^detail pixels
  // across: read from the two halvings nearest that size, blended.
  Colour Read(double u, double v, float detail) const;

 private:
  const SourceLevel& Get(int level) const;

  std::vector<SourceLevel> levels_;
};

}  // namespace trellimap
