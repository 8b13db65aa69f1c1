#include "ui/toolkittexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace trellimap {

void ToolkitTexts::Use(bool german) {
  if (installed_) QCoreApplication::removeTranslator(installed_.get());
  installed_.reset();
  if (!german) return;
  auto texts = std::make_unique<QTranslator>();
  if (texts->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(texts.get()))
    installed_ = std::move(texts);
}

}  // namespace trellimap
