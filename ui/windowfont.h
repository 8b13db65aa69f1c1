#pragma once
// The font every window of the program is laid out for.

#include <QFont>
#include <QFontDatabase>

namespace trellimap {

// Tahoma 8 pt where installed; otherwise the system's sans-serif at 8 pt,
// semi-condensed so that captions fit the controls laid out for Tahoma.
inline QFont WindowFont() {
  if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) return QFont(QStringLiteral("Tahoma"), 8);
  QFont font(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), 8);
  font.setStretch(QFont::SemiCondensed);
  return font;
}

}  // namespace trellimap
