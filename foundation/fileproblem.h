#pragma once
// Why a file could not be read or written, as one of the few things a user
// can act on; the words for each are the translation table's.

#include "foundation/ioerror.h"

namespace trellimap {

enum class FileProblem {
  None,
  NoSuchFile,
  NoPermission,
  Folder,
  DiskFull,
  Empty,
  TooLarge,
  NotThisFormat,  // no picture in a format the program reads, or not what its name says
  Damaged,        // damaged or cut short
  NoMemory,
  Other,
  CutShort,    // a file of the program's own that ends before all it holds
  CannotOpen,  // the file could not be opened to read, or created to write
};

// The problem an error number of the system (errno) stands for.
FileProblem ProblemOfErrno(int code);

// The problem an input/output error stands for.
FileProblem ProblemOfError(const InOutError& error);

}  // namespace trellimap
