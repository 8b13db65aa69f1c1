#include "i18n/plainreasons.h"

#include <iterator>

#include "i18n/translateunit.h"

namespace trellimap {
namespace {

// In the order of FileProblem, from NoSuchFile on.
constexpr const char* kReasons[] = {
    "there is no such file",
    "access to it is not permitted",
    "it is a folder, not a file",
    "the disk is full",
    "the file is empty",
    "the file or its picture is too large",
    "it is not a picture in a format the program reads",
    "the file is damaged or cut short",
    "there is not enough memory for it",
    "the system reported an error",
};
static_assert(std::size(kReasons) == static_cast<size_t>(FileProblem::Other));

}  // namespace

std::string PlainReason(FileProblem problem) {
  if (problem == FileProblem::None) return {};
  return TranslateUtf8(kReasons[static_cast<size_t>(problem) - 1]);
}

}  // namespace trellimap
