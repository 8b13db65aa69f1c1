#pragma once
// Translating the texts of every window: each window's caption, then every
// component the window owns, through the translation table's lookup.

#include <QWidget>
#include <vector>

namespace trellimap {

// Walks the windows (in the order they were created) breadth-first: the
// windows' captions, from the last window to the first, then each window's
// components from the last created to the first, then anything those own.
// Texts are replaced by TranslateString's result by component kind: captions,
// label and button texts, hints (tool tips), menu items, edit texts, the
// header row of string grids and the filters of file dialogs.
void TranslateApplication(const std::vector<QWidget*>& windows);

}  // namespace trellimap
