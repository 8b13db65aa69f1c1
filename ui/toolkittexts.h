#pragma once
// The toolkit's own texts (file dialogs, standard buttons, edit menus) in the
// language in force: German from Qt's translations, else its own English.

#include <QTranslator>
#include <memory>

namespace trellimap {

class ToolkitTexts {
 public:
  // German while `german`; the toolkit's English otherwise.
  void Use(bool german);

 private:
  std::unique_ptr<QTranslator> installed_;
};

}  // namespace trellimap
