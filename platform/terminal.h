// What a console program needs of the terminal: whether a stream is one,
// its size, a password prompt without echo, single keys, and standard error.
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

// The size of the terminal standard output writes to, in character cells.
// False (and nothing set) when it is not a terminal or does not say.
bool GetTerminalSize(int* rows, int* columns);

// Waits for one key on the terminal of standard input, without echo and
// without waiting for Enter (the terminal's settings are restored before
// it returns). The key's byte, or -1 at the end of input, when standard
// input is no terminal, or when the wait was interrupted.
int ReadKey();

// Writes text (program code page) to standard error (POSIX: as UTF-8).
void WriteStderr(const char* text);

}  // namespace mv::platform
