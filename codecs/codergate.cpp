#include "codecs/codergate.h"

#include <magick/api.h>

#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "codecs/magickowners.h"

namespace trellimap {
namespace {

// Each chosen coder with the names its module registers for the same format.
// The writers use BMP3 and the family heads; nothing else stays registered.
struct CoderFamily {
  PictureFormat format;
  std::array<const char*, 7> names;  // the first is the coder used; unused slots null
};

constexpr std::array<CoderFamily, 7> kFamilies{{
    {PictureFormat::Bmp, {"BMP", "BMP2", "BMP3"}},
    {PictureFormat::Gif, {"GIF", "GIF87"}},
    {PictureFormat::Jpeg, {"JPEG", "JPG"}},
    {PictureFormat::Pcx, {"PCX"}},
    {PictureFormat::Png, {"PNG", "PNG8", "PNG24", "PNG32", "PNG48", "PNG64", "PNG00"}},
    {PictureFormat::Tga, {"TGA", "ICB", "VDA", "VST"}},
    {PictureFormat::Tiff, {"TIFF", "TIF", "BIGTIFF", "PTIF"}},
}};

const CoderFamily* FamilyOf(std::string_view name) {
  for (const CoderFamily& family : kFamilies)
    for (const char* member : family.names)
      if (member != nullptr && name == member) return &family;
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
  for (const CoderFamily& family : kFamilies)
    if (family.format == format) return family.names[0];
  return nullptr;
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
  const CoderFamily* own = FamilyOf(coder);
  if (own != nullptr && FamilyOf(format) == own) return true;
  *found = format;
  return false;
}

}  // namespace trellimap
