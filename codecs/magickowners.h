#pragma once
// Owners of GraphicsMagick's structures, so that each is released on every
// path, and the text of its exceptions. Used by the picture decoder and writer.

#include <magick/api.h>

#include <string>

namespace trellimap {

struct ImageInfoOwner {
  ImageInfo* info = CloneImageInfo(nullptr);
  ImageInfoOwner() = default;
  ImageInfoOwner(const ImageInfoOwner&) = delete;
  ImageInfoOwner& operator=(const ImageInfoOwner&) = delete;
  ~ImageInfoOwner() { DestroyImageInfo(info); }
};

struct ImageOwner {
  Image* image = nullptr;
  ImageOwner() = default;
  ImageOwner(const ImageOwner&) = delete;
  ImageOwner& operator=(const ImageOwner&) = delete;
  ~ImageOwner() {
    if (image) DestroyImageList(image);
  }
};

struct ExceptionOwner {
  ExceptionInfo e;
  ExceptionOwner() { GetExceptionInfo(&e); }
  ExceptionOwner(const ExceptionOwner&) = delete;
  ExceptionOwner& operator=(const ExceptionOwner&) = delete;
  ~ExceptionOwner() { DestroyExceptionInfo(&e); }
};

// The library's reason, with its detail when it gives one.
inline std::string DescribeException(const ExceptionInfo& e, const char* fallback) {
  if (e.reason == nullptr || *e.reason == 0) return fallback;
  std::string text = e.reason;
  if (e.description && *e.description) text += std::string(" (") + e.description + ")";
  return text;
}

}  // namespace trellimap
