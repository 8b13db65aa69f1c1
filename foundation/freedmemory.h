#pragma once
// How the command line keeps the memory it frees.

namespace trellimap {

// Keeps freed blocks of up to tens of megabytes in the process for the next
// ones rather than handing them back to the system at once. A command works
// on pictures in passes, each taking and freeing buffers of megabytes (a
// photo read, its working copies, their gradients); a block fresh from the
// system costs a page fault for every page its first writing touches, which
// took a tenth of the time of finding a page in a photo. Meant for a process
// that does one job and ends, not for the window, which lives long.
void KeepFreedMemory();

}  // namespace trellimap
