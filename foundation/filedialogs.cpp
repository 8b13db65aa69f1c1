#include "foundation/filedialogs.h"

namespace trellimap {
namespace {

class CancellingDialogs final : public FileDialogs {
 public:
  bool Run(const FileDialogRequest&, std::string*) override { return false; }
  bool RunSeveral(const FileDialogRequest&, std::vector<std::string>*) override { return false; }
};

CancellingDialogs defaultDialogs;
FileDialogs* current = &defaultDialogs;

}  // namespace

FileDialogs& Dialogs() { return *current; }

std::string FilterEntryExtension(const std::string& filter, size_t index) {
  // Entry i is the pair of parts 2i (description) and 2i + 1 (patterns).
  size_t start = 0;
  for (size_t part = 0; part < 2 * index + 1; ++part) {
    start = filter.find('|', start);
    if (start == std::string::npos) return {};
    ++start;
  }
  const std::string pattern = filter.substr(start, filter.find_first_of("|;", start) - start);
  // Only "*.ext" names one extension; "*.*" and other wildcards name none.
  if (pattern.size() < 3 || pattern.rfind("*.", 0) != 0 || pattern.find_first_of("*?[.", 2) != std::string::npos)
    return {};
  return pattern.substr(1);
}

FileDialogs* SetFileDialogs(FileDialogs* dialogs) {
  FileDialogs* previous = current == &defaultDialogs ? nullptr : current;
  current = dialogs ? dialogs : &defaultDialogs;
  return previous;
}

}  // namespace trellimap
