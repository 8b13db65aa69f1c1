#include "codecs/codergate.h"

#include <magick/api.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "codecs/formatregistry.h"
#include "codecs/magickowners.h"

namespace trellimap {
namespace {

// The format whose library coders (the one used and the other names its
// module registers) include `name`. The writers use BMP3 and the heads of
// these families; nothing else stays registered.
const FormatRow* FamilyOf(std::string_view name) {
  for (const FormatRow& row : PictureFormats())
    for (const char* member : row.reader.library)
      if (member != nullptr && name == member) return &row;
  return nullptr;
}

// Reading and writing the library's own temporary files stays allowed; no
// program is ever started and nothing is fetched from anywhere. The refusal
// leaves `exception` alone: the library reports it itself, and some callers
// pass an exception that must not be written to.
MagickPassFail ConfirmAccess(const ConfirmAccessMode mode, const char*, ExceptionInfo*) {
  return mode == FileReadConfirmAccessMode || mode == FileWriteConfirmAccessMode ? MagickPass : MagickFail;
}

}  // namespace

const char* CoderName(PictureFormat format) {
  const FormatRow* row = FindFormat(format);
  return row != nullptr ? row->reader.library[0] : nullptr;
}

void ConfineCoders() {
  MagickSetConfirmAccessHandler(ConfirmAccess);
  ExceptionOwner exception;
  MagickInfo** all = GetMagickInfoArray(&exception.e);
  if (all == nullptr) return;
  // Names are copied first: unregistering frees the entries.
  std::vector<std::string> others;
  for (MagickInfo** entry = all; *entry != nullptr; ++entry)
    if (FamilyOf((*entry)->name) == nullptr) others.emplace_back((*entry)->name);
  MagickFree(all);
  for (const std::string& name : others) UnregisterMagickInfo(name.c_str());
}

bool CoderMaySee(const char* coder, const uint8_t* bytes, size_t length, std::string* found) {
  char format[MaxTextExtent] = "";
  ExceptionOwner exception;
  if (GetMagickFileFormat(bytes, length, format, sizeof format, &exception.e) != MagickPass || format[0] == 0)
    return true;
  const FormatRow* own = FamilyOf(coder);
  if (own != nullptr && FamilyOf(format) == own) return true;
  *found = format;
  return false;
}

}  // namespace trellimap
