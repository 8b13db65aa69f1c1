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
    entries += std::string(extension->openText) + "|" + pattern + "|";
  }
  return allPictures + "|" + pictures + "|" + entries + allFiles + " (*.*)|*.*";
}

std::string TranslateFilterEntries(const std::string& filter) {
  std::string translated;
  size_t start = 0;
  for (size_t part = 0; start <= filter.size(); ++part) {
    const size_t end = std::min(filter.find('|', start), filter.size());
    std::string text = filter.substr(start, end - start);
    // Descriptions and patterns alternate.
    if (part % 2 == 0)
      for (const auto& [row, extension] : ExtensionsInOrder(&FormatExtension::openPlace))
        if (extension->openTranslated && text == extension->openText) text = TranslateUtf8(text);
    translated += (part == 0 ? "" : "|") + text;
    start = end + 1;
  }
  return translated;
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
