#pragma once
// Following a page's edge across the side of a guess: along the side, the
// place where the lightness falls from the page to its surroundings.

#include <optional>
#include <vector>

#include "detect/sidecurve.h"
#include "detect/workingcopy.h"

namespace trellimap {

// The slope of the working copy's level across `guess` (along its normal)
// at the places TraceEdge looks for t from t0 to t1: each place read once,
// however often the stretch is traced, in wider bands or the other polarity.
class BandReadings {
 public:
  BandReadings(const WorkingCopy& copy, const SideCurve& guess, double t0, double t1);

  int Samples() const { return samples_; }
  // Point j's place along the side and the slope at `offset` whole pixels
  // off it, for offsets within `reach`, which must have been made.
  Vec Base(int j) const { return bases_[static_cast<size_t>(j)]; }
  float Slope(int j, int offset) const {
    return slopes_[static_cast<size_t>(offset + reach_) * static_cast<size_t>(samples_) + static_cast<size_t>(j)];
  }
  // Reads the places out to `reach` pixels either side not read yet.
  void Reach(int reach);

 private:
  const WorkingCopy& copy_;
  Vec normal_;
  int samples_;
  std::vector<Vec> bases_;
  int reach_ = -1;
  std::vector<float> slopes_;  // offset by offset, from -reach_, each sample by sample
};

// The edge's points near `guess` (working pixels) for t from t0 to t1, at
// most `band` pixels off it: the path of strongest rise in lightness into the
// page (fall where `polarity` is -1, the page darker than its surroundings) that
// moves little from one point to the next. Points where the edge is too faint
// to see are left out. `strength`, where given, is set to the mean rise at the points.
std::vector<Vec> TraceEdge(const WorkingCopy& copy, const SideCurve& guess, double t0, double t1, double band,
                           int polarity, float* strength = nullptr);
// The same, from readings of the stretch, which it extends as the band needs.
std::vector<Vec> TraceEdge(BandReadings& readings, const SideCurve& guess, double band, int polarity,
                           float* strength = nullptr);

// The share of the side from t0 to t1 along which the working copy shows an
// edge of the right polarity, at least `faint` strong, within a pixel of `side`.
double EdgeSupport(const WorkingCopy& copy, const SideCurve& side, double t0, double t1, int polarity, float faint);

// How far the edge of a straight side runs on past t, onwards along it for
// `way` 1 and back for -1: the distance to the last place within `limit`
// where an edge as in EdgeSupport shows, over gaps of at most `gap` pixels.
double RunsOn(const WorkingCopy& copy, const SideCurve& side, double t, int way, int polarity, float faint, double gap,
              double limit);

// Where a page's edge lies further inside than the side: at each of
// `samples` places along the side from t0 to t1, the first rise into the
// page that follows the side's own edge within `depth` pixels with no fall
// before it, as a light shape touching the page leaves it; nothing where
// there is none. A rule or band across the page falls before it rises.
std::vector<std::optional<Vec>> InnerEdge(const WorkingCopy& copy, const SideCurve& side, double t0, double t1,
                                          int samples, double depth, int polarity, float faint);

// The edge's points at full resolution, sub-pixel, near `side` (picture pixels)
// for t from t0 to t1, at most `reach` pixels off it.
std::vector<Vec> RefineEdge(const FullPicture& picture, const SideCurve& side, double t0, double t1, double reach,
                            int polarity);

}  // namespace trellimap
