#pragma once
// libjpeg's errors end its work by a jump back to where it was started, with
// the library's message. Nothing with a destructor may be made between the
// setjmp and the end of the library's work, which a jump may leave.

#include <csetjmp>
#include <cstdio>

// libjpeg's header needs the standard I/O declarations first.
#include <jpeglib.h>

namespace trellimap {

struct JpegErrorTrap {
  jpeg_error_mgr manager{};  // first: the library hands back a pointer to it
  std::jmp_buf back{};
  char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] inline void JpegFail(j_common_ptr info) {
  auto* trap = reinterpret_cast<JpegErrorTrap*>(info->err);
  trap->manager.format_message(info, trap->message);
  std::longjmp(trap->back, 1);
}

}  // namespace trellimap
