// The program's arguments, index 0 being the program itself: argv on POSIX,
// the runtime's standard split of the command line on Windows.
#pragma once

namespace mv::platform {
int GetArgumentCount();
// Null outside 0 <= index < GetArgumentCount().
const char* GetArgument(int index);
}  // namespace mv::platform
