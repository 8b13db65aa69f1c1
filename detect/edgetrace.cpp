#include "detect/edgetrace.h"

#include <algorithm>
#include <cmath>

#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

namespace {

// The rise of the working copy's level into the page (along the normal) at p.
float Rise(const WorkingCopy& copy, const Vec& p, const Vec& n, int polarity) {
  return polarity * static_cast<float>(Dot(SamplePair(copy.slope, p), n));
}

}  // namespace

BandReadings::BandReadings(const WorkingCopy& copy, const SideCurve& guess, double t0, double t1)
    : copy_(copy),
      normal_(guess.Normal()),
      samples_(std::clamp(static_cast<int>((t1 - t0) / kTraceSpacing), kLeastTraced, kMostTraced)),
      bases_(static_cast<size_t>(samples_)) {
  for (int j = 0; j < samples_; ++j) bases_[j] = guess.At(t0 + (t1 - t0) * (j + 0.5) / samples_);
}

void BandReadings::Reach(int reach) {
  if (reach <= reach_) return;
  const size_t samples = static_cast<size_t>(samples_);
  std::vector<float> slopes(static_cast<size_t>(2 * reach + 1) * samples);
  if (reach_ >= 0)
    std::copy(slopes_.begin(), slopes_.end(), slopes.begin() + static_cast<ptrdiff_t>((reach - reach_) * samples));
  const auto read = [&](int j, int offset) {
    const Vec p = bases_[j] + static_cast<double>(offset) * normal_;
    slopes[static_cast<size_t>(offset + reach) * samples + j] =
        static_cast<float>(Dot(SamplePair(copy_.slope, p), normal_));
  };
  const auto unread = [&](int offset) { return std::abs(offset) > reach_; };
  // The band is read along the picture's rows, which keeps a wide band's
  // samples in the cache: across the side where it stands upright, along it
  // where it lies.
  if (std::abs(normal_.x) >= std::abs(normal_.y)) {
    for (int j = 0; j < samples_; ++j)
      for (int offset = -reach; offset <= reach; ++offset)
        if (unread(offset)) read(j, offset);
  } else {
    for (int offset = -reach; offset <= reach; ++offset)
      if (unread(offset))
        for (int j = 0; j < samples_; ++j) read(j, offset);
  }
  slopes_ = std::move(slopes);
  reach_ = reach;
}

std::vector<Vec> TraceEdge(const WorkingCopy& copy, const SideCurve& guess, double t0, double t1, double band,
                           int polarity, float* strength) {
  BandReadings readings(copy, guess, t0, t1);
  return TraceEdge(readings, guess, band, polarity, strength);
}

std::vector<Vec> TraceEdge(BandReadings& readings, const SideCurve& guess, double band, int polarity, float* strength) {
  const int samples = readings.Samples();
  const int reach = std::max(1, static_cast<int>(std::ceil(band)));
  const int width = 2 * reach + 1;
  const Vec n = guess.Normal();
  readings.Reach(reach);
  std::vector<float> rise(static_cast<size_t>(samples) * width);
  for (int j = 0; j < samples; ++j)
    for (int k = 0; k < width; ++k)
      rise[static_cast<size_t>(j) * width + k] = std::max(0.0f, polarity * readings.Slope(j, k - reach));
  // The best path, moving at most kMostMove pixels from one sample to the
  // next, at a small cost per pixel moved.
  float typical = 0;
  for (int j = 0; j < samples; ++j)
    typical += *std::max_element(rise.begin() + static_cast<ptrdiff_t>(j) * width,
                                 rise.begin() + static_cast<ptrdiff_t>(j + 1) * width);
  typical /= samples;
  const float moveCost = kMoveCost * typical;
  std::vector<float> best(rise.size());
  std::vector<int> from(rise.size(), 0);
  std::copy(rise.begin(), rise.begin() + width, best.begin());
  for (int j = 1; j < samples; ++j) {
    const float* before = best.data() + static_cast<size_t>(j - 1) * width;
    const float* here = rise.data() + static_cast<size_t>(j) * width;
    float* now = best.data() + static_cast<size_t>(j) * width;
    int* came = from.data() + static_cast<size_t>(j) * width;
    // The nearest of equally good places before wins, the lower one first.
    const auto step = [&](int k, int lowest, int highest) {
      float top = -1e30f;
      int arg = k;
      for (int p = lowest; p <= highest; ++p)
        if (const float v = before[p] - moveCost * std::abs(p - k); v > top) top = v, arg = p;
      now[k] = top + here[k];
      came[k] = arg;
    };
    const int inner = std::max(kMostMove, width - kMostMove);
    for (int k = 0; k < std::min(kMostMove, width); ++k) step(k, 0, std::min(width - 1, k + kMostMove));
    for (int k = kMostMove; k < inner; ++k) step(k, k - kMostMove, k + kMostMove);
    for (int k = inner; k < width; ++k) step(k, std::max(0, k - kMostMove), width - 1);
  }
  int k = static_cast<int>(std::max_element(best.end() - width, best.end()) - (best.end() - width));
  std::vector<Vec> points;
  const float faint = std::max(kFaintest, kFaintTraced * typical);
  float sum = 0;
  for (int j = samples - 1; j >= 0; --j) {
    if (const float r = rise[static_cast<size_t>(j) * width + k]; r >= faint) {
      points.push_back(readings.Base(j) + (k - reach) * n);
      sum += r;
    }
    k = from[static_cast<size_t>(j) * width + k];
  }
  std::reverse(points.begin(), points.end());
  if (strength != nullptr) *strength = points.empty() ? 0 : sum / points.size();
  return points;
}

