// Reads the input as the translation file, looks up its texts in German as
// the window does, and saves the table: what is saved must read back whole,
// row for row and cell for cell.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/ioerror.h"
#include "fuzz/fuzzinput.h"
#include "fuzz/silentmessages.h"
#include "i18n/translateunit.h"

namespace {

using trellimap::kLanguageColumns;

// A lookup of every English text; the first rows are enough to reach every
// path of the index.
void LookUpTexts() {
  constexpr int32_t kRows = 64;
  const int32_t rows = trellimap::TranslationRowCount();
  for (int32_t r = 0; r < rows && r < kRows; ++r) trellimap::TranslateString(trellimap::TranslationCell(r, 0));
}

std::vector<std::u16string> Cells() {
  std::vector<std::u16string> cells;
  for (int32_t r = 0; r < trellimap::TranslationRowCount(); ++r)
    for (int32_t c = 0; c < kLanguageColumns; ++c) cells.push_back(trellimap::TranslationCell(r, c));
  return cells;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static trellimap::fuzz::SilentMessages silent;
  trellimap::SetMessageBoxes(&silent);
  trellimap::CurrentLanguage() = 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static trellimap::fuzz::InputFile input("translate.dat");
  input.Put(data, size);
  const std::string saved = input.Folder() + "saved.dat";
  try {
    trellimap::InitTranslationFiles(input.Path(), saved);
  } catch (const trellimap::InOutError& error) {
    // A damaged table is said to be, by name.
    if (error.kind() != trellimap::InOutError::Kind::Damaged) std::abort();
  }
  LookUpTexts();
  trellimap::SaveTranslations();
  const std::vector<std::u16string> cells = Cells();
  trellimap::InitTranslationFiles(saved, saved);
  if (Cells() != cells) std::abort();
  std::remove(saved.c_str());
  std::remove((saved + ".damaged").c_str());
  return 0;
}
