// How far a reading got, as the picture library's decoding and the copy
// after it tell it: rising shares, a stop that leaves no picture, and two
// readings at once that each hear only their own progress.

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "codecs/librarymonitor.h"
#include "codecs/picturedecoder.h"
#include "codecs/pictureopening.h"
#include "foundation/workers.h"
#include "image/pixmill3.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using testing::TempFolder;

// The share of a library reading its decoding takes; the copy takes the rest.
constexpr double kDecodingShare = 0.6;

// Hears every report, from which thread, and stops the reading once a share
// of `stopFrom` or more has been told.
class Listener final : public Progress {
 public:
  explicit Listener(double stopFrom = 2) : stopFrom_(stopFrom) {}
  bool Report(double fraction) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    heard.push_back(fraction);
    threads.push_back(std::this_thread::get_id());
    return fraction < stopFrom_;
  }
  std::vector<double> heard;
  std::vector<std::thread::id> threads;

 private:
  double stopFrom_;
  std::mutex mutex_;
};

// The shares heard rise, and the library's decoding told some of them.
void ExpectRisingAndFromTheDecoding(const std::vector<double>& heard, const std::string& what) {
  ASSERT_FALSE(heard.empty()) << what;
  for (size_t i = 1; i < heard.size(); ++i) EXPECT_GE(heard[i], heard[i - 1]) << what << " report " << i;
  EXPECT_LT(heard.front(), kDecodingShare) << what;
}

std::vector<uint8_t> Bmp(int width, int height) {
  return testing::MakeBmp(width, height, 24, {}, [](int x, int y) { return static_cast<uint32_t>(x * 7 + y * 5); });
}

std::vector<uint8_t> LibraryMade(const char* format, int width, int height) {
  return testing::EncodePicture(format, width, height, 8, false, [](int x, int y) {
    return testing::Rgba16{static_cast<uint16_t>(x * 300), static_cast<uint16_t>(y * 200), 9, 65535};
  });
}

// The formats whose library decoding tells its rows on the reading's own
// exception record, each read whole, stopped in its decoding and stopped in
// the copy after it.
TEST(ReadingProgress, LibraryReadingsRiseAndStopWhereAsked) {
  TempFolder folder;
  testing::RecordingMessages messages;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } files[] = {
      {"p.bmp", Bmp(300, 400)},
      {"p.tif", LibraryMade("TIFF", 300, 400)},
      {"p.pcx", LibraryMade("PCX", 300, 400)},
      {"p.tga", LibraryMade("TGA", 300, 400)},
  };
  for (const auto& file : files) {
    const std::string path = folder.Write(file.name, file.bytes);
    for (const double stopFrom : {2.0, 0.0, kDecodingShare}) {
      const std::string what = std::string(file.name) + " stopped from " + std::to_string(stopFrom);
      Listener listener(stopFrom);
      dib picture;
      const Outcome read = ReadPictureFile(path, picture, &listener);
      ExpectRisingAndFromTheDecoding(listener.heard, what);
      if (stopFrom > 1) {
        ASSERT_TRUE(read.done()) << what << ": " << read.detail;
        EXPECT_EQ(DibHeight(&picture), 400) << what;
        EXPECT_GT(listener.heard.back(), 0.9) << what;
        ReleaseDib(&picture);
      } else {
        EXPECT_TRUE(read.stopped()) << what << ": " << read.detail;
        EXPECT_EQ(picture.poi, nullptr) << what;
        EXPECT_GE(listener.heard.back(), stopFrom) << what;  // the report that stopped it was the last
      }
    }
  }
  EXPECT_TRUE(messages.shown.empty());
}

