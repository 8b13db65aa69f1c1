#include "i18n/translateunit.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "foundation/ioerror.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::u16string>;

// translate.dat built by hand: header, then rows of length-prefixed strings.
struct DatFile {
  Bytes bytes;
  std::vector<size_t> rowEnds;  // offset just past each row

  DatFile& Int(int32_t v) {
    for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k)));
    return *this;
  }
  DatFile& Str(const std::u16string& s) {
    Int(static_cast<int32_t>(s.size()));
    for (char16_t c : s) bytes.insert(bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
    return *this;
  }
  // A row of `columns` strings: the given ones, then empty ones.
  DatFile& Row(Texts cells, int columns = kLanguageColumns) {
    cells.resize(static_cast<size_t>(columns));
    for (const auto& c : cells) Str(c);
    rowEnds.push_back(bytes.size());
    return *this;
  }
};

DatFile Table(const std::vector<Texts>& rows) {
  DatFile file;
  file.Int(30).Int(static_cast<int32_t>(rows.size()));
  for (const Texts& row : rows) file.Row(row);
  return file;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Texts Cells(Texts given) {
  given.resize(kLanguageColumns);
  return given;
}

Texts Row(int32_t row) {
  Texts cells;
  for (int32_t c = 0; c < kLanguageColumns; ++c) cells.push_back(TranslationCell(row, c));
  return cells;
}

class Translation : public ::testing::Test {
 protected:
  void SetUp() override { CurrentLanguage() = 0; }
  void TearDown() override { CurrentLanguage() = 0; }

  std::string Dir() const { return folder.Path(""); }
  std::string Dat() const { return folder.Path("translate.dat"); }
  void Load(const DatFile& file) {
    folder.Write("translate.dat", file.bytes);
    InitTranslation(Dir());
  }
  // Loads `file` and expects it to be rejected as damaged, kept unchanged as
  // translate.dat.damaged, and named with its copy in the message. The
  // message's own text then has a row after the rows read.
  void LoadDamaged(const DatFile& file) {
    folder.Write("translate.dat", file.bytes);
    try {
      InitTranslation(Dir());
      ADD_FAILURE() << "no error for a damaged file";
    } catch (const InOutError& e) {
      EXPECT_EQ(e.kind(), InOutError::Kind::Damaged);
      const std::string message = e.what();
      EXPECT_NE(message.find("\"" + Dat() + "\" is damaged (Read beyond end of file)"), std::string::npos) << message;
      EXPECT_NE(message.find("kept as \"" + Dat() + ".damaged\""), std::string::npos) << message;
    }
    EXPECT_EQ(ReadAll(Dat() + ".damaged"), file.bytes);
    EXPECT_EQ(TranslationCell(TranslationRowCount() - 1, 0).substr(0, 25), u"The translation file \"%1\"");
  }
  size_t FilesInFolder() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(Dir()), {}));
  }

  testing::TempFolder folder;
};

// ---- Lookups ----

TEST_F(Translation, TranslatedTextKeepsTheSpacingOfTheSource) {
  Load(Table({{u"OK", u"Gut"}, {u"Cancel", u""}, {u"Yes", u"\tJa\r\n"}, {u"No", u"   "}, {u"Tab\t", u"Tabulator"}}));
  CurrentLanguage() = 1;
  EXPECT_EQ(TranslateString(u"  OK "), u"  Gut ");
  EXPECT_EQ(TranslateString(u" Cancel  "), u" Cancel  ");  // empty cell: the input as it is
  EXPECT_EQ(TranslateString(u" Yes"), u" Ja");             // control characters trimmed from the cell
  EXPECT_EQ(TranslateString(u"No"), u"");                  // a cell of spaces is used, and trims to nothing
  EXPECT_EQ(TranslateString(u"  No "), u"   ");
  EXPECT_EQ(TranslateString(u"Tab\t "), u"Tabulator ");  // only U+0020 is stripped from the source
  EXPECT_EQ(TranslationRowCount(), 5);

  // A column outside the table reads the English column (which an edit changed here).
  SetTranslationCell(0, 0, u"Okay");
  for (int32_t language : {0, -1, 30, 1000}) {
    CurrentLanguage() = language;
    EXPECT_EQ(TranslateString(u" OK"), u" Okay") << language;
  }
}

