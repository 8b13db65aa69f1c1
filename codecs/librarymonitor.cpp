#include "codecs/librarymonitor.h"

#include <algorithm>
#include <vector>

namespace trellimap {
namespace {

std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}

// The readings registered now, each until its destructor runs.
std::vector<MonitoredReading*>& Registry() {
  static std::vector<MonitoredReading*> readings;
  return readings;
}

}  // namespace

MonitoredReading::MonitoredReading(const ExceptionInfo* exception, Progress* progress, double share)
    : exception_(exception), progress_(progress), share_(share) {
  const std::lock_guard<std::mutex> lock(RegistryLock());
  Registry().push_back(this);
}

MonitoredReading::~MonitoredReading() {
  const std::lock_guard<std::mutex> lock(RegistryLock());
  std::vector<MonitoredReading*>& readings = Registry();
  readings.erase(std::find(readings.begin(), readings.end(), this));
}

bool MonitoredReading::Stopped() {
  const std::lock_guard<std::mutex> lock(reporting_);
  return stopped_;
}

bool MonitoredReading::Report(magick_int64_t quantum, magick_uint64_t span) {
  const std::lock_guard<std::mutex> lock(reporting_);
  if (!stopped_ && !Continue(progress_, share_ * static_cast<double>(quantum) / static_cast<double>(span)))
    stopped_ = true;
  return !stopped_;
}

MagickPassFail TellLibraryProgress(const char* /*text*/, magick_int64_t quantum, magick_uint64_t span,
                                   ExceptionInfo* exception) {
  if (span == 0) return MagickPass;
  MonitoredReading* reading = nullptr;
  {
    const std::lock_guard<std::mutex> lock(RegistryLock());
    for (MonitoredReading* registered : Registry())
      if (registered->exception_ == exception) reading = registered;
  }
  // A registered reading stays registered while the library works for it,
  // which is when the library reports on its record.
  return reading == nullptr || reading->Report(quantum, span) ? MagickPass : MagickFail;
}

}  // namespace trellimap
