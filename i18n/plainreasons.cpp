#include "i18n/plainreasons.h"

#include "i18n/translateunit.h"

namespace trellimap {
namespace {

const char* EnglishReason(FileProblem problem) {
  switch (problem) {
    case FileProblem::None:
      break;
    case FileProblem::NoSuchFile:
      return "there is no such file";
    case FileProblem::NoPermission:
      return "access to it is not permitted";
    case FileProblem::Folder:
      return "it is a folder, not a file";
    case FileProblem::DiskFull:
      return "the disk is full";
    case FileProblem::Empty:
      return "the file is empty";
    case FileProblem::TooLarge:
      return "the file or its picture is too large";
    case FileProblem::NotThisFormat:
      return "it is not a picture in a format the program reads";
    case FileProblem::Damaged:
    case FileProblem::CutShort:
      return "the file is damaged or cut short";
    case FileProblem::NoMemory:
      return "there is not enough memory for it";
    case FileProblem::Other:
    case FileProblem::CannotOpen:
      return "the system reported an error";
  }
  return nullptr;
}

}  // namespace

std::string PlainReason(FileProblem problem) {
  const char* english = EnglishReason(problem);
  return english != nullptr ? TranslateUtf8(english) : std::string();
}

}  // namespace trellimap
