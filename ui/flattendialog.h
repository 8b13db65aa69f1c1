#pragma once
// The dialog "Flatten..." asks in: the flat page's size, as its true
// proportions (Auto), a paper size at a resolution, or a size in pixels.

#include <QComboBox>
#include <QDialog>
#include <QSpinBox>

#include "render/flatten.h"

namespace trellimap {

class TFlattenDialog : public QDialog {
  Q_OBJECT
 public:
  // Texts in the language in force; Auto at 150 DPI is chosen.
  explicit TFlattenDialog(QWidget* parent);

  // The size chosen.
  PageSize Chosen() const;

  QComboBox* Kind = nullptr;
  QSpinBox* Width = nullptr;   // for a size in pixels
  QSpinBox* Height = nullptr;  // for a size in pixels
  QSpinBox* Dpi = nullptr;     // for a paper size

 private:
  // The pixel sizes for a size in pixels only, the resolution for paper sizes only.
  void EnableFields();
};

inline constexpr int kDefaultDpi = 150;

}  // namespace trellimap
