#include "foundation/ioerror.h"

#include <cerrno>

#include "foundation/messagebox.h"

namespace trellimap {
namespace {

std::string TextOf(InOutError::Kind kind, int code) {
  switch (kind) {
    case InOutError::Kind::ReadBeyondEnd:
      return "Read beyond end of file";
    case InOutError::Kind::DiskFull:
      return "Disk full";
    case InOutError::Kind::Other:
    case InOutError::Kind::Damaged:
      break;
  }
  return "I/O error " + std::to_string(code);
}

}  // namespace

InOutError::InOutError(Kind kind, int code) : std::runtime_error(TextOf(kind, code)), kind_(kind), code_(code) {}

InOutError InOutError::FromErrno(int code) { return code == ENOSPC ? DiskFull() : InOutError(Kind::Other, code); }

void HandleInOutError(const InOutError& error) {
  ShowMessage(error.what(), kApplicationTitle, MsgIcon::Error, MsgButtons::Ok);
}

}  // namespace trellimap
