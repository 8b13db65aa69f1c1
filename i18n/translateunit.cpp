#include "i18n/translateunit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>
#include <vector>

#include "foundation/binaryfile.h"
#include "foundation/filebytes.h"
#include "foundation/ioerror.h"

namespace trellimap {
namespace {

constexpr int kBuckets = 256;

constexpr std::array<const char16_t*, 20> kNamedColumns{u"English",
                                                        u"German",
                                                        u"Frensh",
                                                        u"Italian",
                                                        u"Japanese",
                                                        u"Espannol",
                                                        u"Norsk",
                                                        u"Castella",
                                                        u"Nederlands",
                                                        u"Finnish",
                                                        u"Serbisch",
                                                        u"Romance",
                                                        u"Czech",
                                                        u"Chinese traditional",
                                                        u"Chinese simplified",
                                                        u"Portuguese",
                                                        u"Swedish",
                                                        u"Polski",
                                                        u"Brazilian",
                                                        u"Russian"};

constexpr std::array<const char16_t*, 10> kNumberedTexts{
    u"Please close the program and start it again.",
    u"Translate",
    u"",
    u"",
    u"All pictures",
    u"All files",
    u"Could not create the file",
    u"Could not open the file",
    u"",
    u"",
};

// An owned NUL-terminated copy of `text`, cut at its first NUL: cells and keys
// never hold a NUL, so their length is the length up to the terminator.
char16_t* NewText(std::u16string_view text) {
  text = text.substr(0, text.find(u'\0'));
  auto* copy = new char16_t[text.size() + 1];
  std::copy(text.begin(), text.end(), copy);
  copy[text.size()] = u'\0';
  return copy;
}

// Puts a copy of `text` into `cell` and releases what the cell held.
void ReplaceText(char16_t*& cell, std::u16string_view text) {
  char16_t* copy = NewText(text);
  delete[] cell;
  cell = copy;
}

std::u16string_view View(const char16_t* text) { return text ? std::u16string_view(text) : std::u16string_view(); }

// Code unit by code unit as unsigned 16-bit values; a proper prefix comes first.
int CompareKeys(std::u16string_view a, std::u16string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t k = 0; k < n; ++k) {
    if (a[k] != b[k]) return static_cast<uint16_t>(a[k]) < static_cast<uint16_t>(b[k]) ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int BucketOf(char16_t first) { return static_cast<uint16_t>(first) & 0xFF; }

void SortIndexBucket(int b, int32_t lo, int32_t hi);

// The table, its index and the pointer variables they mirror their current
// record into. The arrays keep the addresses of `arow` and `aentry`, so the
// object never moves; it frees every text when the process ends.
struct Translations {
  std::string readPath, savePath;  // translate.dat as read at start, and where saves go
  // Set when translate.dat could not be read whole and no copy of it could be
  // kept: saving the partial table would lose the rows after the damage.
  bool keepFile = false;
  TTranslationRow* arow = nullptr;  // the table's current row
  TIndexEntry* aentry = nullptr;    // current entry of whichever bucket moved last
  std::unique_ptr<TDynaArray> table;
  std::array<std::unique_ptr<TDynaArray>, kBuckets> buckets;

  ~Translations() { Release(); }

  bool Ready() const { return table != nullptr; }

  void ReleaseRows() {
    if (!table) return;
    table->First();
    while (table->WhileNext()) {
      for (char16_t*& text : arow->texts) {
        delete[] text;
        text = nullptr;
      }
    }
    table->Clear();
  }

  void ReleaseIndex() {
    for (auto& bucket : buckets) {
      if (!bucket) continue;
      bucket->First();
      while (bucket->WhileNext()) {
        delete[] aentry->key;
        aentry->key = nullptr;
      }
      bucket->Clear();
    }
  }

  void Release() {
    ReleaseIndex();
    ReleaseRows();
    for (auto& bucket : buckets) bucket.reset();
    table.reset();
  }

  void Create() {
    table = std::make_unique<TDynaArray>(static_cast<uint32_t>(sizeof(TTranslationRow)), &arow);
    for (auto& bucket : buckets)
      bucket = std::make_unique<TDynaArray>(static_cast<uint32_t>(sizeof(TIndexEntry)), &aentry);
  }

  // Appends a row of empty cells and leaves `arow` on it; false when no memory
  // could be had (the array has reported that already).
  bool AddEmptyRow() {
    if (!table->Add()) return false;
    for (char16_t*& text : arow->texts) text = NewText({});
    return true;
  }

  // Releases the cells of row `row` and removes it; the cursor is reset.
  void DropRow(int32_t row) {
    table->GetObject(static_cast<uint32_t>(row));
    for (char16_t*& text : arow->texts) {
      delete[] text;
      text = nullptr;
    }
    table->Delete(row);
  }

  void AddEntry(int bucket, std::u16string_view key, int32_t row) {
    if (!buckets[bucket]->Add()) return;
    aentry->key = NewText(key);
    aentry->row = row;
  }

  // Positions bucket `bucket` on `entry` and returns its key.
  std::u16string_view Key(int bucket, int32_t entry) {
    buckets[bucket]->GetObject(static_cast<uint32_t>(entry));
    return View(aentry->key);
  }
};

Translations& State() {
  static Translations state;
  return state;
}

// Copies the table file as read, unchanged, to translate.dat.damaged beside
// where saves go (replacing an older copy); the path of the copy, or "" when
// it could not be made.
std::string KeepDamagedCopy() {
  constexpr size_t kLimit = size_t{1} << 30;
  const std::string copy = State().savePath + ".damaged";
  std::vector<uint8_t> bytes;
  std::string reason;
  if (!ReadFileBytes(State().readPath, kLimit, &bytes, &reason)) return {};
  try {
    AtomicFileWriter out;
    if (!out.Open(copy)) return {};
    out.Write(bytes.data(), bytes.size());
    out.Commit();
  } catch (const InOutError&) {
    return {};
  }
  return copy;
}

// After a read that stopped at `reason`: the file is kept aside before any
// save can replace it, and the error names the file and where the copy went.
// Without a copy the file is never saved over in this run.
InOutError DamagedTable(const std::string& reason) {
  const std::string copy = KeepDamagedCopy();
  State().keepFile = copy.empty();
  if (copy.empty())
    return InOutError::Damaged(
        TranslateFormat("The translation file \"%1\" is damaged (%2): the texts after the damage are missing. No copy "
                        "of it could be made, so it is left as it is and not saved over.",
                        {State().readPath, reason}));
  return InOutError::Damaged(TranslateFormat(
      "The translation file \"%1\" is damaged (%2): the texts after the damage are missing. The damaged file was "
      "kept as \"%3\".",
      {State().readPath, reason, copy}));
}

// One length-prefixed string: int32 length in UTF-16 units, then the units as
// UTF-16LE. The length is checked against the bytes left before anything is
// allocated; a negative length only comes from a damaged file.
std::u16string ReadLenString(BinaryReader& in) {
  const int32_t length = in.ReadInt32();
  if (length < 0 || uint64_t{static_cast<uint32_t>(length)} * 2 > in.Remaining()) throw InOutError::ReadBeyondEnd();
  std::vector<uint8_t> bytes(static_cast<size_t>(length) * 2);
  in.Read(bytes.data(), bytes.size());
  std::u16string text(static_cast<size_t>(length), u'\0');
  for (size_t k = 0; k < text.size(); ++k) text[k] = static_cast<char16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8);
  return text;
}

void WriteLenString(AtomicFileWriter& out, std::u16string_view text) {
  out.WriteInt32(static_cast<int32_t>(text.size()));
  std::vector<uint8_t> bytes(text.size() * 2);
  for (size_t k = 0; k < text.size(); ++k) {
    bytes[2 * k] = static_cast<uint8_t>(text[k]);
    bytes[2 * k + 1] = static_cast<uint8_t>(text[k] >> 8);
  }
  out.Write(bytes.data(), bytes.size());
}

// Appends the file's rows to the table. Only whole rows stay: a row cut short
// by the end of the file is dropped before the error goes on.
void ReadTable() {
  Translations& s = State();
  BinaryReader in;
  if (!in.Open(s.readPath)) return;
  const int32_t columns = in.ReadInt32();
  const int32_t rows = in.ReadInt32();
  // A row without strings has no English text and could never be found; a
  // count of such rows would only cost memory, so it loads as no rows.
  if (columns <= 0) return;
  // Rows are appended as they are read, never reserved from `rows`: a count
  // larger than the file runs into the end of the data instead.
  for (int32_t r = 0; r < rows; ++r) {
    if (!s.AddEmptyRow()) return;
    const auto row = static_cast<int32_t>(s.table->count - 1);
    try {
      for (int32_t c = 0; c < columns; ++c) {
        std::u16string text = ReadLenString(in);
        if (c >= kLanguageColumns) continue;
        s.table->GetObject(static_cast<uint32_t>(row));
        ReplaceText(s.arow->texts[c], text);
      }
    } catch (...) {
      s.DropRow(row);
      throw;
    }
  }
}

// Entries for every row with an English text, then each bucket sorted.
void BuildIndex() {
  Translations& s = State();
  s.table->First();
  while (s.table->WhileNext()) {
    const std::u16string_view english = View(s.arow->texts[0]);
    // aobjnr is one past the row being visited.
    if (!english.empty()) s.AddEntry(BucketOf(english[0]), english, s.table->aobjnr - 1);
  }
  for (int b = 0; b < kBuckets; ++b) {
    if (s.buckets[b]->count > 0) SortIndexBucket(b, 0, static_cast<int32_t>(s.buckets[b]->count) - 1);
  }
}

void TrimSpaces(std::u16string& text, size_t& lead, size_t& trail) {
  lead = 0;
  while (lead < text.size() && text[lead] == u' ') ++lead;
  text.erase(0, lead);
  trail = 0;
  while (trail < text.size() && text[text.size() - 1 - trail] == u' ') ++trail;
  text.resize(text.size() - trail);
}

// Row number of the first entry in `bucket` whose key equals `key`, or -1.
int32_t FindRow(int bucket, std::u16string_view key) {
  Translations& s = State();
  TDynaArray& entries = *s.buckets[bucket];
  entries.First();
  while (entries.WhileNext()) {
    if (View(s.aentry->key) == key) return s.aentry->row;
  }
  return -1;
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Sorts entries lo to hi of bucket b by key (quicksort around the middle key).
// The order it leaves among equal keys decides which row a lookup finds, so
// the partition steps are kept as they are; only the larger part is looped on
// instead of recursed into, which keeps the stack shallow and changes nothing
// (the two parts are disjoint).
void SortIndexBucket(int b, int32_t lo, int32_t hi) {
  Translations& s = State();
  TDynaArray& bucket = *s.buckets[b];
  while (lo < hi) {
    const std::u16string pivot(s.Key(b, lo + (hi - lo) / 2));
    int32_t i = lo, j = hi;
    do {
      while (CompareKeys(s.Key(b, i), pivot) < 0) ++i;
      while (CompareKeys(s.Key(b, j), pivot) > 0) --j;
      if (i <= j) {
        bucket.Change(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) SortIndexBucket(b, lo, j);
      lo = i;
    } else {
      if (i < hi) SortIndexBucket(b, i, hi);
      hi = j;
    }
  }
}

}  // namespace

int32_t& CurrentLanguage() {
  static int32_t language = 0;
  return language;
}

std::u16string LanguageColumnName(int32_t column) {
  if (column < 0 || column >= kLanguageColumns) return {};
  if (column < static_cast<int32_t>(kNamedColumns.size())) return kNamedColumns[static_cast<size_t>(column)];
  return u"language" + Utf16(std::to_string(column));
}

void InitTranslation(const std::string& folder) {
  InitTranslationFiles(folder + "translate.dat", folder + "translate.dat");
}

void InitTranslationFiles(const std::string& readPath, const std::string& savePath) {
  Translations& s = State();
  s.Release();
  s.readPath = readPath;
  s.savePath = savePath;
  s.Create();
  LoadTranslations();
}

void LoadTranslations() {
  Translations& s = State();
  if (!s.Ready()) return;
  s.ReleaseIndex();
  s.ReleaseRows();
  s.keepFile = false;
  std::exception_ptr failure;
  std::string damage;
  try {
    ReadTable();
  } catch (const InOutError& error) {
    damage = error.what();
  } catch (...) {
    failure = std::current_exception();
  }
  BuildIndex();
  if (failure) std::rethrow_exception(failure);
  if (!damage.empty()) throw DamagedTable(damage);
}

void SaveTranslations() {
  Translations& s = State();
  if (!s.Ready() || s.keepFile) return;
  AtomicFileWriter out;
  if (!out.Open(s.savePath)) return;
  out.WriteInt32(kLanguageColumns);  // always all columns, whatever the file had
  out.WriteInt32(static_cast<int32_t>(s.table->count));
  s.table->First();
  while (s.table->WhileNext()) {
    for (const char16_t* text : s.arow->texts) WriteLenString(out, View(text));
  }
  out.Commit();
}

std::u16string TranslateString(const std::u16string& text) {
  Translations& s = State();
  if (text.empty() || !s.Ready()) return text;
  // Cells cannot hold a NUL, so such a text could never be found again and
  // would be recorded anew at every lookup.
  if (text.find(u'\0') != std::u16string::npos) return text;
  std::u16string key = text;
  size_t lead = 0, trail = 0;
  TrimSpaces(key, lead, trail);
  if (key.empty()) return text;

  const int bucket = BucketOf(key[0]);
  const int32_t row = FindRow(bucket, key);
  if (row >= 0 && static_cast<uint32_t>(row) < s.table->count) {
    int32_t column = CurrentLanguage();
    if (column < 0 || column >= kLanguageColumns) column = 0;
    s.table->GetObject(static_cast<uint32_t>(row));
    std::u16string_view cell = View(s.arow->texts[column]);
    if (cell.empty()) return text;
    while (!cell.empty() && cell.front() <= u' ') cell.remove_prefix(1);
    while (!cell.empty() && cell.back() <= u' ') cell.remove_suffix(1);
    return std::u16string(lead, u' ') + std::u16string(cell) + std::u16string(trail, u' ');
  }

  if (!s.AddEmptyRow()) return text;
  ReplaceText(s.arow->texts[0], key);
  s.AddEntry(bucket, key, static_cast<int32_t>(s.table->count - 1));
  // The row is recorded whatever happens to the file; a failed save is shown
  // here, so that no caller that merely wants a caption has to expect it.
  try {
    SaveTranslations();
  } catch (const InOutError& error) {
    HandleInOutError(error);
  }
  return text;
}

std::u16string GetLangString(int n) {
  if (n < 1 || n > static_cast<int>(kNumberedTexts.size())) return {};
  const std::u16string text = kNumberedTexts[static_cast<size_t>(n - 1)];
  return text.empty() ? text : TranslateString(text);
}

void RegisterLangStrings() {
  for (int n = 1; n <= static_cast<int>(kNumberedTexts.size()); ++n) GetLangString(n);
}

int32_t TranslationRowCount() {
  const Translations& s = State();
  return s.Ready() ? static_cast<int32_t>(s.table->count) : 0;
}

std::u16string TranslationCell(int32_t row, int32_t column) {
  Translations& s = State();
  if (row < 0 || row >= TranslationRowCount() || column < 0 || column >= kLanguageColumns) return {};
  s.table->GetObject(static_cast<uint32_t>(row));
  return std::u16string(View(s.arow->texts[column]));
}

void SetTranslationCell(int32_t row, int32_t column, const std::u16string& text) {
  Translations& s = State();
  if (row < 0 || row >= TranslationRowCount() || column < 0 || column >= kLanguageColumns) return;
  s.table->GetObject(static_cast<uint32_t>(row));
  ReplaceText(s.arow->texts[column], text);
}

void DeleteTranslationRow(int32_t row) {
  Translations& s = State();
  if (row < 0 || row >= TranslationRowCount()) return;
  s.DropRow(row);
  // Entries keep their keys and their order; the deleted row's entry goes and
  // later rows' numbers move up with their rows.
  for (auto& bucket : s.buckets) {
    for (uint32_t k = 0; k < bucket->count;) {
      bucket->GetObject(k);
      if (s.aentry->row == row) {
        delete[] s.aentry->key;
        s.aentry->key = nullptr;
        bucket->Delete(static_cast<int32_t>(k));
        continue;
      }
      if (s.aentry->row > row) --s.aentry->row;
      ++k;
    }
  }
}

std::vector<int32_t> IndexBucketRows(int bucket) {
  Translations& s = State();
  std::vector<int32_t> rows;
  if (!s.Ready() || bucket < 0 || bucket >= kBuckets) return rows;
  TDynaArray& entries = *s.buckets[bucket];
  entries.First();
  while (entries.WhileNext()) rows.push_back(s.aentry->row);
  return rows;
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t k = 0; k < text.size(); ++k) {
    uint32_t code = text[k];
    if (code >= 0xD800 && code <= 0xDBFF && k + 1 < text.size() && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[k + 1] - 0xDC00u);
      ++k;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;  // a surrogate without its partner
    }
    AppendUtf8(out, code);
  }
  return out;
}

// Well-formed sequences as Unicode defines them; each maximal ill-formed part
// becomes one U+FFFD.
std::u16string Utf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  const size_t n = text.size();
  size_t k = 0;
  while (k < n) {
    const auto lead = static_cast<uint8_t>(text[k]);
    if (lead < 0x80) {
      out += static_cast<char16_t>(lead);
      ++k;
      continue;
    }
    int length = 0;
    uint8_t low = 0x80, high = 0xBF;  // range of the second byte
    uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0Fu;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07u;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    size_t used = 1;
    bool whole = length > 0;
    for (int m = 1; whole && m < length; ++m) {
      const size_t at = k + static_cast<size_t>(m);
      const auto byte = at < n ? static_cast<uint8_t>(text[at]) : uint8_t{0};
      if (at >= n || byte < (m == 1 ? low : 0x80) || byte > (m == 1 ? high : 0xBF)) {
        whole = false;
        break;
      }
      code = code << 6 | (byte & 0x3Fu);
      ++used;
    }
    k += used;
    if (!whole) {
      out += u'\uFFFD';
    } else if (code >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}

std::string TranslateUtf8(const std::string& text) { return Utf8(TranslateString(Utf16(text))); }

std::string TranslateFormat(const std::string& text, std::initializer_list<std::string> arguments) {
  const std::string translated = TranslateUtf8(text);
  std::string out;
  for (size_t i = 0; i < translated.size(); ++i) {
    const char next = i + 1 < translated.size() ? translated[i + 1] : 0;
    const size_t n = next >= '1' && next <= '9' ? static_cast<size_t>(next - '1') : arguments.size();
    if (translated[i] == '%' && n < arguments.size()) {
      out += arguments.begin()[n];
      ++i;
    } else {
      out += translated[i];
    }
  }
  return out;
}

std::string GetLangStringUtf8(int n) { return Utf8(GetLangString(n)); }

}  // namespace trellimap
