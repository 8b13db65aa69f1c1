#include "ui/qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

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

MsgAnswer QtMessageBoxes::Show(const std::string& text, const std::string& caption, MsgIcon icon, MsgButtons buttons) {
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
  }
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    case QMessageBox::Cancel:
      return MsgAnswer::Cancel;
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

bool QtFileDialogs::Run(const FileDialogRequest& request, std::string* fileName) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  if (!request.filter.empty()) dialog.setNameFilter(ToQtNameFilters(QString::fromStdString(request.filter)));
  if (request.defaultExt.size() > 1) dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt.substr(1)));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  *fileName = dialog.selectedFiles().first().toStdString();
  return true;
}

}  // namespace trellimap
