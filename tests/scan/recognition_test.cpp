// Reading a page's words with the text recognition, on pages of real text.

#include "scan/recognition.h"

#include <gtest/gtest.h>

#include "image/pixmill3.h"
#include "tests/support/textpages.h"

namespace trellimap {
namespace {

TEST(MissingLanguage, NamesTheFirstLanguageWithoutData) {
  EXPECT_EQ(MissingLanguage("eng"), "");
  EXPECT_EQ(MissingLanguage("deu+eng"), "");
  EXPECT_EQ(MissingLanguage("eng+xq_none+qq"), "xq_none");
  EXPECT_EQ(MissingLanguage("eng+"), "eng+");
  EXPECT_EQ(MissingLanguage("eng++deu"), "eng++deu");
  EXPECT_EQ(MissingLanguage("../eng"), "../eng");
}

// Nearly every word is read, each inside the text's block, its baseline in its box.
TEST(RecogniseWords, ReadsTheWordsInTheirPlaces) {
  for (const char* family : {"serif", "sans"}) {
    std::vector<std::string> drawn;
    dib page = testing::TextPagePicture({family, 22, 900, 500}, &drawn);
    const std::vector<RecognisedWord> words = RecogniseWords(page, "eng", 150);
    std::vector<std::string> read;
    for (const RecognisedWord& word : words) {
      read.push_back(word.text);
      EXPECT_GE(word.left, 0.08 * 900 - 3) << word.text;
      EXPECT_LE(word.right, 0.92 * 900 + 3) << word.text;
      EXPECT_LE(word.top, word.baseline) << word.text;
      EXPECT_LE(word.baseline, word.bottom + 1) << word.text;
    }
    EXPECT_GE(testing::WordsFound(drawn, read), 0.95) << family;
    ReleaseDib(&page);
  }
}

}  // namespace
}  // namespace trellimap