TEST_F(Translation, UnknownTextsAreRecordedOnceWithoutTheirSpaces) {
  Load(Table({{u"OK", u"Gut"}, {u" Go", u"Los"}}));
  CurrentLanguage() = 1;
  EXPECT_EQ(TranslateString(u"Ok"), u"Ok");    // keys are case-sensitive
  EXPECT_EQ(TranslateString(u" Go"), u" Go");  // a key with an outer space never matches
  EXPECT_EQ(TranslateString(u" File "), u" File ");
  EXPECT_EQ(TranslateString(u"\tOK"), u"\tOK");  // a tab is no space: a key of its own
  ASSERT_EQ(TranslationRowCount(), 6);
  EXPECT_EQ(TranslationCell(5, 0), u"\tOK");
  EXPECT_EQ(Row(2), Cells({u"Ok"}));
  EXPECT_EQ(TranslationCell(3, 0), u"Go");
  EXPECT_EQ(TranslationCell(4, 0), u"File");
  InitTranslation(Dir());  // recorded rows are on disk at once
  EXPECT_EQ(TranslationCell(4, 0), u"File");

  // Found again with or without spaces, and not saved again.
  folder.Write("translate.dat", {'x'});
  EXPECT_EQ(TranslateString(u"File"), u"File");
  EXPECT_EQ(TranslateString(u"  File"), u"  File");
  EXPECT_EQ(TranslationRowCount(), 6);
  EXPECT_EQ(ReadAll(Dat()), Bytes{'x'});

  // Texts that cannot be keys: empty, spaces only, and with a NUL (no cell holds one).
  const std::u16string withNul(u"A\0B", 3);
  for (const std::u16string& text : {std::u16string(), std::u16string(u"   "), withNul, withNul}) {
    EXPECT_EQ(TranslateString(text), text);
  }
  EXPECT_EQ(TranslationRowCount(), 6);
}

TEST_F(Translation, IndexBucketsAreSortedByUnsignedCodeUnitsPrefixFirst) {
  // "O" and U+4E4F share bucket 0x4F, U+0141 shares bucket 0x41; an empty key is not indexed.
  Load(Table({{u"A\uFFFF"}, {u"AB"}, {u"A"}, {u"\u0141"}, {u"A\u0100"}, {u""}, {u"O", u"Null"}, {u"\u4E4F", u"Fu"}}));
  EXPECT_EQ(IndexBucketRows(0x41), (std::vector<int32_t>{2, 1, 4, 0, 3}));
  EXPECT_EQ(IndexBucketRows(0x4F), (std::vector<int32_t>{6, 7}));
  EXPECT_TRUE(IndexBucketRows(0).empty());
  CurrentLanguage() = 1;
  EXPECT_EQ(TranslateString(u"\u4E4F"), u"Fu");
  EXPECT_EQ(TranslateString(u"O"), u"Null");

  // A large bucket of descending keys with duplicates comes out in order.
  DatFile file = DatFile().Int(30).Int(3000);
  for (int r = 0; r < 3000; ++r) file.Row({u"K" + Utf16(std::to_string((3000 - r) % 1000))});
  Load(file);
  const std::vector<int32_t> order = IndexBucketRows('K');
  ASSERT_EQ(order.size(), 3000u);
  for (size_t k = 1; k < order.size(); ++k) ASSERT_LE(TranslationCell(order[k - 1], 0), TranslationCell(order[k], 0));
}

TEST_F(Translation, AmongEqualKeysTheOneTheSortLeavesFirstWins) {
  // The partition swaps the two equal "Aa" entries past each other, so the later row ends up first.
  Load(Table({{u"Ab", u"b"}, {u"Aa", u"first"}, {u"Aa", u"second"}}));
  EXPECT_EQ(IndexBucketRows(0x41), (std::vector<int32_t>{2, 1, 0}));
  CurrentLanguage() = 1;
  EXPECT_EQ(TranslateString(u"Aa"), u"second");
}

TEST_F(Translation, NumberedTextsAndColumnNames) {
  InitTranslation(Dir());
  for (int n : {-1, 0, 3, 4, 9, 10, 11}) EXPECT_EQ(GetLangString(n), u"") << n;
  EXPECT_EQ(TranslationRowCount(), 0);
  RegisterLangStrings();
  const Texts expected{u"Please close the program and start it again.",
                       u"Translate",
                       u"All pictures",
                       u"All files",
                       u"Could not create the file",
                       u"Could not open the file"};
  ASSERT_EQ(TranslationRowCount(), 6);
  for (int32_t r = 0; r < 6; ++r) EXPECT_EQ(TranslationCell(r, 0), expected[static_cast<size_t>(r)]);
  SetTranslationCell(3, 1, u"Alle Dateien");
  CurrentLanguage() = 1;
  EXPECT_EQ(GetLangStringUtf8(6), "Alle Dateien");
  EXPECT_EQ(TranslateUtf8(" All files"), " Alle Dateien");

  EXPECT_EQ(LanguageColumnName(2), u"Frensh");
  EXPECT_EQ(LanguageColumnName(19), u"Russian");
  EXPECT_EQ(LanguageColumnName(20), u"language20");
  EXPECT_EQ(LanguageColumnName(30), u"");
}

