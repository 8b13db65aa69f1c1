#pragma once
// Long work tells how far it got and learns whether the user wants it
// stopped. Work that is stopped leaves everything as it was before it began.

namespace trellimap {

class Progress {
 public:
  virtual ~Progress() = default;
  // `fraction` of the work is done (0 to 1). False when the work is to stop.
  virtual bool Report(double fraction) = 0;
};

// Reports `fraction` to `progress` when there is one; false when the work is to stop.
inline bool Continue(Progress* progress, double fraction) { return progress == nullptr || progress->Report(fraction); }

// One stretch of a larger work, from `from` to `to` of the whole: its own
// fractions are told to `whole` (when there is one) as parts of that stretch.
class PartProgress final : public Progress {
 public:
  PartProgress(Progress* whole, double from, double to) : whole_(whole), from_(from), to_(to) {}
  bool Report(double fraction) override { return Continue(whole_, from_ + fraction * (to_ - from_)); }

 private:
  Progress* whole_;
  double from_, to_;
};

}  // namespace trellimap
