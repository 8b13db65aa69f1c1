#include "foundation/filebytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace trellimap {

bool ReadFileBytes(const std::string& path, size_t limit, std::vector<uint8_t>* out, std::string* reason,
                   FileProblem* problem) {
  FileProblem ignored = FileProblem::None;
  FileProblem& kind = problem ? *problem : ignored;
  out->clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *reason = std::strerror(errno);
    kind = ProblemOfErrno(errno);
    return false;
  }
  struct stat st {};
  bool ok = false;
  if (::fstat(fd, &st) != 0) {
    *reason = std::strerror(errno);
    kind = ProblemOfErrno(errno);
  } else if (!S_ISREG(st.st_mode)) {
    *reason = "not a regular file";
    kind = S_ISDIR(st.st_mode) ? FileProblem::Folder : FileProblem::Other;
  } else if (static_cast<uint64_t>(st.st_size) > limit) {
    *reason = "the file is too large";
    kind = FileProblem::TooLarge;
  } else {
    out->resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    ok = true;
    while (done < out->size()) {
      const ssize_t n = ::read(fd, out->data() + done, out->size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        // A file that shrank while being read is as good as damaged.
        *reason = n < 0 ? std::strerror(errno) : "the file ended early";
        kind = n < 0 ? ProblemOfErrno(errno) : FileProblem::Damaged;
        ok = false;
        break;
      }
      done += static_cast<size_t>(n);
    }
  }
  ::close(fd);
  if (!ok) out->clear();
  return ok;
}

}  // namespace trellimap
