#pragma once
// The dialog "Flatten..." asks in: the flat page's size, as its true
// proportions (Auto), a paper size at a resolution, or a size in pixels,
// turned as the page lies or upright or across. It shows the size and
// proportions each choice comes to before the page is made. And how the
// flat page is finished: its look, its turn, a margin trimmed off.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>
#include <functional>

#include "render/flatten.h"
#include "ui/finishfields.h"

namespace trellimap {

// The page sizes a size box offers, in its order; the last, Custom, only
// where the box's dialog asks for the pixels.
struct PageSizeChoice {
  const char* text;
  PageSize::Kind kind;
};
inline constexpr PageSizeChoice kPageSizeChoices[] = {
    {"Auto", PageSize::Kind::Auto},     {"A4", PageSize::Kind::A4},       {"A5", PageSize::Kind::A5},
    {"Letter", PageSize::Kind::Letter}, {"Legal", PageSize::Kind::Legal}, {"Custom", PageSize::Kind::Pixels},
};

class TFlattenDialog : public QDialog {
  Q_OBJECT
 public:
  // The page's size for a choice.
  using SizeOf = std::function<FlatSize(const PageSize&)>;

  // Texts in the language in force; `first` is chosen (Auto at 150 DPI
  // unless told). Without `sizeOf`, the sizes a choice comes to are not shown.
  explicit TFlattenDialog(QWidget* parent, SizeOf sizeOf = {}, const PageSize& first = {},
                          const PageFinish& finish = {});

  // The size chosen.
  PageSize Chosen() const;
  // The finish chosen.
  PageFinish Finish() const;

  QComboBox* Kind = nullptr;
  QComboBox* Turn = nullptr;   // as the page lies, portrait or landscape; not for Auto
  QSpinBox* Width = nullptr;   // a size in pixels; else the width the choice comes to
  QSpinBox* Height = nullptr;  // a size in pixels; else the height the choice comes to
  QSpinBox* Dpi = nullptr;     // for a paper size
  QLabel* Outcome = nullptr;   // the size and proportions that will come out
  FinishFields Finishing;      // look, turn, inset

 private:
  // Fields enabled for the choice, and what it comes to shown.
  void ShowChoice();

  SizeOf sizeOf_;
  int customWidth_ = 1000, customHeight_ = 1400;  // the pixel size while another choice shows its own
};

inline constexpr int kLeastDpi = 10, kMostDpi = 2400;  // the resolutions offered for paper sizes

// The choice "Flatten..." made last, kept in `settings`; Auto when none was.
PageSize RecalledFlattenChoice(const QSettings& settings);
void RememberFlattenChoice(QSettings& settings, const PageSize& chosen);
// The same for the finish; the default one when none was kept.
PageFinish RecalledFinish(const QSettings& settings);
void RememberFinish(QSettings& settings, const PageFinish& finish);

}  // namespace trellimap
