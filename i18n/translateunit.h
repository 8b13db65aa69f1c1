#pragma once
// The translation lookup as far as the rest of the program needs it now: the
// numbered texts in English. The translation table and its file fill these
// functions in.

#include <string>

namespace trellimap {

// Creates the translation table and reads it from the program's folder.
void InitTranslation(const std::string& progpath);

// Every non-empty numbered text gets a row in the table.
void RegisterLangStrings();

// The translation of `text` into the current language.
std::string TranslateString(const std::string& text);

// Numbered text n (1 to 10) through TranslateString; "" for any other n.
std::string GetLangString(int n);

}  // namespace trellimap
