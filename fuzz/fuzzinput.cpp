#include "fuzz/fuzzinput.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace trellimap::fuzz {

void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz target: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(2);
}

InputFile::InputFile(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/trellimap-fuzz.XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) Fail("cannot make a folder from " + pattern);
  folder_ = pattern + "/";
  path_ = folder_ + name;
  fd_ = ::memfd_create("fuzz-input", MFD_CLOEXEC);
  if (fd_ < 0) Fail("cannot make a file in memory");
  if (::symlink(("/proc/self/fd/" + std::to_string(fd_)).c_str(), path_.c_str()) != 0)
    Fail("cannot make the link " + path_);
}

InputFile::~InputFile() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
  ::close(fd_);
}

void InputFile::Put(const uint8_t* data, size_t size) {
  if (::ftruncate(fd_, 0) != 0) Fail("cannot empty the input file");
  for (size_t done = 0; done < size;) {
    const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("cannot write the input file");
    done += static_cast<size_t>(n);
  }
}

}  // namespace trellimap::fuzz