// ---- The file ----

TEST_F(Translation, SavedFileByteForByte) {
  InitTranslation(Dir());
  TranslateString(u"OK");
  TranslateString(u"\u4E4F\u00E9");
  SetTranslationCell(0, 1, u"Gut");
  SetTranslationCell(1, 29, u"z");
  SaveTranslations();
  Texts second = Cells({u"\u4E4F\u00E9"});
  second[29] = u"z";
  const Bytes saved = ReadAll(Dat());
  EXPECT_EQ(saved, Table({{u"OK", u"Gut"}, second}).bytes);
  ASSERT_GE(saved.size(), 16u);  // the encoding itself: C, N, then a length and UTF-16LE
  EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 16), (Bytes{30, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 'O', 0, 'K', 0}));
  EXPECT_EQ(FilesInFolder(), 1u);  // no temporary file left behind
}

TEST_F(Translation, ColumnAndRowCountsOtherThanUsual) {
  // C = 2: cells 0 and 1 load; the next save writes C = 30.
  Load(DatFile().Int(2).Int(2).Row({u"OK", u"Gut"}, 2).Row({u"Yes", u"Ja"}, 2));
  EXPECT_EQ(Row(1), Cells({u"Yes", u"Ja"}));
  SaveTranslations();
  EXPECT_EQ(ReadAll(Dat()), Table({{u"OK", u"Gut"}, {u"Yes", u"Ja"}}).bytes);

  // C = 32: strings 30 and 31 are read and dropped, the next row stays aligned.
  Texts wide(32, u"dropped");
  wide[0] = u"Wide";
  Load(DatFile().Int(32).Int(2).Row(wide, 32).Row({u"Next", u"Weiter"}, 32));
  EXPECT_EQ(TranslationCell(0, 29), u"dropped");
  EXPECT_EQ(Row(1), Cells({u"Next", u"Weiter"}));

  // No rows, and no error, for N <= 0 or C <= 0 (rows of no strings would have no key).
  const std::vector<std::pair<int32_t, int32_t>> counts{{30, 0}, {30, -1}, {0, 5}, {INT32_MIN, INT32_MAX}};
  for (auto [columns, rows] : counts) {
    Load(DatFile().Int(columns).Int(rows).Str(u"OK").Str(u"Gut"));
    EXPECT_EQ(TranslationRowCount(), 0) << columns << " " << rows;
  }
  std::filesystem::remove(Dat());
  InitTranslation(Dir());  // a missing file is no error
  EXPECT_EQ(TranslationRowCount(), 0);

  // A NUL inside a string cuts it, in the table and in the next save.
  Load(Table({{std::u16string(u"AB\0CD", 5), std::u16string(u"\0x", 2)}}));
  EXPECT_EQ(Row(0), Cells({u"AB"}));
  SaveTranslations();
  EXPECT_EQ(ReadAll(Dat()), Table({{u"AB"}}).bytes);
}

