#include "codecs/pictureformat.h"

#include <string>

namespace trellimap {

PictureFormat DetectPictureFormat(const uint8_t* head, size_t length, std::string_view filename) {
  for (const FormatRow& row : PictureFormats())
    if (row.reader.signature != nullptr && row.reader.signature(head, length)) return row.format;
  const std::string extension = ExtensionOf(filename);
  const FormatRow* row = nullptr;
  const PictureFormat named = !extension.empty() && FindExtension(std::string_view(extension).substr(1), &row)
                                  ? row->format
                                  : PictureFormat::Unknown;
  // A weak signature outweighs the name, unless that names a format whose files can show it too.
  for (const FormatRow& weak : PictureFormats())
    if (weak.reader.weakSignature != nullptr && weak.reader.weakSignature(head, length) &&
        (weak.reader.lookalike == PictureFormat::Unknown || named != weak.reader.lookalike))
      return weak.format;
  return named;
}

}  // namespace trellimap
