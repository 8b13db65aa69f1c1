#pragma once
// A pane's zoom edit: a spin edit of whole percent whose entry is kept as
// typed while the user types (an empty, out-of-range or partly typed number
// included), so that painting can read the entry itself; the entry is brought
// into the limits when the edit loses the focus.

#include <QSpinBox>

namespace trellimap {

class TZoomEdit : public QSpinBox {
  Q_OBJECT
 public:
  explicit TZoomEdit(QWidget* parent = nullptr);

 protected:
  // A sign and digits, or nothing: anything a number is typed through.
  QValidator::State validate(QString& text, int& position) const override;
  // The zoom the entry stands for: 1 when empty or not a number, out-of-range
  // values at the nearer limit.
  int valueFromText(const QString& text) const override;
};

}  // namespace trellimap
