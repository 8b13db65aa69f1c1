#include "detect/nestedregions.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace trellimap {
namespace {

// The regions of the pixels added so far: a forest of pixels whose roots
// each hold one region's statistics, joined smaller into larger.
class Forest {
 public:
  Forest(int width, int height) : width_(width), parent_(static_cast<size_t>(width) * height, kAbsent) {}

  bool Present(int p) const { return parent_[p] != kAbsent; }

  int Root(int p) {
    // Each pixel passed on the way up is hung one step higher: later
    // searches from it take half as long.
    while (parent_[p] >= 0) {
      const int up = parent_[p];
      if (parent_[up] >= 0) parent_[p] = parent_[up];
      p = up;
    }
    return p;
  }

  // Adds pixel p and joins it to the regions of its neighbours already present.
  void Add(int p) {
    const int x = p % width_, y = p / width_;
    int root = -1;
    const auto meet = [&](int q) {
      if (!Present(q)) return;
      const int other = Root(q);
      if (root < 0) {
        root = other;
        parent_[p] = root;
        Grow(Of(root), x, y, p);
      } else if (other != root) {
        root = Join(root, other);
      }
    };
    if (x > 0) meet(p - 1);
    if (y > 0) meet(p - width_);
    if (x + 1 < width_) meet(p + 1);
    if (p + width_ < static_cast<int>(parent_.size())) meet(p + width_);
    if (root >= 0) return;
    parent_[p] = -2 - static_cast<int>(slots_.size());
    slots_.push_back({p, x, y, x, y, 1, p});
  }

  // The regions present, in the order of their first pixel row by row, with
  // the root pixel of each.
  std::vector<std::pair<RegionStats, int>> Regions() {
    std::erase_if(slots_, [](const Slot& s) { return s.area == 0; });
    for (size_t i = 0; i < slots_.size(); ++i) parent_[slots_[i].root] = -2 - static_cast<int>(i);
    std::vector<const Slot*> order;
    for (const Slot& s : slots_) order.push_back(&s);
    std::sort(order.begin(), order.end(), [](const Slot* a, const Slot* b) { return a->first < b->first; });
    std::vector<std::pair<RegionStats, int>> regions;
    for (const Slot* s : order)
      regions.push_back({{{s->left, s->top, s->right - s->left + 1, s->bottom - s->top + 1}, s->area}, s->root});
    return regions;
  }

  // The region of `root` as a mask of its box.
  cv::Mat Mask(const RegionStats& stats, int root) {
    cv::Mat mask(stats.box.size(), CV_8U, cv::Scalar(0));
    for (int y = 0; y < mask.rows; ++y) {
      uint8_t* row = mask.ptr<uint8_t>(y);
      for (int x = 0; x < mask.cols; ++x) {
        const int p = (stats.box.y + y) * width_ + stats.box.x + x;
        if (Present(p) && Root(p) == root) row[x] = 255;
      }
    }
    return mask;
  }

 private:
  static constexpr int kAbsent = -1;  // a pixel not yet added; a root holds -2 less its slot
  struct Slot {
    int first, left, top, right, bottom, area, root;
  };

  Slot& Of(int root) { return slots_[static_cast<size_t>(-2 - parent_[root])]; }

  static void Grow(Slot& s, int x, int y, int p) {
    s.first = std::min(s.first, p);
    s.left = std::min(s.left, x), s.right = std::max(s.right, x);
    s.top = std::min(s.top, y), s.bottom = std::max(s.bottom, y);
    ++s.area;
  }

  // Hangs the smaller of two regions under the larger; returns the root kept.
  int Join(int a, int b) {
    if (Of(a).area < Of(b).area) std::swap(a, b);
    Slot &kept = Of(a), &gone = Of(b);
    kept.first = std::min(kept.first, gone.first);
    kept.left = std::min(kept.left, gone.left), kept.right = std::max(kept.right, gone.right);
    kept.top = std::min(kept.top, gone.top), kept.bottom = std::max(kept.bottom, gone.bottom);
    kept.area += gone.area;
    gone.area = 0;
    parent_[b] = a;
    return a;
  }

  int width_;
  std::vector<int> parent_;
  std::vector<Slot> slots_;
};

}  // namespace

std::vector<std::vector<ChosenRegion>> RegionsBelow(const cv::Mat& values, std::span<const float> thresholds,
                                                    const RegionChoice& choose) {
  CV_Assert(values.type() == CV_32F);
  // The pixels in the order they join: by their step, the first threshold
  // each lies at or below, row by row within one step; starts[i] is where
  // step i begins in `order`. Step `steps` holds the pixels above every
  // threshold, which never join.
  const size_t steps = thresholds.size();
  std::vector<int> stepOf(values.total()), starts(steps + 2, 0);
  for (int y = 0, p = 0; y < values.rows; ++y) {
    const float* v = values.ptr<float>(y);
    for (int x = 0; x < values.cols; ++x, ++p) {
      size_t i = 0;
      while (i < steps && !(v[x] <= thresholds[i])) ++i;
      stepOf[p] = static_cast<int>(i);
      ++starts[i + 1];
    }
  }
  std::partial_sum(starts.begin(), starts.end(), starts.begin());
  std::vector<int> order(values.total()), next(starts.begin(), starts.end() - 1);
  for (size_t p = 0; p < stepOf.size(); ++p) order[next[stepOf[p]]++] = static_cast<int>(p);
  Forest forest(values.cols, values.rows);
  std::vector<std::vector<ChosenRegion>> chosen(steps);
  for (size_t i = 0; i < steps; ++i) {
    for (int k = starts[i]; k < starts[i + 1]; ++k) forest.Add(order[k]);
    const std::vector<std::pair<RegionStats, int>> regions = forest.Regions();
    std::vector<RegionStats> stats;
    for (const auto& [region, root] : regions) stats.push_back(region);
    for (const size_t k : choose(stats))
      chosen[i].push_back({regions[k].first, forest.Mask(regions[k].first, regions[k].second)});
  }
  return chosen;
}

}  // namespace trellimap
