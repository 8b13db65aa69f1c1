#pragma once
// Input/output errors inside files (project blocks, the translation file)
// travel as this exception to the one general handler, which reports them.

#include <stdexcept>
#include <string>

namespace trellimap {

class InOutError : public std::runtime_error {
 public:
  enum class Kind { ReadBeyondEnd, DiskFull, Other, Damaged };

  static InOutError ReadBeyondEnd() { return InOutError(Kind::ReadBeyondEnd, 0); }
  static InOutError DiskFull() { return InOutError(Kind::DiskFull, 0); }
  // A file whose content cannot be right, whatever its length; `message`
  // says what is wrong, in the words the user reads.
  static InOutError Damaged(const std::string& message) { return InOutError(message); }
  // An error number of the system (errno); ENOSPC counts as a full disk.
  static InOutError FromErrno(int code);

  Kind kind() const { return kind_; }
  int code() const { return code_; }

 private:
  InOutError(Kind kind, int code);
  explicit InOutError(const std::string& message) : std::runtime_error(message), kind_(Kind::Damaged), code_(0) {}
  Kind kind_;
  int code_;
};

// The general handler: shows the error's text ("Read beyond end of file",
// "Disk full", "I/O error %d") in an error box titled with the application title.
void HandleInOutError(const InOutError& error);

// The application title used as the caption of the general error box.
inline constexpr const char* kApplicationTitle = "Trellimap";

}  // namespace trellimap
