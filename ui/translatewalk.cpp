#include "ui/translatewalk.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableWidget>
#include <deque>
#include <utility>

#include "i18n/translateunit.h"
#include "ui/filedialog.h"

namespace trellimap {
namespace {

QString Translated(const QString& text) { return QString::fromStdU16String(TranslateString(text.toStdU16String())); }

// A menu is a pop-up window to the toolkit, but a menu item here.
bool IsWindow(const QObject* o) {
  const auto* w = qobject_cast<const QWidget*>(o);
  return w != nullptr && w->isWindow() && qobject_cast<const QMenu*>(o) == nullptr;
}

// The program's own components carry names; the toolkit's inner parts
// (a spin box's line edit, a scroll area's bars) do not, or begin with "qt_".
bool IsComponent(const QObject* o) {
  const QString name = o->objectName();
  return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// A window owns every component placed on it, whatever panel it sits in, in
// the order they were made; windows inside it own their own.
void CollectOwned(const QObject* parent, std::vector<QObject*>& owned) {
  for (QObject* child : parent->children()) {
    if (IsWindow(child)) continue;
    if (IsComponent(child)) owned.push_back(child);
    CollectOwned(child, owned);
  }
}

void TranslateMemo(QPlainTextEdit* memo) {
  QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
  for (QString& line : lines) line = Translated(line);
  memo->setPlainText(lines.join(QLatin1Char('\n')));
}

// The texts of one component, by kind; the first kind that fits decides.
void TranslateComponent(QObject* o) {
  if (IsWindow(o)) {
    auto* w = static_cast<QWidget*>(o);
    w->setWindowTitle(Translated(w->windowTitle()));
  } else if (auto* label = qobject_cast<QLabel*>(o)) {
    label->setText(Translated(label->text()));
  } else if (auto* check = qobject_cast<QCheckBox*>(o)) {
    check->setToolTip(Translated(check->toolTip()));
    check->setText(Translated(check->text()));
  } else if (auto* button = qobject_cast<QAbstractButton*>(o)) {
    button->setText(Translated(button->text()));
    button->setToolTip(Translated(button->toolTip()));
  } else if (auto* group = qobject_cast<QGroupBox*>(o)) {
    group->setTitle(Translated(group->title()));
    group->setToolTip(Translated(group->toolTip()));
  } else if (auto* menu = qobject_cast<QMenu*>(o)) {
    menu->setTitle(Translated(menu->title()));
    menu->setToolTip(Translated(menu->toolTip()));
  } else if (auto* action = qobject_cast<QAction*>(o)) {
    // A separator's caption is "-"; it is looked up like any other, but a
    // separator shows no text.
    if (action->isSeparator())
      Translated(QStringLiteral("-"));
    else
      action->setText(Translated(action->text()));
  } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(o)) {
    spin->setToolTip(Translated(spin->toolTip()));
  } else if (auto* grid = qobject_cast<QTableWidget*>(o)) {
    const int columns = grid->columnCount();
    for (int c = 0; c < columns && grid->rowCount() > 0; ++c)
      if (QTableWidgetItem* cell = grid->item(0, c); cell != nullptr && !cell->text().isEmpty())
        cell->setText(Translated(cell->text()));
  } else if (auto* dialog = qobject_cast<TFileDialog*>(o)) {
    dialog->Filter = Translated(dialog->Filter);
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(o)) {
    TranslateMemo(memo);
  } else if (auto* edit = qobject_cast<QLineEdit*>(o)) {
    edit->setText(Translated(edit->text()));
  }
}

// Calls `visit` on what TranslateApplication translates, in its order.
void Walk(const std::vector<QWidget*>& windows, const std::function<void(QObject*)>& visit) {
  // The root is the application, which owns the windows; it has no caption.
  std::deque<const void*> queue{nullptr};
  while (!queue.empty()) {
    const auto* front = static_cast<const QObject*>(queue.front());
    std::vector<QObject*> owned;
    if (front == nullptr)
      owned.assign(windows.begin(), windows.end());
    else if (IsWindow(front))
      CollectOwned(front, owned);
    std::vector<QObject*> visited;
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
      visited.push_back(*it);
      visit(*it);
    }
    queue.pop_front();
    queue.insert(queue.end(), visited.begin(), visited.end());
  }
}

// A function that puts back `o`'s texts as they stand now, by kind as TranslateComponent takes them.
std::function<void()> Restorer(QObject* o) {
  const QPointer<QObject> alive(o);
  const auto put = [alive](auto* typed, auto set) {
    return [alive, typed, set] {
      if (alive) set(typed);
    };
  };
  if (IsWindow(o)) {
    auto* w = static_cast<QWidget*>(o);
    return put(w, [t = w->windowTitle()](QWidget* x) { x->setWindowTitle(t); });
  }
  if (auto* label = qobject_cast<QLabel*>(o)) return put(label, [t = label->text()](QLabel* x) { x->setText(t); });
  if (auto* button = qobject_cast<QAbstractButton*>(o))
    return put(button, [t = button->text(), tip = button->toolTip()](QAbstractButton* x) {
      x->setText(t);
      x->setToolTip(tip);
    });
  if (auto* group = qobject_cast<QGroupBox*>(o))
    return put(group, [t = group->title(), tip = group->toolTip()](QGroupBox* x) {
      x->setTitle(t);
      x->setToolTip(tip);
    });
  if (auto* menu = qobject_cast<QMenu*>(o))
    return put(menu, [t = menu->title(), tip = menu->toolTip()](QMenu* x) {
      x->setTitle(t);
      x->setToolTip(tip);
    });
  if (auto* action = qobject_cast<QAction*>(o)) return put(action, [t = action->text()](QAction* x) { x->setText(t); });
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(o))
    return put(spin, [tip = spin->toolTip()](QAbstractSpinBox* x) { x->setToolTip(tip); });
  if (auto* grid = qobject_cast<QTableWidget*>(o)) {
    QStringList cells;
    for (int c = 0; c < grid->columnCount() && grid->rowCount() > 0; ++c)
      cells << (grid->item(0, c) != nullptr ? grid->item(0, c)->text() : QString());
    return put(grid, [cells](QTableWidget* x) {
      for (int c = 0; c < cells.size() && c < x->columnCount() && x->rowCount() > 0; ++c)
        if (QTableWidgetItem* cell = x->item(0, c); cell != nullptr) cell->setText(cells[c]);
    });
  }
  if (auto* dialog = qobject_cast<TFileDialog*>(o))
    return put(dialog, [f = dialog->Filter](TFileDialog* x) { x->Filter = f; });
  if (auto* memo = qobject_cast<QPlainTextEdit*>(o))
    return put(memo, [t = memo->toPlainText()](QPlainTextEdit* x) { x->setPlainText(t); });
  if (auto* edit = qobject_cast<QLineEdit*>(o)) return put(edit, [t = edit->text()](QLineEdit* x) { x->setText(t); });
  return {};
}

}  // namespace

void TranslateApplication(const std::vector<QWidget*>& windows) { Walk(windows, TranslateComponent); }

void ComponentTexts::Remember(const std::vector<QWidget*>& windows) {
  restorers_.clear();
  Walk(windows, [this](QObject* o) {
    if (std::function<void()> restore = Restorer(o)) restorers_.push_back(std::move(restore));
  });
}

void ComponentTexts::Retranslate(const std::vector<QWidget*>& windows, bool translate) const {
  std::vector<std::function<void()>> typed;
  Walk(windows, [&typed](QObject* o) {
    if (qobject_cast<QLineEdit*>(o) != nullptr || qobject_cast<QPlainTextEdit*>(o) != nullptr)
      typed.push_back(Restorer(o));
  });
  for (const std::function<void()>& restore : restorers_) restore();
  if (translate) TranslateApplication(windows);
  for (const std::function<void()>& keep : typed) keep();
}

}  // namespace trellimap
