#include "scan/recognition.h"

#include <tesseract/baseapi.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>

#include "image/pixmill3.h"
#include "scan/looks.h"

namespace trellimap {
namespace {

// The recognition, quiet: its messages go nowhere, as the command line and
// the window say themselves what failed. Null when it has no data for
// `languages`. Recognisers are made one at a time, as some settings that
// starting one reads are shared by all of them; once started, each reads
// pages on its own thread. The place of messages is such a setting, which
// each reads whenever it prints: it is set once, before the first starts.
std::unique_ptr<tesseract::TessBaseAPI> Recogniser(const std::string& languages,
                                                   tesseract::OcrEngineMode engine = tesseract::OEM_LSTM_ONLY) {
  static std::mutex starting;
  static bool quiet = false;
  const std::lock_guard<std::mutex> lock(starting);
  auto api = std::make_unique<tesseract::TessBaseAPI>();
  if (!quiet) quiet = api->SetVariable("debug_file", "/dev/null");
  if (api->Init(nullptr, languages.c_str(), engine) != 0) return nullptr;
  return api;
}

// The page in grey levels, rows from the top: a page in colour made clean
// first, as recognition thresholds the page at one level, which a shadow
// or uneven light would put over whole lines.
std::vector<uint8_t> GreyLevels(const dib& page) {
  const int32_t w = DibWidth(&page), h = DibHeight(&page);
  if (DibBitCount(&page) == 24) {
    cv::setNumThreads(0);  // as in ApplyLook
    const cv::Mat pixels = PagePixels(page);
    cv::Mat grey;
    cv::cvtColor(Whitened(pixels, PaperColour(pixels)), grey, cv::COLOR_BGR2GRAY);
    cv::flip(grey, grey, 0);  // the page's rows are stored from the bottom
    return {grey.data, grey.data + grey.total()};
  }
  std::vector<uint8_t> grey(static_cast<size_t>(w) * static_cast<size_t>(h));
  uint8_t* out = grey.data();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t c = DibPixelColour(page, x, y);
      *out++ = static_cast<uint8_t>(((c & 0xFF) * 77 + ((c >> 8) & 0xFF) * 150 + ((c >> 16) & 0xFF) * 29) >> 8);
    }
  return grey;
}

}  // namespace

std::string MissingLanguage(const std::string& languages) {
  // Names are letters, digits and underlines: they become file names.
  const auto named = [](const std::string& name) {
    return !name.empty() &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
  };
  if (languages.empty() || languages.back() == '+') return languages;
  std::istringstream names(languages);
  std::string name;
  while (std::getline(names, name, '+'))
    if (!named(name) || Recogniser(name) == nullptr) return name.empty() ? languages : name;
  return {};
}

std::vector<RecognisedWord> RecogniseWords(const dib& page, const std::string& languages, int dpi) {
  const int32_t w = DibWidth(&page), h = DibHeight(&page);
  std::vector<RecognisedWord> words;
  if (page.poi == nullptr || w <= 0 || h <= 0) return words;
  const std::unique_ptr<tesseract::TessBaseAPI> api = Recogniser(languages);
  if (api == nullptr) return words;
  const std::vector<uint8_t> grey = GreyLevels(page);
  api->SetImage(grey.data(), w, h, 1, w);
  api->SetSourceResolution(dpi);
  if (api->Recognize(nullptr) != 0) return words;
  const std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
  if (it == nullptr) return words;
  constexpr auto kWord = tesseract::RIL_WORD;
  do {
    const std::unique_ptr<char[]> text(it->GetUTF8Text(kWord));
    RecognisedWord word;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (text == nullptr || *text.get() == '\0' ||
        !it->BoundingBox(kWord, &word.left, &word.top, &word.right, &word.bottom))
      continue;
    word.text = text.get();
    // The baseline runs across the word's line; where it has none, the box's bottom.
    word.baseline = word.bottom;
    if (it->Baseline(kWord, &x1, &y1, &x2, &y2) && x2 != x1) {
      const double middle = (word.left + word.right) / 2.0;
      word.baseline = static_cast<int32_t>(y1 + (y2 - y1) * (middle - x1) / (x2 - x1) + 0.5);
    }
    words.push_back(std::move(word));
  } while (it->Next(kWord));
  return words;
}

std::optional<int> RecognisedTurns(const cv::Mat& grey) {
  if (grey.empty() || grey.type() != CV_8U) return std::nullopt;
  // Its judgement of a page's orientation has a model of its own, for the
  // engine its data chooses.
  const std::unique_ptr<tesseract::TessBaseAPI> api = Recogniser("osd", tesseract::OEM_DEFAULT);
  if (api == nullptr) return std::nullopt;
  const cv::Mat rows = grey.isContinuous() ? grey : grey.clone();
  api->SetPageSegMode(tesseract::PSM_OSD_ONLY);
  api->SetImage(rows.data, rows.cols, rows.rows, 1, static_cast<int>(rows.step));
  int degrees = 0;
  float confidence = 0, scriptConfidence = 0;
  const char* script = nullptr;
  if (!api->DetectOrientationScript(&degrees, &confidence, &script, &scriptConfidence) ||
      !(confidence >= kLeastTurnConfidence))
    return std::nullopt;
  // It tells how far the text is turned clockwise from upright.
  return (4 - (degrees / 90) % 4) % 4;
}

}  // namespace trellimap
