#include "foundation/fileproblem.h"

#include <cerrno>

namespace trellimap {

FileProblem ProblemOfErrno(int code) {
  switch (code) {
    case ENOENT:
    case ENOTDIR:
      return FileProblem::NoSuchFile;
    case EACCES:
    case EPERM:
    case EROFS:
      return FileProblem::NoPermission;
    case EISDIR:
      return FileProblem::Folder;
    case ENOSPC:
    case EDQUOT:
      return FileProblem::DiskFull;
    case EFBIG:
      return FileProblem::TooLarge;
    case ENOMEM:
      return FileProblem::NoMemory;
    default:
      return FileProblem::Other;
  }
}

FileProblem ProblemOfError(const InOutError& error) {
  return error.kind() == InOutError::Kind::DiskFull ? FileProblem::DiskFull : ProblemOfErrno(error.code());
}

}  // namespace trellimap
