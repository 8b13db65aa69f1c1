#pragma once
// Reading a whole file into memory, with a size limit checked before reading.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/fileproblem.h"

namespace trellimap {

// Reads the file at `path` (UTF-8, native) into `out`. Fails, with a short
// English reason, when it cannot be opened, is not a regular file, or is
// larger than `limit` bytes; `problem`, when given, then says which kind of failure it was.
bool ReadFileBytes(const std::string& path, size_t limit, std::vector<uint8_t>* out, std::string* reason,
                   FileProblem* problem = nullptr);

}  // namespace trellimap
