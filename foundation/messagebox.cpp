#include "foundation/messagebox.h"

#include <cstdio>

namespace trellimap {
namespace {

// Without a window system a message is a line on stderr; questions get their
// most cautious answer so that nothing is deleted or overwritten unasked.
class StderrMessages final : public MessageBoxes {
 public:
  MsgAnswer Show(const std::string& text, const std::string& caption, MsgIcon, MsgButtons buttons) override {
    if (caption.empty())
      std::fprintf(stderr, "%s\n", text.c_str());
    else
      std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    switch (buttons) {
      case MsgButtons::Ok:
        return MsgAnswer::Ok;
      case MsgButtons::YesNo:
        return MsgAnswer::No;
      case MsgButtons::YesNoCancel:
      case MsgButtons::SaveDiscardCancel:
        return MsgAnswer::Cancel;
    }
    return MsgAnswer::Ok;
  }
};

StderrMessages defaultMessages;
MessageBoxes* current = &defaultMessages;

}  // namespace

MessageBoxes& Messages() { return *current; }

MessageBoxes* SetMessageBoxes(MessageBoxes* boxes) {
  MessageBoxes* previous = current == &defaultMessages ? nullptr : current;
  current = boxes ? boxes : &defaultMessages;
  return previous;
}

MsgAnswer ShowMessage(const std::string& text, const std::string& caption, MsgIcon icon, MsgButtons buttons) {
  return current->Show(text, caption, icon, buttons);
}

}  // namespace trellimap
