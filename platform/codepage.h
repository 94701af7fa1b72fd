// Text crossing between the program's 8-bit code page and the system's own
// text, for names and paths handed to or read from the operating system.
// Windows: the ANSI entry points take the program's code page, so both
// directions copy the text unchanged. POSIX: the program's code page is
// Windows-1252 (the code page of the program's users) and the system speaks
// UTF-8, so "Übersicht.txt" names the same file on both platforms.
#pragma once

#include "base/string.h"

namespace mv::platform {

// Program text -> system text. False (and out emptied) when the text has no
// form in the system's encoding or memory runs out.
bool ToSystemText(const char* text, String* out);
// System text -> program text. False (and out emptied) when the text holds
// a character without a Windows-1252 form or is not valid UTF-8.
bool FromSystemText(const char* text, String* out);

}  // namespace mv::platform
