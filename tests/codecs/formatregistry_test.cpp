// Laws the format registry and the lists derived from it keep to.

#include "codecs/formatregistry.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "codecs/picturefilter.h"
#include "codecs/pictureformat.h"
#include "codecs/picturewriter.h"
#include "i18n/translateunit.h"
#include "image/pixmill3.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts{""};
  for (const char c : text)
    if (c == separator)
      parts.emplace_back();
    else
      parts.back().push_back(c);
  return parts;
}

// A filter's description|patterns| pairs.
std::vector<std::pair<std::string, std::string>> Entries(const std::string& filter) {
  const std::vector<std::string> parts = Split(filter, '|');
  EXPECT_EQ(parts.size() % 2, 0u) << filter;
  std::vector<std::pair<std::string, std::string>> entries;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) entries.emplace_back(parts[i], parts[i + 1]);
  return entries;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The written extensions with their dots, as the save dialog offers them.
std::set<std::string> Offered() {
  const auto entries = Entries(BuildSavePictureFilter("All files"));
  EXPECT_EQ(entries.back(), (std::pair<std::string, std::string>{"All files (*.*)", "*.*"}));
  std::set<std::string> offered;
  for (size_t i = 0; i + 1 < entries.size(); ++i) {
    const auto& [description, patterns] = entries[i];
    std::string shown;
    for (const std::string& pattern : Split(patterns, ';')) {
      const std::string extension = pattern.substr(1);
      EXPECT_EQ(pattern, "*" + Lower(extension));
      EXPECT_TRUE(offered.insert(extension).second) << pattern << " is offered twice";
      EXPECT_EQ(FormatForExtension(extension), FormatForExtension(Split(patterns, ';')[0].substr(1))) << patterns;
      shown += (shown.empty() ? "" : " ") + pattern;
    }
    EXPECT_TRUE(description.ends_with(" (" + shown + ")")) << description;
  }
  EXPECT_EQ(WithDefaultExtension("r"), "r" + Split(entries[0].second, ';')[0].substr(1));
  return offered;
}

TEST(FormatRegistry, ExactlyTheOfferedExtensionsSelectAWriterAndAreNamedWhenRefused) {
  const std::set<std::string> offered = Offered();
  std::vector<std::string> names;
  for (const FormatRow& row : PictureFormats())
    for (const FormatExtension& e : row.Extensions()) names.emplace_back(e.name);
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    std::string name = names[random() % names.size()];
    if (random() % 4 == 0) name.insert(random() % (name.size() + 1), 1, "ajkp.x"[random() % 6]);
    if (random() % 4 == 0) name.erase(random() % name.size(), 1);
    for (char& c : name)
      if (random() % 2) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto format = FormatForExtension("." + name);
    ASSERT_EQ(format.has_value(), offered.count("." + Lower(name)) == 1) << name;
    EXPECT_TRUE(!format || FindWriter(*format) != nullptr) << name;
  }
  dib picture;
  newdib(&picture, 2, 2, 24, nullptr, 0);
  const Outcome refused = WritePictureFile(picture, "p.xyz");
  ASSERT_TRUE(refused.failed());
  EXPECT_EQ(refused.problem, FileProblem::None);
  const std::string& reason = refused.detail;
  ReleaseDib(&picture);
  const size_t use = reason.find("(use "), close = reason.rfind(')');
  ASSERT_NE(use, std::string::npos) << reason;
  std::string listed = reason.substr(use + 5, close - use - 5);
  listed.replace(listed.rfind(" or "), 4, ", ");
  std::set<std::string> named;
  for (const std::string& part : Split(listed, ',')) named.insert(part.substr(part[0] == ' '));
  EXPECT_EQ(named, offered);
}

TEST(FormatRegistry, OpenFilterHasAnEntryForEveryReadFormatAndAllPicturesGathersThem) {
  const auto entries = Entries(BuildPictureFilter("All pictures", "All files"));
  ASSERT_GE(entries.size(), 3u);
  EXPECT_EQ(entries.front().first, "All pictures");
  EXPECT_EQ(entries.back(), (std::pair<std::string, std::string>{"All files (*.*)", "*.*"}));
  std::set<PictureFormat> covered, read;
  std::string pictures;
  for (size_t i = 1; i + 1 < entries.size(); ++i) {
    const auto& [description, pattern] = entries[i];
    const PictureFormat format = DetectPictureFormat(nullptr, 0, "x" + pattern.substr(1));
    ASSERT_NE(format, PictureFormat::Unknown) << pattern;
    EXPECT_EQ(description.rfind(pattern.substr(2) + " - ", 0), 0u) << description;
    covered.insert(format);
    if (FindFormat(format)->inAllPictures) pictures += (pictures.empty() ? "" : ";") + pattern;
  }
  for (const FormatRow& row : PictureFormats()) read.insert(row.format);
  EXPECT_EQ(covered, read);
  EXPECT_EQ(entries.front().second, pictures);
}

// The entries marked as translated pass through the table, once; the others stay.
TEST(FormatRegistry, OpenFilterEntriesOfTheNewerFormatsAreTranslated) {
  testing::TempFolder folder;
  InitTranslation(folder.Path(""));
  TranslateString(u"WEBP - WebP picture");
  SetTranslationCell(TranslationRowCount() - 1, 1, u"WEBP - WebP-Bild");
  CurrentLanguage() = 1;
  const std::string filter = BuildPictureFilter("Alle Bilder", "Alle Dateien");
  const std::string translated = TranslateFilterEntries(filter);
  CurrentLanguage() = 0;
  EXPECT_NE(translated.find("|WEBP - WebP-Bild|*.WEBP|"), std::string::npos) << translated;
  EXPECT_NE(translated.find("|BMP - Windows, OS/2 Bitmap|*.BMP|"), std::string::npos);
  EXPECT_EQ(Entries(translated).size(), Entries(filter).size());
  EXPECT_EQ(TranslateFilterEntries(translated), translated);
}

TEST(FormatRegistry, WrittenFilesAreKnownByTheirContentAndTheirNames) {
  dib picture;
  newdib(&picture, 3, 2, 24, nullptr, 0);
  for (const FormatRow& row : PictureFormats())
    for (const FormatExtension& e : row.Extensions()) {
      if (e.writer == kReadOnly) continue;
      std::vector<uint8_t> bytes;
      const Outcome encoded = EncodePicture(picture, row.Writers()[e.writer].format, &bytes);
      ASSERT_TRUE(encoded.done()) << e.name << encoded.detail;
      int signatures = 0;
      for (const FormatRow& other : PictureFormats())
        signatures += other.reader.signature && other.reader.signature(bytes.data(), bytes.size());
      EXPECT_EQ(signatures, row.reader.signature ? 1 : 0) << e.name;
      EXPECT_EQ(DetectPictureFormat(bytes.data(), bytes.size(), std::string("x.") + e.name), row.format) << e.name;
      if (row.reader.signature) {
        EXPECT_EQ(DetectPictureFormat(bytes.data(), bytes.size(), "x"), row.format) << e.name;
      }
    }
  ReleaseDib(&picture);
}

}  // namespace
}  // namespace trellimap
