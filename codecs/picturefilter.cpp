#include "codecs/picturefilter.h"

#include <algorithm>
#include <cctype>

#include "codecs/formatregistry.h"
#include "i18n/translateunit.h"

namespace trellimap {

std::string BuildPictureFilter(const std::string& allPictures, const std::string& allFiles) {
  std::string pictures, entries;
  for (const auto& [row, extension] : ExtensionsInOrder(&FormatExtension::openPlace)) {
    std::string pattern = std::string("*.") + extension->name;
    std::transform(pattern.begin(), pattern.end(), pattern.begin(), [](unsigned char c) { return std::toupper(c); });
    if (row->inAllPictures) pictures += (pictures.empty() ? "" : ";") + pattern;
    const std::string text = extension->openTranslated ? TranslateUtf8(extension->openText) : extension->openText;
    entries += text + "|" + pattern + "|";
  }
  return allPictures + "|" + pictures + "|" + entries + allFiles + " (*.*)|*.*";
}

std::string BuildSavePictureFilter(const std::string& allFiles) {
  std::string filter;
  for (const FormatRow& row : PictureFormats())
    for (size_t w = 0; w < row.Writers().size(); ++w) {
      std::string shown, patterns;  // "*.bmp *.dib" in the description, "*.bmp;*.dib" to match
      for (const FormatExtension& e : row.Extensions())
        if (e.writer == static_cast<int>(w)) {
          shown += (shown.empty() ? "*." : " *.") + std::string(e.name);
          patterns += (patterns.empty() ? "*." : ";*.") + std::string(e.name);
        }
      filter += TranslateUtf8(std::string(row.Writers()[w].saveText) + " (" + shown + ")") + "|" + patterns + "|";
    }
  return filter + allFiles + " (*.*)|*.*";
}

}  // namespace trellimap
