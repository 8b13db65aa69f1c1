#pragma once
// Message boxes that a fuzz target installs: a reader's messages are part of
// its behaviour, not of the fuzzer's output, so they are answered unseen.

#include "foundation/messagebox.h"

namespace trellimap::fuzz {

class SilentMessages final : public MessageBoxes {
 public:
  MsgAnswer Show(const std::string&, const std::string&, MsgIcon, MsgButtons) override { return MsgAnswer::Cancel; }
};

}  // namespace trellimap::fuzz
