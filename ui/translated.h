#pragma once
// The window's own texts in the language in force, through the translation table.

#include <QString>

#include "i18n/translateunit.h"

namespace trellimap {

inline QString Tr(const char* english) { return QString::fromStdString(TranslateUtf8(english)); }

}  // namespace trellimap
