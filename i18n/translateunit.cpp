#include "i18n/translateunit.h"

#include <array>

namespace trellimap {
namespace {

constexpr std::array<const char*, 10> kNumberedTexts{
    "Please close the program and start it again.",
    "Translate",
    "",
    "",
    "All pictures",
    "All files",
    "Could not create the file",
    "Could not open the file",
    "",
    "",
};

}  // namespace

void InitTranslation(const std::string& /*progpath*/) {}

void RegisterLangStrings() {
  for (int n = 1; n <= static_cast<int>(kNumberedTexts.size()); ++n) GetLangString(n);
}

std::string TranslateString(const std::string& text) { return text; }

std::string GetLangString(int n) {
  if (n < 1 || n > static_cast<int>(kNumberedTexts.size())) return {};
  const std::string text = kNumberedTexts[static_cast<size_t>(n - 1)];
  return text.empty() ? text : TranslateString(text);
}

}  // namespace trellimap
