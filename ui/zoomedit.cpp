#include "ui/zoomedit.h"

#include "view/panegeometry.h"

namespace trellimap {

TZoomEdit::TZoomEdit(QWidget* parent) : QSpinBox(parent) { setRange(kZoomMin, kZoomMax); }

QValidator::State TZoomEdit::validate(QString& text, int&) const {
  const QString entry = text.trimmed();
  const qsizetype digitsFrom = entry.startsWith(QLatin1Char('-')) || entry.startsWith(QLatin1Char('+')) ? 1 : 0;
  for (qsizetype i = digitsFrom; i < entry.size(); ++i)
    if (!entry[i].isDigit()) return QValidator::Invalid;
  return QValidator::Acceptable;
}

int TZoomEdit::valueFromText(const QString& text) const { return ZoomFromText(text.toStdString()); }

}  // namespace trellimap
