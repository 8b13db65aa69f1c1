#include "ui/qtdialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>
#include <QThread>

namespace trellimap {
namespace {

QString CaseInsensitive(const QString& pattern) {
  QString out;
  for (QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper())
      out += QStringLiteral("[%1%2]").arg(c.toLower(), c.toUpper());
    else
      out += c;
  }
  return out;
}

QMessageBox::Icon QtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Error:
      return QMessageBox::Critical;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QStringList WithAltKeys(const QStringList& texts) {
  // The letter after a single "&" ("&&" is an ampersand shown as itself).
  const auto keyOf = [](const QString& text) -> qsizetype {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
      if (text[i] != QLatin1Char('&')) continue;
      if (text[i + 1] != QLatin1Char('&')) return i + 1;
      ++i;
    }
    return -1;
  };
  QList<QChar> used;
  for (const QString& text : texts)
    if (const qsizetype key = keyOf(text); key >= 0) used << text[key].toLower();
  QStringList keyed;
  for (const QString& text : texts) {
    QString out = text;
    for (qsizetype i = 0; keyOf(text) < 0 && i < text.size(); ++i)
      if (text[i].isLetter() && !used.contains(text[i].toLower())) {
        used << text[i].toLower();
        out = text.left(i) + QLatin1Char('&') + text.mid(i);
        break;
      }
    keyed << out;
  }
  return keyed;
}

MsgAnswer QtMessageBoxes::Show(const std::string& text, const std::string& caption, MsgIcon icon, MsgButtons buttons) {
  // Work on a worker thread (while the window waits for it) asks the window's thread.
  if (QThread::currentThread() != QApplication::instance()->thread()) {
    MsgAnswer answer = MsgAnswer::Cancel;
    QMetaObject::invokeMethod(
        QApplication::instance(), [&] { answer = Show(text, caption, icon, buttons); }, Qt::BlockingQueuedConnection);
    return answer;
  }
  QMessageBox box(QtIcon(icon), caption.empty() ? QApplication::applicationName() : QString::fromStdString(caption),
                  QString::fromStdString(text));
  switch (buttons) {
    case MsgButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MsgButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case MsgButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    case MsgButtons::SaveDiscardCancel:
      box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Save);
      break;
  }
  const QList<QAbstractButton*> shown = box.buttons();
  QStringList texts;
  for (const QAbstractButton* button : shown) texts << button->text();
  texts = WithAltKeys(texts);
  for (qsizetype i = 0; i < shown.size(); ++i) shown[i]->setText(texts[i]);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    case QMessageBox::Cancel:
      return MsgAnswer::Cancel;
    case QMessageBox::Save:
      return MsgAnswer::Save;
    case QMessageBox::Discard:
      return MsgAnswer::Discard;
    default:
      return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
  }
}

QString ToQtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) p = CaseInsensitive(p.trimmed());
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
  }
  return filters.join(QStringLiteral(";;"));
}

namespace {

// A file dialog that, when the user accepts, gives a name typed without an
// extension that of the chosen filter entry when saving, else the request's
// default, before the dialog checks whether the file exists and asks about it.
// Choosing an entry while saving puts that entry's plain extension on the
// name (an entry of all files leaves the name's own): the toolkit would put
// the entry's first pattern there, which for the case-blind patterns is
// "[pP][nN][gG]", and "*" for all files.
class ExtendingFileDialog final : public QFileDialog {
 public:
  ExtendingFileDialog(QWidget* parent, const FileDialogRequest& request) : QFileDialog(parent), request_(request) {}

  // Once the dialog holds its name edit and the proposed name.
  void FollowTypes() {
    name_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!request_.save || name_ == nullptr) return;
    extension_ = Suffix(name_->text());
    // The entry of the proposed name's type is the one shown; choosing it
    // puts its first pattern on the name, so the name is put back.
    const QString proposed = name_->text();
    const QStringList filters = nameFilters();
    for (qsizetype i = 0; i < filters.size(); ++i)
      if (QString::fromStdString(FilterEntryExtension(request_.filter, static_cast<size_t>(i))) == extension_) {
        selectNameFilter(filters[i]);
        name_->setText(proposed);
        break;
      }
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& typed) { extension_ = Suffix(typed); });
    connect(this, &QFileDialog::filterSelected, this, [this] { NameAfterEntry(); });
  }

  void accept() override {
    const std::string extension =
        request_.save ? FilterEntryExtension(request_.filter, SelectedEntry()) : std::string();
    const std::string suffix = extension.empty() ? request_.defaultExt : extension;
    setDefaultSuffix(QString::fromStdString(suffix.size() > 1 ? suffix.substr(1) : std::string()));
    QFileDialog::accept();
  }

 private:
  // The chosen entry's place in the filter. The dialog names it by the text
  // it shows, which lacks the patterns where their details are hidden.
  size_t SelectedEntry() const {
    const QString shown = selectedNameFilter();
    const QStringList filters = nameFilters();
    for (qsizetype i = 0; i < filters.size(); ++i)
      if (filters[i] == shown || filters[i].startsWith(shown + QStringLiteral(" ("))) return static_cast<size_t>(i);
    return 0;
  }

  // The extension of `name` with its dot, or "".
  static QString Suffix(const QString& name) {
    const QString suffix = QFileInfo(name).suffix();
    return suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix;
  }

  void NameAfterEntry() {
    const QString typed = name_->text();
    if (typed.isEmpty()) return;
    const QString entry = QString::fromStdString(FilterEntryExtension(request_.filter, SelectedEntry()));
    if (!entry.isEmpty()) extension_ = entry;
    const QString suffix = Suffix(typed);
    name_->setText(typed.left(typed.size() - suffix.size()) + extension_);
  }

  const FileDialogRequest& request_;
  QLineEdit* name_ = nullptr;
  QString extension_;  // the name's extension as the user typed it or the last entry chosen gave it
};

// The files or the folder the user chose in a dialog of `mode` made as
// `request` says; empty when the dialog was cancelled.
QStringList Chosen(const FileDialogRequest& request, QFileDialog::FileMode mode) {
  ExtendingFileDialog dialog(QApplication::activeWindow(), request);
  // The toolkit's own dialog everywhere: it applies the extension before the
  // overwrite question, and it speaks the program's language, not the desktop's.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(mode);
  dialog.setOption(QFileDialog::ShowDirsOnly, mode == QFileDialog::Directory);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  if (!request.filter.empty()) dialog.setNameFilter(ToQtNameFilters(QString::fromStdString(request.filter)));
  if (!request.folder.empty()) dialog.setDirectory(QString::fromStdString(request.folder));
  if (!request.proposedName.empty()) dialog.selectFile(QString::fromStdString(request.proposedName));
  dialog.FollowTypes();
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

}  // namespace

bool QtFileDialogs::Run(const FileDialogRequest& request, std::string* fileName) {
  const QStringList chosen = Chosen(request, request.save           ? QFileDialog::AnyFile
                                             : request.chooseFolder ? QFileDialog::Directory
                                                                    : QFileDialog::ExistingFile);
  if (chosen.isEmpty()) return false;
  *fileName = chosen.first().toStdString();
  return true;
}

bool QtFileDialogs::RunSeveral(const FileDialogRequest& request, std::vector<std::string>* fileNames) {
  const QStringList chosen = Chosen(request, QFileDialog::ExistingFiles);
  if (chosen.isEmpty()) return false;
  fileNames->clear();
  for (const QString& name : chosen) fileNames->push_back(name.toStdString());
  return true;
}

}  // namespace trellimap
