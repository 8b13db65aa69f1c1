#pragma once
// A message-box implementation for tests: records every message and answers
// from a script (Ok, or the next scripted answer), so no test ever blocks.

#include <deque>
#include <string>
#include <vector>

#include "foundation/messagebox.h"

namespace trellimap::testing {

struct RecordedMessage {
  std::string text;
  std::string caption;
  MsgIcon icon;
  MsgButtons buttons;
};

class RecordingMessages final : public MessageBoxes {
 public:
  RecordingMessages() : previous_(SetMessageBoxes(this)) {}
  ~RecordingMessages() override { SetMessageBoxes(previous_); }
  RecordingMessages(const RecordingMessages&) = delete;
  RecordingMessages& operator=(const RecordingMessages&) = delete;

  MsgAnswer Show(const std::string& text, const std::string& caption, MsgIcon icon, MsgButtons buttons) override {
    shown.push_back({text, caption, icon, buttons});
    if (answers.empty()) return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
    MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
  }

  std::vector<RecordedMessage> shown;
  std::deque<MsgAnswer> answers;

 private:
  MessageBoxes* previous_;
};

}  // namespace trellimap::testing
