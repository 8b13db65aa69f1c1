#include "i18n/plainreasons.h"

#include "i18n/translateunit.h"

namespace trellimap {

std::string PlainReason(FileProblem problem) {
  switch (problem) {
    case FileProblem::None:
      return {};
    case FileProblem::NoSuchFile:
      return TranslateUtf8("there is no such file");
    case FileProblem::NoPermission:
      return TranslateUtf8("access to it is not permitted");
    case FileProblem::Folder:
      return TranslateUtf8("it is a folder, not a file");
    case FileProblem::DiskFull:
      return TranslateUtf8("the disk is full");
    case FileProblem::Empty:
      return TranslateUtf8("the file is empty");
    case FileProblem::TooLarge:
      return TranslateUtf8("the file or its picture is too large");
    case FileProblem::NotThisFormat:
      return TranslateUtf8("it is not a picture in a format the program reads");
    case FileProblem::Damaged:
      return TranslateUtf8("the file is damaged or cut short");
    case FileProblem::NoMemory:
      return TranslateUtf8("there is not enough memory for it");
    case FileProblem::Other:
      break;
  }
  return TranslateUtf8("the system reported an error");
}

}  // namespace trellimap
