#include "ui/flattendialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>

#include "ui/translated.h"

namespace trellimap {
namespace {

// The choices of the size box, in its order.
constexpr struct {
  const char* text;
  PageSize::Kind kind;
} kChoices[] = {
    {"Auto", PageSize::Kind::Auto},     {"A4", PageSize::Kind::A4},       {"A5", PageSize::Kind::A5},
    {"Letter", PageSize::Kind::Letter}, {"Legal", PageSize::Kind::Legal}, {"Custom", PageSize::Kind::Pixels},
};

bool IsPaper(PageSize::Kind kind) { return kind != PageSize::Kind::Auto && kind != PageSize::Kind::Pixels; }

}  // namespace

TFlattenDialog::TFlattenDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Tr("Flatten"));
  auto* form = new QFormLayout(this);
  Kind = new QComboBox(this);
  for (const auto& choice : kChoices) Kind->addItem(Tr(choice.text));
  Width = new QSpinBox(this);
  Height = new QSpinBox(this);
  for (QSpinBox* side : {Width, Height}) side->setRange(1, kMostPageSide);
  Width->setValue(1000);
  Height->setValue(1400);
  Dpi = new QSpinBox(this);
  Dpi->setRange(10, 2400);
  Dpi->setValue(kDefaultDpi);
  form->addRow(Tr("Size"), Kind);
  form->addRow(Tr("Width"), Width);
  form->addRow(Tr("Height"), Height);
  form->addRow(Tr("DPI"), Dpi);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(Kind, &QComboBox::currentIndexChanged, this, &TFlattenDialog::EnableFields);
  EnableFields();
}

PageSize TFlattenDialog::Chosen() const {
  PageSize size;
  size.kind = kChoices[Kind->currentIndex()].kind;
  if (size.kind == PageSize::Kind::Pixels) {
    size.width = Width->value();
    size.height = Height->value();
  }
  if (IsPaper(size.kind)) size.dpi = Dpi->value();
  return size;
}

void TFlattenDialog::EnableFields() {
  const PageSize::Kind kind = kChoices[Kind->currentIndex()].kind;
  Width->setEnabled(kind == PageSize::Kind::Pixels);
  Height->setEnabled(kind == PageSize::Kind::Pixels);
  Dpi->setEnabled(IsPaper(kind));
}

}  // namespace trellimap
