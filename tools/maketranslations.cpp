// Builds translate.dat from the German text source: one row per English text
// with its German translation, and the picture filter in both languages.
// Usage: maketranslations SOURCE OUTPUT_FOLDER

#include <cstdio>
#include <fstream>
#include <string>

#include "codecs/picturefilter.h"
#include "foundation/ioerror.h"
#include "i18n/translateunit.h"

namespace {

using namespace trellimap;

// Records the English text (once, however often it is listed) and gives its
// row the German text.
void Add(const std::string& english, const std::string& german) {
  const std::u16string key = Utf16(english);
  TranslateString(key);
  for (int32_t row = TranslationRowCount() - 1; row >= 0; --row)
    if (TranslationCell(row, 0) == key) {
      SetTranslationCell(row, 1, Utf16(german));
      return;
    }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: maketranslations SOURCE OUTPUT_FOLDER\n");
    return 2;
  }
  std::ifstream source(argv[1]);
  if (!source) {
    std::fprintf(stderr, "maketranslations: %s: cannot be read\n", argv[1]);
    return 1;
  }
  std::string folder = argv[2];
  if (folder.back() != '/') folder += '/';
  std::remove((folder + "translate.dat").c_str());
  try {
    InitTranslation(folder);
    std::string line;
    while (std::getline(source, line)) {
      if (line.empty() || line[0] == '#') continue;
      const size_t tab = line.find('\t');
      if (tab == std::string::npos) {
        std::fprintf(stderr, "maketranslations: %s: no tab in \"%s\"\n", argv[1], line.c_str());
        return 1;
      }
      Add(line.substr(0, tab), line.substr(tab + 1));
    }
    // The picture filter is translated as one text, built from its two texts
    // and, in German, its entries' German descriptions.
    const std::string english = BuildPictureFilter("All pictures", "All files");
    CurrentLanguage() = 1;
    const std::string german = TranslateFilterEntries(BuildPictureFilter("Alle Bilder", "Alle Dateien"));
    CurrentLanguage() = 0;
    Add(english, german);
    SaveTranslations();
  } catch (const InOutError& e) {
    std::fprintf(stderr, "maketranslations: %s\n", e.what());
    return 1;
  }
  return 0;
}