TEST_F(Translation, EveryPrefixOfAFileKeepsTheWholeRowsReadSoFar) {
  const DatFile file = Table({{u"OK", u"Gut"}, {u"Yes", u"Ja", u"Oui"}, {u"\u4E4F", u"", u"x"}});
  for (size_t cut = 0; cut < file.bytes.size(); ++cut) {
    DatFile prefix;
    prefix.bytes.assign(file.bytes.begin(), file.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    LoadDamaged(prefix);
    int32_t whole = 0;
    while (file.rowEnds[static_cast<size_t>(whole)] <= cut) ++whole;
    ASSERT_EQ(TranslationRowCount(), whole + 1) << cut;  // and the message's row
    CurrentLanguage() = 1;
    EXPECT_EQ(TranslateString(u"OK"), whole >= 1 ? u"Gut" : u"OK") << cut;
    EXPECT_EQ(TranslateString(u"Yes"), whole >= 2 ? u"Ja" : u"Yes") << cut;
    EXPECT_EQ(TranslationRowCount(), std::max(whole, 2) + 1) << cut;  // texts of lost rows are recorded anew
    CurrentLanguage() = 0;
  }
}

TEST_F(Translation, CountsAndLengthsThatLieAreRejectedWithoutReadingPastTheEnd) {
  LoadDamaged(DatFile().Int(30).Int(1).Int(INT32_MAX).Str(u"x"));
  EXPECT_EQ(TranslationRowCount(), 0 + 1);
  DatFile oneTooLong = DatFile().Int(30).Int(1).Int(3);
  oneTooLong.bytes.insert(oneTooLong.bytes.end(), {'a', 0, 'b', 0, 'c'});
  LoadDamaged(oneTooLong);
  LoadDamaged(DatFile().Int(INT32_MAX).Int(INT32_MAX).Str(u"OK").Str(u"Gut"));
  EXPECT_EQ(TranslationRowCount(), 0 + 1);
  LoadDamaged(DatFile().Int(30).Int(INT32_MAX).Row({u"OK", u"Gut"}));
  EXPECT_EQ(TranslationRowCount(), 1 + 1);

  // A negative length is damage, not an empty text: the rest of its row is not trusted.
  DatFile negative = Table({{u"OK", u"Gut"}, {}});
  negative.bytes.resize(negative.rowEnds[0]);
  negative.Str(u"Yes").Int(-1);
  for (int c = 2; c < kLanguageColumns; ++c) negative.Str(u"");
  LoadDamaged(negative);
  ASSERT_EQ(TranslationRowCount(), 1 + 1);
  CurrentLanguage() = 1;
  EXPECT_EQ(TranslateString(u"OK"), u"Gut");
  EXPECT_EQ(TranslateString(u"Yes"), u"Yes");
  EXPECT_EQ(TranslationRowCount(), 3);

  // A new initialisation drops everything of the previous one.
  testing::TempFolder other;
  InitTranslation(other.Path(""));
  EXPECT_EQ(TranslateString(u"OK"), u"OK");
  EXPECT_EQ(TranslationRowCount(), 1);
}

// ---- Saving ----

TEST_F(Translation, AFolderThatCannotBeWrittenIsSkippedSilently) {
  testing::RecordingMessages messages;
  const std::string plainFile = folder.Write("plain", {'p'});
  for (const std::string& place : {folder.Path("missing/"), plainFile + "/"}) {
    InitTranslation(place);
    EXPECT_EQ(TranslateString(u"OK"), u"OK");
    EXPECT_EQ(TranslateString(u"OK"), u"OK");
    EXPECT_EQ(TranslationRowCount(), 1);
    SaveTranslations();
  }
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(FilesInFolder(), 1u);
  EXPECT_EQ(ReadAll(plainFile), Bytes{'p'});
}

// Makes every file write beyond `bytes` fail (EFBIG) while the object lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : previousHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  void (*previousHandler_)(int);
  rlimit previous_{};
};

// A length spoilt in the middle: the first new text saves the table at once,
// but the whole damaged file was kept first; where it cannot be kept, the
// file is not saved over at all.
TEST_F(Translation, ADamagedFileIsKeptBeforeAnySaveCanReplaceIt) {
  DatFile spoilt = Table({{u"OK", u"Gut"}, {u"Yes", u"Ja"}, {u"No", u"Nein"}});
  spoilt.bytes[spoilt.rowEnds[0] + 4 + 2 * 3] = 0x7F;  // the length of "Ja"
  LoadDamaged(spoilt);
  EXPECT_EQ(TranslateString(u"New"), u"New");
  EXPECT_NE(ReadAll(Dat()), spoilt.bytes);
  EXPECT_EQ(ReadAll(Dat() + ".damaged"), spoilt.bytes);

  std::filesystem::remove(Dat() + ".damaged");
  std::filesystem::create_directory(Dat() + ".damaged");  // no copy can be made there
  folder.Write("translate.dat", spoilt.bytes);
  try {
    InitTranslation(Dir());
    ADD_FAILURE() << "no error for a damaged file";
  } catch (const InOutError& e) {
    EXPECT_NE(std::string(e.what()).find("No copy of it could be made"), std::string::npos) << e.what();
  }
  EXPECT_EQ(TranslateString(u"Newer"), u"Newer");
  EXPECT_EQ(ReadAll(Dat()), spoilt.bytes);
}

