#pragma once
// The bytes a fuzz target is given, as a file that the readers open by name:
// a file in memory, reached through a link of the chosen name in a folder of
// its own, so that an input costs no disk writes and the name's extension is
// the one the target wants.

#include <cstddef>
#include <cstdint>
#include <string>

namespace trellimap::fuzz {

class InputFile {
 public:
  // Makes the folder below $TMPDIR (else /tmp) and the link `name` in it.
  explicit InputFile(const std::string& name);
  // Removes the link and the folder with anything left in it.
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Makes data[0, size) the file's whole content.
  void Put(const uint8_t* data, size_t size);

  const std::string& Path() const { return path_; }
  // The folder, ending in "/": files the readers write go there.
  const std::string& Folder() const { return folder_; }

 private:
  int fd_ = -1;
  std::string folder_, path_;
};

// Ends the process with `what` and the system's reason: the target cannot run.
[[noreturn]] void Fail(const std::string& what);

}  // namespace trellimap::fuzz