namespace {

// Whether the side's edge shows at t, within a pixel of the side.
bool Shows(const WorkingCopy& copy, const SideCurve& side, double t, int polarity, float faint) {
  const Vec p = side.At(t), n = side.Normal();
  for (const double e : {-1.0, 0.0, 1.0})
    if (Rise(copy, p + e * n, n, polarity) >= faint) return true;
  return false;
}

}  // namespace

double EdgeSupport(const WorkingCopy& copy, const SideCurve& side, double t0, double t1, int polarity, float faint) {
  int seen = 0;
  for (int j = 0; j < kSupportSamples; ++j)
    seen += Shows(copy, side, t0 + (t1 - t0) * (j + 0.5) / kSupportSamples, polarity, faint);
  return static_cast<double>(seen) / kSupportSamples;
}

double RunsOn(const WorkingCopy& copy, const SideCurve& side, double t, int way, int polarity, float faint, double gap,
              double limit) {
  double last = 0;
  for (double s = 1; s <= limit && s - last <= gap; ++s) {
    const Vec p = side.At(t + way * s);
    if (p.x < 0 || p.y < 0 || p.x > copy.level.cols || p.y > copy.level.rows) break;
    if (Shows(copy, side, t + way * s, polarity, faint)) last = s;
  }
  return last;
}

std::vector<std::optional<Vec>> InnerEdge(const WorkingCopy& copy, const SideCurve& side, double t0, double t1,
                                          int samples, double depth, int polarity, float faint) {
  const Vec n = side.Normal();
  std::vector<std::optional<Vec>> found(samples);
  for (int j = 0; j < samples; ++j) {
    const Vec p = side.At(t0 + (t1 - t0) * (j + 0.5) / samples);
    const auto rise = [&](double k) { return Rise(copy, p + k * n, n, polarity); };
    double k = 1;
    while (k <= depth && rise(k) >= faint) ++k;  // past the side's own edge
    while (k <= depth && rise(k) < faint && rise(k) > -faint) ++k;
    if (k > depth || rise(k) <= -faint) continue;
    while (k + 1 <= depth && rise(k + 1) > rise(k)) ++k;
    found[j] = p + k * n;
  }
  return found;
}

std::vector<Vec> RefineEdge(const FullPicture& picture, const SideCurve& side, double t0, double t1, double reach,
                            int polarity) {
  const int samples = std::clamp(static_cast<int>((t1 - t0) / kRefineSpacing), kLeastRefined, kMostRefined);
  const int steps = static_cast<int>(std::ceil(reach / kRefineStep));
  const Vec n = side.Normal(), d = side.direction;
  std::vector<Vec> points;
  std::vector<float> profile(2 * steps + 3), rise(2 * steps + 1);
  for (int j = 0; j < samples; ++j) {
    const double t = t0 + (t1 - t0) * (j + 0.5) / samples;
    const Vec base = side.At(t);
    // The lightness across the edge, averaged over three pixels along it against noise.
    for (int k = 0; k < static_cast<int>(profile.size()); ++k) {
      const double e = (k - steps - 1) * kRefineStep;
      float sum = 0;
      for (const double a : {-1.0, 0.0, 1.0}) {
        const Vec p = base + e * n + a * d;
        sum += picture.Grey(p.x, p.y);
      }
      profile[k] = sum / 3;
    }
    int peak = -1;
    float strongest = 0;
    for (int k = 0; k < static_cast<int>(rise.size()); ++k) {
      rise[k] = polarity * (profile[k + 2] - profile[k]) / (2 * kRefineStep);
      if (rise[k] > strongest) strongest = rise[k], peak = k;
    }
    if (peak < 0 || strongest < kLeastRefinedRise) continue;
    // The peak between samples, from the parabola through it and its neighbours.
    double offset = 0;
    if (peak > 0 && peak + 1 < static_cast<int>(rise.size())) {
      const double a = rise[peak - 1], b = rise[peak], c = rise[peak + 1];
      const double curvature = a - 2 * b + c;
      if (curvature < 0) offset = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
    }
    const double e = (peak - steps + offset) * kRefineStep;
    points.push_back(base + e * n);
  }
  return points;
}

}  // namespace trellimap
