// What a console tool needs of the terminal: whether a stream is one, a
// password prompt without echo, and standard error.
#pragma once

#include <cstddef>

#include "base/string.h"

namespace mv::platform {

enum class StandardStream { kInput, kOutput, kError };

// True when the stream is an interactive terminal (isatty; a console handle
// on Windows).
bool IsTerminal(StandardStream stream);

// Writes prompt to standard error, reads one line from the terminal with
// echo switched off (restored afterwards, also on failure) and returns it in
// the program's code page without its line end. False when there is no
// terminal, nothing was read, or (POSIX) the text has no Windows-1252 form.
bool ReadSecretLine(const char* prompt, String* out, size_t max_length);

// Writes text (program code page) to standard error (POSIX: as UTF-8).
void WriteStderr(const char* text);

}  // namespace mv::platform
