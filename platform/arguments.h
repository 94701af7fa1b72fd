// The program's arguments, index 0 being the program itself: argv on POSIX,
// the runtime's standard split of the command line on Windows.
#pragma once

#include "base/string.h"

namespace mv::platform {

// Called once by a console program's main with its arguments. POSIX keeps
// them; Windows takes the runtime's split (__argv) in any case, so a GUI
// entry without argv needs no call.
void InitArguments(int argc, char** argv);

int GetArgumentCount();

// The argument in the program's code page. False outside 0 <= index <
// GetArgumentCount(), and on POSIX when the argument (UTF-8 from the locale)
// has no Windows-1252 form: such a password could not be typed on Windows.
bool GetArgument(int index, String* out);

}  // namespace mv::platform
