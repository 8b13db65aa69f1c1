#pragma once
// How far the picture library's work on a reading got, told to that reading.
// The library has one monitor handler for the whole process, and names in
// each report the exception record of the work that reports. A reading
// through the library registers the record it hands to the library, with
// its progress, for as long as the library works on it; the handler tells
// that reading only, and ignores records it does not know (other work's, or
// the library's own) without following them.

#include <magick/api.h>

#include <mutex>

#include "foundation/progress.h"

namespace trellimap {

class MonitoredReading {
 public:
  // Registers `exception`: the library's reports on it tell `progress` that
  // `share` × quantum / span of the reading is done.
  MonitoredReading(const ExceptionInfo* exception, Progress* progress, double share);
  ~MonitoredReading();
  MonitoredReading(const MonitoredReading&) = delete;
  MonitoredReading& operator=(const MonitoredReading&) = delete;

  // Whether the progress said to stop; the library then heard MagickFail.
  bool Stopped();

 private:
  friend MagickPassFail TellLibraryProgress(const char*, magick_int64_t, magick_uint64_t, ExceptionInfo*);
  bool Report(magick_int64_t quantum, magick_uint64_t span);

  const ExceptionInfo* exception_;
  Progress* progress_;
  double share_;
  std::mutex reporting_;  // the library may report from threads of its own
  bool stopped_ = false;
};

// The library's monitor handler (SetMonitorHandler): tells the reading
// registered for `exception`, if any; MagickFail when it is to stop.
MagickPassFail TellLibraryProgress(const char* text, magick_int64_t quantum, magick_uint64_t span,
                                   ExceptionInfo* exception);

}  // namespace trellimap
