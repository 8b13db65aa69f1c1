#include "ui/flattendialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdio>

#include "ui/translated.h"

namespace trellimap {
namespace {

// The choices of the orientation box, in the order of PageSize::Orientation.
constexpr const char* kTurns[] = {"As the page lies", "Portrait", "Landscape"};

bool IsPaper(PageSize::Kind kind) { return kind != PageSize::Kind::Auto && kind != PageSize::Kind::Pixels; }

int ChoiceOf(PageSize::Kind kind) {
  const auto* found =
      std::find_if(std::begin(kPageSizeChoices), std::end(kPageSizeChoices), [&](auto& c) { return c.kind == kind; });
  return static_cast<int>(found - std::begin(kPageSizeChoices));
}

// "1240 × 1754 pixels, 1 : 1.415, portrait".
QString Described(FlatSize size) {
  const int32_t shorter = std::min(size.width, size.height), longer = std::max(size.width, size.height);
  char ratio[32];
  std::snprintf(ratio, sizeof ratio, "%.3f", static_cast<double>(longer) / std::max(shorter, 1));
  const char* shape = size.width == size.height ? "square" : size.width < size.height ? "portrait" : "landscape";
  return QString::fromStdString(
      TranslateFormat("%1 \u00d7 %2 pixels, 1 : %3, %4",
                      {std::to_string(size.width), std::to_string(size.height), ratio, TranslateUtf8(shape)}));
}

const QString kKindKey = QStringLiteral("flatten/kind");
const QString kWidthKey = QStringLiteral("flatten/width");
const QString kHeightKey = QStringLiteral("flatten/height");
const QString kDpiKey = QStringLiteral("flatten/dpi");
const QString kTurnKey = QStringLiteral("flatten/orientation");
const QString kLookKey = QStringLiteral("flatten/look");
const QString kUprightKey = QStringLiteral("flatten/turn");
const QString kInsetKey = QStringLiteral("flatten/inset");
const QString kInsetPercentKey = QStringLiteral("flatten/insetpercent");

}  // namespace

TFlattenDialog::TFlattenDialog(QWidget* parent, SizeOf sizeOf, const PageSize& first, const PageFinish& finish)
    : QDialog(parent), Finishing(this, finish), sizeOf_(std::move(sizeOf)) {
  setWindowTitle(Tr("Flatten"));
  auto* form = new QFormLayout(this);
  Kind = new QComboBox(this);
  for (const auto& choice : kPageSizeChoices) Kind->addItem(Tr(choice.text));
  Turn = new QComboBox(this);
  for (const char* turn : kTurns) Turn->addItem(Tr(turn));
  Width = new QSpinBox(this);
  Height = new QSpinBox(this);
  for (QSpinBox* side : {Width, Height}) side->setRange(1, kMostPageSide);
  if (first.kind == PageSize::Kind::Pixels) customWidth_ = first.width, customHeight_ = first.height;
  Width->setValue(customWidth_);
  Height->setValue(customHeight_);
  Dpi = new QSpinBox(this);
  Dpi->setRange(kLeastDpi, kMostDpi);
  Dpi->setValue(first.dpi > 0 ? first.dpi : kDefaultDpi);
  Outcome = new QLabel(this);
  Outcome->setObjectName(QStringLiteral("FlattenOutcome"));
  form->addRow(Tr("Size"), Kind);
  form->addRow(Tr("Orientation"), Turn);
  form->addRow(Tr("Width"), Width);
  form->addRow(Tr("Height"), Height);
  form->addRow(Tr("DPI"), Dpi);
  form->addRow(Tr("Comes out at"), Outcome);
  form->addRow(Tr("Look"), Finishing.look);
  form->addRow(Tr("Turn"), Finishing.upright);
  form->addRow(Tr("Inset"), Finishing.insetRow);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Kind->setCurrentIndex(std::min(ChoiceOf(first.kind), static_cast<int>(std::size(kPageSizeChoices)) - 1));
  Turn->setCurrentIndex(static_cast<int>(first.orientation));
  for (QComboBox* box : {Kind, Turn}) connect(box, &QComboBox::currentIndexChanged, this, &TFlattenDialog::ShowChoice);
  for (QSpinBox* box : {Width, Height, Dpi}) connect(box, &QSpinBox::valueChanged, this, &TFlattenDialog::ShowChoice);
  ShowChoice();
}

PageSize TFlattenDialog::Chosen() const {
  PageSize size;
  size.kind = kPageSizeChoices[Kind->currentIndex()].kind;
  if (size.kind == PageSize::Kind::Pixels) {
    size.width = customWidth_;
    size.height = customHeight_;
  }
  if (IsPaper(size.kind)) size.dpi = Dpi->value();
  if (size.kind != PageSize::Kind::Auto) size.orientation = static_cast<PageSize::Orientation>(Turn->currentIndex());
  return size;
}

PageFinish TFlattenDialog::Finish() const { return Finishing.Chosen(); }

void TFlattenDialog::ShowChoice() {
  const PageSize::Kind kind = kPageSizeChoices[Kind->currentIndex()].kind;
  const bool custom = kind == PageSize::Kind::Pixels;
  if (custom && Width->isEnabled()) {
    // The user's own size, as typed.
    customWidth_ = Width->value();
    customHeight_ = Height->value();
  }
  Width->setEnabled(custom);
  Height->setEnabled(custom);
  Dpi->setEnabled(IsPaper(kind));
  Turn->setEnabled(kind != PageSize::Kind::Auto);
  const PageSize chosen = Chosen();
  // Another choice shows the size it comes to in the greyed fields.
  const FlatSize shown = !custom && sizeOf_ ? sizeOf_(chosen) : FlatSize{customWidth_, customHeight_};
  const QSignalBlocker quietWidth(Width), quietHeight(Height);
  Width->setValue(shown.width);
  Height->setValue(shown.height);
  Outcome->setText(sizeOf_ ? Described(sizeOf_(chosen)) : QString());
}

PageSize RecalledFlattenChoice(const QSettings& settings) {
  PageSize size;
  const int kind = settings.value(kKindKey, 0).toInt();
  if (kind < 0 || kind >= static_cast<int>(std::size(kPageSizeChoices))) return size;
  size.kind = kPageSizeChoices[kind].kind;
  size.width = std::clamp(settings.value(kWidthKey, 0).toInt(), 0, kMostPageSide);
  size.height = std::clamp(settings.value(kHeightKey, 0).toInt(), 0, kMostPageSide);
  if (size.kind == PageSize::Kind::Pixels && (size.width == 0 || size.height == 0)) return PageSize{};
  size.dpi = std::clamp(settings.value(kDpiKey, 0).toInt(), 0, kMostDpi);
  const int turn = settings.value(kTurnKey, 0).toInt();
  if (turn >= 0 && turn < static_cast<int>(std::size(kTurns))) size.orientation = PageSize::Orientation(turn);
  return size;
}

void RememberFlattenChoice(QSettings& settings, const PageSize& chosen) {
  settings.setValue(kKindKey, ChoiceOf(chosen.kind));
  settings.setValue(kWidthKey, chosen.width);
  settings.setValue(kHeightKey, chosen.height);
  settings.setValue(kDpiKey, chosen.dpi);
  settings.setValue(kTurnKey, static_cast<int>(chosen.orientation));
}

PageFinish RecalledFinish(const QSettings& settings) {
  PageFinish finish;
  const int look = settings.value(kLookKey, 0).toInt();
  if (look >= 0 && look < static_cast<int>(std::size(kLookNames))) finish.look = static_cast<Look>(look);
  const int turn = settings.value(kUprightKey, kTurnUpright).toInt();
  if (turn >= kTurnUpright && turn <= 3) finish.turn = turn;
  finish.inset.percent = settings.value(kInsetPercentKey, true).toBool();
  finish.inset.amount = std::clamp(settings.value(kInsetKey, 0.0).toDouble(), 0.0,
                                   finish.inset.percent ? kMostInsetPercent : kMostInsetPixels);
  return finish;
}

void RememberFinish(QSettings& settings, const PageFinish& finish) {
  settings.setValue(kLookKey, static_cast<int>(finish.look));
  settings.setValue(kUprightKey, finish.turn);
  settings.setValue(kInsetKey, finish.inset.amount);
  settings.setValue(kInsetPercentKey, finish.inset.percent);
}

}  // namespace trellimap
