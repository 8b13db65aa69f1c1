#pragma once
// Recognises a picture file's format, by its content first and then by the
// extension of its name, among the formats the registry lists.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codecs/formatregistry.h"

namespace trellimap {

// `head` holds the file's first bytes (any number, 16 suffice); `filename`
// supplies the extension, compared without regard to case.
PictureFormat DetectPictureFormat(const uint8_t* head, size_t length, std::string_view filename);

}  // namespace trellimap
