#pragma once
// File dialogs for tests: each Run takes the next scripted answer (a file
// name, or cancel when the script is empty), each RunSeveral the next list of
// names, and both record what they were asked.

#include <deque>
#include <string>
#include <vector>

#include "foundation/filedialogs.h"

namespace trellimap::testing {

class ScriptedDialogs final : public FileDialogs {
 public:
  ScriptedDialogs() : previous_(SetFileDialogs(this)) {}
  ~ScriptedDialogs() override { SetFileDialogs(previous_); }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  bool Run(const FileDialogRequest& request, std::string* fileName) override {
    asked.push_back(request);
    if (answers.empty()) return false;
    *fileName = answers.front();
    answers.pop_front();
    return true;
  }

  bool RunSeveral(const FileDialogRequest& request, std::vector<std::string>* fileNames) override {
    asked.push_back(request);
    if (severalAnswers.empty()) return false;
    *fileNames = severalAnswers.front();
    severalAnswers.pop_front();
    return true;
  }

  std::deque<std::string> answers;
  std::deque<std::vector<std::string>> severalAnswers;
  std::vector<FileDialogRequest> asked;

 private:
  FileDialogs* previous_;
};

}  // namespace trellimap::testing
