// Reads the input as the options file: any content gives a language of the table.

#include <cstdlib>

#include "fuzz/fuzzinput.h"
#include "i18n/translateunit.h"
#include "persist/optionsfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static trellimap::fuzz::InputFile input(trellimap::kOptionsFileName);
  input.Put(data, size);
  const int32_t language = trellimap::ReadOptions(input.Folder());
  if (language < 0 || language >= trellimap::kLanguageColumns) std::abort();
  return 0;
}
