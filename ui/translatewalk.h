#pragma once
// Translating the texts of every window: each window's caption, then every
// component the window owns, through the translation table's lookup.

#include <QWidget>
#include <functional>
#include <vector>

namespace trellimap {

// Walks the windows (in the order they were created) breadth-first: the
// windows' captions, from the last window to the first, then each window's
// components from the last created to the first, then anything those own.
// Texts are replaced by TranslateString's result by component kind: captions,
// label and button texts, hints (tool tips), menu items, edit texts, the
// header row of string grids and the filters of file dialogs.
void TranslateApplication(const std::vector<QWidget*>& windows);

// The texts of every component TranslateApplication would translate, as they
// stand, so that the windows can be translated into another language later:
// a text is looked up by its English.
class ComponentTexts {
 public:
  void Remember(const std::vector<QWidget*>& windows);
  // Puts back each component's remembered texts (components gone since are
  // passed by), then translates them when `translate`; what the user typed
  // into an edit since stays.
  void Retranslate(const std::vector<QWidget*>& windows, bool translate) const;

 private:
  std::vector<std::function<void()>> restorers_;
};

}  // namespace trellimap
