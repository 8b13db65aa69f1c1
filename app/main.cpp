// The desktop program: one main window holding the whole workspace.

#include <QApplication>
#include <QScreen>

#include "foundation/ioerror.h"
#include "image/pixmill3.h"
#include "ui/mainunit.h"
#include "ui/qtdialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(trellimap::kApplicationTitle));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) trellimap::SetScreenBitsPerPixel(screen->depth());

  trellimap::QtMessageBoxes messages;
  trellimap::QtFileDialogs dialogs;
  trellimap::SetMessageBoxes(&messages);
  trellimap::SetFileDialogs(&dialogs);

  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  trellimap::TMainForm form(arguments);
  form.show();
  const int status = QApplication::exec();
  trellimap::SetFileDialogs(nullptr);
  trellimap::SetMessageBoxes(nullptr);
  return status;
}
