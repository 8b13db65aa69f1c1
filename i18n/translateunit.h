#pragma once
// The process-wide translation table: one row per English text, one column
// per language (30 columns, 0 English, 1 German), kept in `translate.dat` in
// the program's folder. A text is translated by looking up its own English
// wording; a text without a row is recorded as a new row and saved at once.
// Texts are UTF-16, as the file stores them.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "foundation/dynaarray.h"

namespace trellimap {

inline constexpr int32_t kLanguageColumns = 30;

// One row: cell k holds the text in language column k, an owned NUL-terminated
// UTF-16 copy (never null; a missing translation is the empty text).
struct TTranslationRow {
  char16_t* texts[kLanguageColumns];
};

// One entry of the text index: an own copy of a row's English text as it was
// when the entry was made, and the row's number.
struct TIndexEntry {
  char16_t* key;
  int32_t row;
};

// The language whose column lookups use: 0 English, 1 German (0 to 29).
int32_t& CurrentLanguage();

// The name of language column c ("English", "German", "Frensh", ...,
// "language20" ... "language29"); "" outside 0 to 29.
std::u16string LanguageColumnName(int32_t column);

// Creates the table, reads `translate.dat` from `folder` (ending in "/") and
// builds the index. A file that cannot be read whole (it ends early, a length
// is impossible) leaves the table and index with the rows read so far, is
// copied to translate.dat.damaged before anything can save over it, and
// throws InOutError::Damaged naming the file and the copy. Where no copy can
// be made, the file is not saved over for the rest of the run.
void InitTranslation(const std::string& folder);

// The same with the table read from `readPath` and saved to `savePath`
// (see persist/tableplace.h for where those lie).
void InitTranslationFiles(const std::string& readPath, const std::string& savePath);

// Replaces the table's rows by those of translate.dat and rebuilds the index;
// see InitTranslation. Does nothing before InitTranslation.
void LoadTranslations();

// Writes the whole table to translate.dat through a temporary file. A folder
// that cannot be written is skipped silently; write errors throw InOutError.
void SaveTranslations();

// The translation of `text` into the current language, with the text's own
// leading and trailing spaces; records a text without a row (and saves). A
// save that fails is shown through HandleInOutError, never thrown.
std::u16string TranslateString(const std::u16string& text);

// Numbered text n (1 to 10) through TranslateString; "" for any other n.
std::u16string GetLangString(int n);

// Passes every numbered text through TranslateString, so each gets a row.
void RegisterLangStrings();

// The table for the translation editor: row count, a cell, replacing a cell,
// and deleting a row (the index is kept valid). Out-of-range rows or columns
// read as "" and change nothing; none of these saves the file.
int32_t TranslationRowCount();
std::u16string TranslationCell(int32_t row, int32_t column);
void SetTranslationCell(int32_t row, int32_t column, const std::u16string& text);
void DeleteTranslationRow(int32_t row);

// The row numbers that index bucket b (0 to 255) names, in the order lookups
// walk them; for inspecting the index.
std::vector<int32_t> IndexBucketRows(int bucket);

// Conversions between the table's UTF-16 and the UTF-8 of the rest of the core.
std::string Utf8(const std::u16string& text);
std::u16string Utf16(const std::string& text);

// UTF-8 shorthands for messages built by the core.
std::string TranslateUtf8(const std::string& text);

// TranslateUtf8 of `text`, then "%1", "%2", ... in the translation replaced
// by the arguments in order, so that each language places them where its
// grammar wants them.
std::string TranslateFormat(const std::string& text, std::initializer_list<std::string> arguments);
std::string GetLangStringUtf8(int n);

}  // namespace trellimap
