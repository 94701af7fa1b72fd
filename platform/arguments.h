// The program's arguments, index 0 being the program itself: argv on POSIX,
// on Windows the wide command line (GetCommandLineW) split as the C
// runtime splits it, so that nothing a user typed passes through the ANSI
// code page.
#pragma once

#include "base/string.h"

namespace mv::platform {

// Called once by a console program's main with its arguments. POSIX keeps
// them; Windows reads its own command line in any case, so a GUI entry
// without argv needs no call.
void InitArguments(int argc, char** argv);

int GetArgumentCount();

// The argument in the program's code page. False outside 0 <= index <
// GetArgumentCount(), and on POSIX when the argument (UTF-8 from the locale)
// has no Windows-1252 form: such a password could not be typed on Windows.
bool GetArgument(int index, String* out);

// The argument as typed, in UTF-8 (a password keeps every character). False
// outside 0 <= index < GetArgumentCount(), and on POSIX when the argument is
// not valid UTF-8.
bool GetArgumentUtf8(int index, String* out);

}  // namespace mv::platform
