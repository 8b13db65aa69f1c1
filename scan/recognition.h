#pragma once
// Reading the text on a flat page, word by word, with its place on the page,
// so that a PDF of the page can carry it under the page's picture.

#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

#include "image/dib.h"

namespace trellimap {

// A word read on a page: its text (UTF-8) and its box in the page's pixels
// from the top left, the bottom of its letters' bodies at `baseline`.
struct RecognisedWord {
  std::string text;
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t baseline = 0;
};

// Languages as the text recognition names them ("eng", "deu", "deu+eng").
// Empty when the recognition has data for every one of them, else the
// first one it has none for (or that is no name: letters, digits and
// underlines), or the whole text where it names no list.
std::string MissingLanguage(const std::string& languages);

// The words on `page` (any depth; a 24-bit page is read as the clean look
// makes it, in grey), read in `languages`, which MissingLanguage has found
// there, in reading order; `dpi` tells the recognition how large the letters
// are on paper. Empty when the page holds
// no text, or the recognition cannot start.
std::vector<RecognisedWord> RecogniseWords(const dib& page, const std::string& languages, int dpi);

// The recognition's own judgement of which way up a page's text is (grey
// levels, 8 bits, rows from the top): how many quarter turns clockwise make
// it read upright. Nothing where it is not sure of it (a confidence below
// kLeastTurnConfidence), the page shows too little text, or the recognition
// has no data for judging it.
inline constexpr float kLeastTurnConfidence = 2;
std::optional<int> RecognisedTurns(const cv::Mat& grey);

}  // namespace trellimap
