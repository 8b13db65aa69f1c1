#pragma once
// Recognises a picture file's format, by its content first and then by the
// extension of its name, among the formats the image library reads.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trellimap {

enum class PictureFormat { Unknown, Bmp, Emf, Gif, Iff, Jpeg, Jpeg2000, Pcx, Png, Tga, Tiff };

// `head` holds the file's first bytes (any number, 16 suffice); `filename`
// supplies the extension, compared without regard to case.
PictureFormat DetectPictureFormat(const uint8_t* head, size_t length, std::string_view filename);

}  // namespace trellimap
