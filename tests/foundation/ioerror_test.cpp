#include "foundation/ioerror.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/recordingmessages.h"

namespace trellimap {
namespace {

TEST(InOutError, TextsAndTheGeneralHandler) {
  EXPECT_STREQ(InOutError::ReadBeyondEnd().what(), "Read beyond end of file");
  EXPECT_STREQ(InOutError::DiskFull().what(), "Disk full");
  EXPECT_STREQ(InOutError::FromErrno(ENOSPC).what(), "Disk full");
  EXPECT_STREQ(InOutError::FromErrno(EIO).what(), "I/O error 5");

  testing::RecordingMessages messages;
  HandleInOutError(InOutError::ReadBeyondEnd());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Read beyond end of file");
  EXPECT_EQ(messages.shown[0].caption, "Trellimap");
  EXPECT_EQ(messages.shown[0].icon, MsgIcon::Error);
}

}  // namespace
}  // namespace trellimap
