#pragma once
// File open and save dialogs (an open dialog may also choose several files or
// a folder) as the core sees them. The desktop program shows real dialogs;
// tests answer from a script; without either, every dialog is cancelled.

#include <string>
#include <vector>

namespace trellimap {

struct FileDialogRequest {
  bool save = false;
  // "description|pattern;pattern|description|pattern..." as the dialog's
  // owner keeps it; the implementation turns it into its own syntax.
  std::string filter;
  // With its dot, e.g. ".gip"; empty for none. A name typed without an
  // extension gets the chosen filter entry's (FilterEntryExtension), else
  // this one, before the overwrite question is asked about it.
  std::string defaultExt;
  bool confirmOverwrite = false;  // ask before an existing file is replaced
  std::string folder;             // where the dialog starts; empty for the working folder
  std::string proposedName;       // the file name it proposes; empty for none
  bool chooseFolder = false;      // an open dialog that chooses a folder, not a file
};

// The extension, with its dot, that entry `index` of `filter` (in the syntax
// above) gives a name typed without one: that of its first pattern ("*.png"
// gives ".png"); "" for an entry of all files ("*.*") or an index past the end.
std::string FilterEntryExtension(const std::string& filter, size_t index);

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // Asks for a file; true with `*fileName` set when the user confirmed.
  virtual bool Run(const FileDialogRequest& request, std::string* fileName) = 0;
  // Asks for one or more existing files at once (an open dialog); true with
  // `*fileNames` set when the user confirmed.
  virtual bool RunSeveral(const FileDialogRequest& request, std::vector<std::string>* fileNames) = 0;
};

// The implementation in use; never null.
FileDialogs& Dialogs();

// Installs `dialogs` (not owned) and returns the previous one; null restores the default.
FileDialogs* SetFileDialogs(FileDialogs* dialogs);

}  // namespace trellimap
