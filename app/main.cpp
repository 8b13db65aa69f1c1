// The desktop program: one main window holding the whole workspace.

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <cstdio>

#include "display/paintdib.h"
#include "foundation/ioerror.h"
#include "ui/mainunit.h"
#include "ui/qtdialogs.h"
#include "workspace/commandline.h"

namespace {

constexpr const char* kHelp =
    "Usage: trellimap [PROJECT.gip | PICTURE1 [PICTURE2]]\n"
    "Warps one picture into the shape of a region of another.\n"
    "  A first argument ending in .gip opens a project, otherwise pictures 1 and 2.\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "  --         end the options: what follows is a file, whatever its name\n";

}  // namespace

int main(int argc, char** argv) {
  // Help and version need no display, so they are answered before the window system starts.
  const trellimap::ProgramCommand command = trellimap::ParseProgramArguments({argv + 1, argv + argc});
  if (command.action == trellimap::ProgramCommand::Action::Help) return std::fputs(kHelp, stdout), 0;
  if (command.action == trellimap::ProgramCommand::Action::Version)
    return std::printf("trellimap %s\n", trellimap::kVersion), 0;
  if (command.action == trellimap::ProgramCommand::Action::Refuse) {
    std::fprintf(stderr, "trellimap: unknown option \"%s\"\n%s", command.unknownOption.c_str(), kHelp);
    return 2;
  }
  for (const std::string& file : command.ignored)
    std::fprintf(stderr, "trellimap: only a project and a picture, or two pictures, are opened: \"%s\" is left out\n",
                 file.c_str());

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(trellimap::kApplicationTitle));
  // Docks and task bars find the launcher entry, and with it the icon, by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("com.vandoriq.Trellimap"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.vandoriq.Trellimap")));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) trellimap::SetScreenBitsPerPixel(screen->depth());

  trellimap::QtMessageBoxes messages;
  trellimap::QtFileDialogs dialogs;
  trellimap::SetMessageBoxes(&messages);
  trellimap::SetFileDialogs(&dialogs);

  QStringList arguments;
  for (const std::string& file : command.files) arguments << QString::fromStdString(file);
  trellimap::TMainForm form(arguments);
  form.show();
  const int status = QApplication::exec();
  trellimap::SetFileDialogs(nullptr);
  trellimap::SetMessageBoxes(nullptr);
  return status;
}