// Two workers that meet twice: each waits in Meet(n) until both have come
// to it.
class Meetings {
 public:
  void Meet(int n) {
    std::unique_lock<std::mutex> lock(mutex_);
    ++arrived_[n];
    changed_.notify_all();
    changed_.wait(lock, [&] { return arrived_[n] == 2; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int arrived_[2] = {0, 0};
};

// The library's reports go to the reading whose exception record they name,
// as its share; a stop is heard by the library and by the reading; records
// not registered, or no longer, reach no one.
TEST(LibraryMonitor, ReportsReachTheReadingWhoseRecordTheyNameAlone) {
  InitializePictureLibrary();
  ExceptionInfo a, b, other;
  for (ExceptionInfo* e : {&a, &b, &other}) GetExceptionInfo(e);
  Listener heardA, heardB(0.3);
  {
    MonitoredReading readingA(&a, &heardA, 1), readingB(&b, &heardB, 0.5);
    const struct {
      ExceptionInfo* record;
      int quantum, span;
      MagickPassFail answer;
      size_t heardByA, heardByB;
    } calls[] = {
        {&a, 1, 4, MagickPass, 1, 0}, {&b, 1, 4, MagickPass, 1, 1}, {&other, 3, 4, MagickPass, 1, 1},
        {&a, 2, 0, MagickPass, 1, 1}, {&b, 2, 4, MagickPass, 1, 2}, {&b, 3, 4, MagickFail, 1, 3},
        {&b, 4, 4, MagickFail, 1, 3}, {&a, 3, 4, MagickPass, 2, 3},
    };
    for (const auto& call : calls) {
      EXPECT_EQ(MagickMonitor("reading", call.quantum, call.span, call.record), call.answer) << call.quantum;
      EXPECT_EQ(heardA.heard.size(), call.heardByA);
      EXPECT_EQ(heardB.heard.size(), call.heardByB);
    }
    EXPECT_EQ(heardA.heard, (std::vector<double>{0.25, 0.75}));
    EXPECT_EQ(heardB.heard, (std::vector<double>{0.125, 0.25, 0.375}));
    EXPECT_FALSE(readingA.Stopped());
    EXPECT_TRUE(readingB.Stopped());
  }
  EXPECT_EQ(MagickMonitor("reading", 4, 4, &a), MagickPass);
  EXPECT_EQ(heardA.heard.size(), 2u);
  for (ExceptionInfo* e : {&a, &b, &other}) DestroyExceptionInfo(e);
}

// Two readings registered at once on two threads, each told by the library
// on its own thread: each hears all of its own reports and nothing else.
TEST(LibraryMonitor, TwoReadingsAtOnceEachHearTheirOwn) {
  InitializePictureLibrary();
  constexpr int kReports = 200;
  Meetings meetings;
  Listener listeners[2];
  std::thread::id threads[2];
  RunWorkers(2, [&](int w) {
    threads[w] = std::this_thread::get_id();
    ExceptionInfo record;
    GetExceptionInfo(&record);
    {
      const MonitoredReading reading(&record, &listeners[w], 1);
      meetings.Meet(0);  // both registered
      for (int i = 0; i < kReports; ++i) MagickMonitor("reading", i, kReports, &record);
      meetings.Meet(1);  // both told, neither gone
    }
    DestroyExceptionInfo(&record);
  });
  for (int w = 0; w < 2; ++w) {
    ASSERT_EQ(listeners[w].heard.size(), size_t{kReports}) << w;
    for (int i = 0; i < kReports; ++i) EXPECT_EQ(listeners[w].heard[i], double(i) / kReports) << w;
    for (const std::thread::id& thread : listeners[w].threads) EXPECT_EQ(thread, threads[w]) << w;
  }
}

// Two whole library readings started together on two threads: each progress
// hears its own reading alone, on that reading's thread, its decoding
// included.
TEST(ReadingProgress, TwoReadingsAtOnceEachHearTheirOwn) {
  TempFolder folder;
  const std::string paths[2] = {folder.Write("a.bmp", Bmp(400, 600)),
                                folder.Write("b.tif", LibraryMade("TIFF", 600, 400))};
  for (int round = 0; round < 5; ++round) {
    Meetings meetings;
    Listener listeners[2];
    std::thread::id threads[2];
    Outcome reads[2];
    RunWorkers(2, [&](int w) {
      threads[w] = std::this_thread::get_id();
      meetings.Meet(0);
      dib picture;
      reads[w] = ReadPicture(paths[w], picture, &listeners[w]);
      if (picture.poi != nullptr) ReleaseDib(&picture);
    });
    for (int w = 0; w < 2; ++w) {
      ASSERT_TRUE(reads[w].done()) << paths[w] << ": " << reads[w].detail;
      ExpectRisingAndFromTheDecoding(listeners[w].heard, paths[w]);
      for (const std::thread::id& thread : listeners[w].threads) ASSERT_EQ(thread, threads[w]) << paths[w];
    }
  }
}

// A stopped reading is stopped, whatever the file: one that lacks the
// signature of the format its name gives, which could not be read as such,
// shows no message for it.
TEST(ReadingProgress, AStoppedReadingIsNoFailure) {
  TempFolder folder;
  testing::RecordingMessages messages;
  const std::string junk = folder.Write("junk.jxl", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
  Listener stop(0), go;
  dib picture;
  EXPECT_TRUE(ReadPictureFile(junk, picture, &stop).stopped());
  EXPECT_EQ(picture.poi, nullptr);
  const Outcome failed = ReadPictureFile(junk, picture, &go);
  EXPECT_TRUE(failed.failed());
  EXPECT_EQ(failed.problem, FileProblem::NotThisFormat);
  EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace trellimap
