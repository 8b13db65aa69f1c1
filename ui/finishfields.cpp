#include "ui/finishfields.h"

#include "ui/translated.h"

namespace trellimap {
namespace {

// The turn box's choices: as its text reads, then 0 to 3 quarter turns clockwise.
constexpr const char* kUprights[] = {"As its text reads", "None", "90\u00b0 clockwise", "180\u00b0",
                                     "90\u00b0 anticlockwise"};
constexpr const char* kInsetUnits[] = {"%", "pixels"};

}  // namespace

FinishFields::FinishFields(QWidget* parent, const PageFinish& shown)
    : look(new QComboBox(parent)),
      upright(new QComboBox(parent)),
      inset(new QDoubleSpinBox(parent)),
      insetUnit(new QComboBox(parent)),
      insetRow(new QHBoxLayout) {
  for (const char* name : kLookNames) look->addItem(Tr(name));
  look->setCurrentIndex(static_cast<int>(shown.look));
  for (const char* turn : kUprights) upright->addItem(Tr(turn));
  upright->setCurrentIndex(shown.turn == kTurnUpright ? 0 : 1 + shown.turn);
  inset->setDecimals(1);
  for (const char* unit : kInsetUnits) insetUnit->addItem(Tr(unit));
  insetUnit->setCurrentIndex(shown.inset.percent ? 0 : 1);
  QDoubleSpinBox* amount = inset;
  QComboBox* unit = insetUnit;
  const auto limit = [amount, unit] {
    amount->setRange(0, unit->currentIndex() == 0 ? kMostInsetPercent : kMostInsetPixels);
  };
  limit();
  inset->setValue(shown.inset.amount);
  QObject::connect(insetUnit, &QComboBox::currentIndexChanged, insetUnit, limit);
  insetRow->addWidget(inset, 1);
  insetRow->addWidget(insetUnit);
}

PageFinish FinishFields::Chosen() const {
  PageFinish finish;
  finish.look = static_cast<Look>(look->currentIndex());
  finish.turn = upright->currentIndex() == 0 ? kTurnUpright : upright->currentIndex() - 1;
  finish.inset = {inset->value(), insetUnit->currentIndex() == 0};
  return finish;
}

}  // namespace trellimap
