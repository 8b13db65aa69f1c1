#include "foundation/filedialogs.h"

namespace trellimap {
namespace {

class CancellingDialogs final : public FileDialogs {
 public:
  bool Run(const FileDialogRequest&, std::string*) override { return false; }
};

CancellingDialogs defaultDialogs;
FileDialogs* current = &defaultDialogs;

}  // namespace

FileDialogs& Dialogs() { return *current; }

FileDialogs* SetFileDialogs(FileDialogs* dialogs) {
  FileDialogs* previous = current == &defaultDialogs ? nullptr : current;
  current = dialogs ? dialogs : &defaultDialogs;
  return previous;
}

}  // namespace trellimap
