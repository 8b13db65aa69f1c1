#pragma once
// Modal message boxes as the core sees them. The desktop program installs an
// implementation on Qt message boxes, tests install a recorder with scripted
// answers, and the command-line tool keeps the default, which prints to stderr.

#include <string>

namespace trellimap {

enum class MsgIcon { None, Error, Information, Question };
enum class MsgButtons { Ok, YesNo, YesNoCancel, SaveDiscardCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel, Save, Discard };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows `text` (UTF-8) and waits for an answer. An empty caption means the
  // platform's default caption.
  virtual MsgAnswer Show(const std::string& text, const std::string& caption, MsgIcon icon, MsgButtons buttons) = 0;
};

// The implementation in use; never null.
MessageBoxes& Messages();

// Installs `boxes` (not owned) and returns the previous one; null restores the default.
MessageBoxes* SetMessageBoxes(MessageBoxes* boxes);

// Shorthand for Messages().Show(...).
MsgAnswer ShowMessage(const std::string& text, const std::string& caption = {}, MsgIcon icon = MsgIcon::None,
                      MsgButtons buttons = MsgButtons::Ok);

}  // namespace trellimap
