#pragma once
// File dialogs for tests: each Run takes the next scripted answer (a file
// name, or cancel when the script is empty) and records what it was asked.

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

  std::deque<std::string> answers;
  std::vector<FileDialogRequest> asked;

 private:
  FileDialogs* previous_;
};

}  // namespace trellimap::testing