TEST_F(Translation, AFailedSaveLeavesThePreviousFile) {
  InitTranslation(Dir());
  TranslateString(u"OK");
  const Bytes before = ReadAll(Dat());
  ASSERT_FALSE(before.empty());
  SetTranslationCell(0, 1, std::u16string(4000, u'g'));
  {
    FileSizeLimit limit(1024);
    EXPECT_THROW(SaveTranslations(), InOutError);
  }
  EXPECT_EQ(ReadAll(Dat()), before);
  EXPECT_EQ(FilesInFolder(), 1u);

  // A lookup that records a text shows the failure instead of throwing it.
  testing::RecordingMessages messages;
  {
    FileSizeLimit limit(1024);
    EXPECT_EQ(TranslateString(u"Cancel"), u"Cancel");
  }
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].caption, kApplicationTitle);
  EXPECT_EQ(ReadAll(Dat()), before);
  SaveTranslations();
  InitTranslation(Dir());
  EXPECT_EQ(TranslationRowCount(), 2);
  EXPECT_EQ(TranslationCell(0, 1), std::u16string(4000, u'g'));
}

// ---- Editing ----

TEST_F(Translation, EditedCellsAreCopiesAndPlacesOutsideTheTableAreIgnored) {
  Load(Table({{u"OK", u"Gut"}}));
  std::u16string text = u"Prima";
  SetTranslationCell(0, 1, text);
  text[0] = u'X';
  SetTranslationCell(0, 2, std::u16string(u"Bon\0jour", 8));
  const std::vector<std::pair<int32_t, int32_t>> outside{{-1, 0}, {1, 0}, {0, -1}, {0, 30}};
  for (auto [row, column] : outside) {
    SetTranslationCell(row, column, u"lost");
    EXPECT_EQ(TranslationCell(row, column), u"");
  }
  EXPECT_EQ(Row(0), Cells({u"OK", u"Prima", u"Bon"}));
}

TEST_F(Translation, DeletingRowsKeepsEveryLookupInsideTheTable) {
  Load(Table({{u"Apple", u"Apfel"}, {u"Banana", u"Banane"}, {u"Avocado", u"Avocado!"}, {u"Apricot", u"Aprikose"}}));
  TranslateString(u"Date");  // an entry made after start-up
  SetTranslationCell(4, 1, u"Dattel");
  CurrentLanguage() = 1;
  DeleteTranslationRow(1);
  DeleteTranslationRow(-1);
  DeleteTranslationRow(4);
  ASSERT_EQ(TranslationRowCount(), 4);
  const Texts english{u"Apple", u"Avocado", u"Apricot", u"Date"}, german{u"Apfel", u"Avocado!", u"Aprikose", u"Dattel"};
  for (size_t k = 0; k < english.size(); ++k) EXPECT_EQ(TranslateString(english[k]), german[k]);
  EXPECT_EQ(TranslateString(u"Banana"), u"Banana");  // recorded again
  ASSERT_EQ(TranslationRowCount(), 5);
  EXPECT_EQ(Row(4), Cells({u"Banana"}));

  while (TranslationRowCount() > 0) DeleteTranslationRow(TranslationRowCount() / 2);
  for (int b = 0; b < 256; ++b) EXPECT_TRUE(IndexBucketRows(b).empty()) << b;
  EXPECT_EQ(TranslateString(u"Apple"), u"Apple");
  EXPECT_EQ(TranslationRowCount(), 1);
}

// ---- UTF-8 and UTF-16 ----

TEST(TextConversion, WellFormedTextsRoundTripAndDamageBecomesReplacementCharacters) {
  const std::string utf8 =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE4\xB9\x8F \xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16(utf8), u"Grüße \u4E4F \U0001F600");
  EXPECT_EQ(Utf8(Utf16(utf8)), utf8);
  // One U+FFFD per maximal ill-formed part.
  EXPECT_EQ(Utf16("\x80"
                  "a"),
            u"\uFFFDa");
  EXPECT_EQ(Utf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(Utf16("\xE2\x82"
                  "x"),
            u"\uFFFDx");                                              // cut short
  EXPECT_EQ(Utf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");            // an encoded surrogate
  EXPECT_EQ(Utf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // beyond U+10FFFF
  EXPECT_EQ(Utf16("\xF0\x9F\x98"), u"\uFFFD");
  EXPECT_EQ(Utf8(std::u16string{u'a', char16_t(0xD800)}), "a\xEF\xBF\xBD");
  EXPECT_EQ(Utf8(std::u16string{char16_t(0xDC00), u'b'}),
            "\xEF\xBF\xBD"
            "b");
}

}  // namespace
}  // namespace trellimap
