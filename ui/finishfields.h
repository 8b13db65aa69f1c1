#pragma once
// The fields that choose how a flat page is finished, as the Flatten dialog
// and the list of scanned pages both show them: its look, its turn, and a
// margin trimmed off in per cent or pixels.

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>

#include "workspace/flatpage.h"

namespace trellimap {

// The looks' names, in the order of Look.
inline constexpr const char* kLookNames[] = {"As photographed", "Clean", "Grey", "Black and white"};
// The largest inset offered in each unit.
inline constexpr double kMostInsetPercent = 49, kMostInsetPixels = 1000;

class FinishFields {
 public:
  // The fields, in the language in force, showing `shown`.
  FinishFields(QWidget* parent, const PageFinish& shown);

  PageFinish Chosen() const;

  QComboBox* look;
  QComboBox* upright;  // as its text reads, or 0 to 3 quarter turns clockwise
  QDoubleSpinBox* inset;
  QComboBox* insetUnit;   // per cent or pixels
  QHBoxLayout* insetRow;  // the inset and its unit side by side
};

}  // namespace trellimap
