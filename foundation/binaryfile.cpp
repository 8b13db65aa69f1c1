#include "foundation/binaryfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "foundation/ioerror.h"

namespace trellimap {
namespace {

constexpr size_t kBufferBytes = size_t{1} << 20;

void PutLittleEndian(uint8_t* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

BinaryReader::~BinaryReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool BinaryReader::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = static_cast<uint64_t>(st.st_size);
  position_ = 0;
  return true;
}

void BinaryReader::Fill() {
  // No larger than what is left: a small file costs no large buffer.
  buffer_.resize(static_cast<size_t>(std::min<uint64_t>(kBufferBytes, Remaining())));
  bufferStart_ = bufferEnd_ = 0;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
    if (n > 0) {
      bufferEnd_ = static_cast<size_t>(n);
      return;
    }
    if (n == 0) throw InOutError::ReadBeyondEnd();  // the file shrank while being read
    if (errno != EINTR) throw InOutError::FromErrno(errno);
  }
}

void BinaryReader::Read(void* data, size_t bytes) {
  if (fd_ < 0 || bytes > Remaining()) throw InOutError::ReadBeyondEnd();
  auto* out = static_cast<uint8_t*>(data);
  while (bytes > 0) {
    if (bufferStart_ == bufferEnd_) Fill();
    const size_t n = std::min(bytes, bufferEnd_ - bufferStart_);
    std::memcpy(out, buffer_.data() + bufferStart_, n);
    bufferStart_ += n;
    position_ += n;
    out += n;
    bytes -= n;
  }
}

int32_t BinaryReader::ReadInt32() {
  uint8_t b[4];
  Read(b, 4);
  return static_cast<int32_t>(b[0] | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24);
}

uint8_t BinaryReader::ReadByte() {
  uint8_t b;
  Read(&b, 1);
  return b;
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

bool AtomicFileWriter::Open(const std::string& path) {
  Discard();
  std::string pattern = path + ".XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return false;
  fd_ = fd;
  struct stat existing {};
  replacing_ = ::stat(path.c_str(), &existing) == 0;
  written_ = 0;
  path_ = path;
  temporary_ = pattern;
  buffer_.clear();
  buffer_.reserve(kBufferBytes);
  return true;
}

void AtomicFileWriter::Write(const void* data, size_t bytes) {
  const auto* in = static_cast<const uint8_t*>(data);
  if (bytes >= kBufferBytes) {
    // Large blocks go to the file as they are, after what is buffered.
    Flush();
    WriteOut(in, bytes);
    return;
  }
  while (bytes > 0) {
    if (buffer_.size() == kBufferBytes) Flush();
    const size_t n = std::min(bytes, kBufferBytes - buffer_.size());
    buffer_.insert(buffer_.end(), in, in + n);
    in += n;
    bytes -= n;
  }
}

void AtomicFileWriter::WriteInt32(int32_t value) {
  uint8_t b[4];
  PutLittleEndian(b, static_cast<uint32_t>(value));
  Write(b, 4);
}

void AtomicFileWriter::WriteByte(uint8_t value) { Write(&value, 1); }

void AtomicFileWriter::Flush() {
  WriteOut(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void AtomicFileWriter::WriteOut(const uint8_t* data, size_t bytes) {
  // A file that will be synced is written in parts, each sent on its way to
  // the disk while the next is written, so that little is left for the sync.
  constexpr size_t kPart = size_t{4} << 20;
  size_t done = 0;
  while (done < bytes) {
    const size_t part = replacing_ ? std::min(kPart, bytes - done) : bytes - done;
    const ssize_t n = ::write(fd_, data + done, part);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw InOutError::FromErrno(errno);
    if (n == 0) throw InOutError::DiskFull();
    if (replacing_) ::sync_file_range(fd_, static_cast<off_t>(written_), n, SYNC_FILE_RANGE_WRITE);
    written_ += static_cast<uint64_t>(n);
    done += static_cast<size_t>(n);
  }
}

void AtomicFileWriter::Commit() {
  if (fd_ < 0) throw InOutError::FromErrno(EBADF);
  Flush();
  // The new file takes the usual permissions of a created file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
  if (replacing_ && ::fsync(fd_) != 0) throw InOutError::FromErrno(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temporary_.c_str());
    throw InOutError::FromErrno(error);
  }
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary_.c_str());
    throw InOutError::FromErrno(error);
  }
  temporary_.clear();
}

void AtomicFileWriter::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

Outcome WriteFileWhole(const std::string& path, const std::function<Outcome(AtomicFileWriter& out)>& write) {
  try {
    AtomicFileWriter out;
    if (!out.Open(path)) {
      const FileProblem problem = std::filesystem::is_directory(path) ? FileProblem::Folder : ProblemOfErrno(errno);
      return Outcome::Failed(problem, "the file could not be created");
    }
    if (Outcome written = write(out); !written.done()) return written;
    out.Commit();
  } catch (const InOutError& error) {
    return Outcome::Failed(ProblemOfError(error), error.what());
  }
  return Outcome::Done();
}

}  // namespace trellimap
