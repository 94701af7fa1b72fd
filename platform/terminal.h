// What a console program needs of the terminal: whether a stream is one,
// its size, a password prompt without echo, a line with editing, single
// keys, and standard error.
//
// POSIX: while a read waits, the terminal's settings are the read's own
// (no echo, keys one by one); stopping the program (Ctrl-Z, SIGTSTP, or
// reading from the background) gives the user's settings back first, and
// continuing it (SIGCONT, `fg`) takes the read's settings again and shows
// its prompt anew, so a password never appears as it is typed. Ctrl-C,
// SIGTERM and SIGHUP end the wait: under an InterruptionScope
// (platform/interruption.h) the read returns kEnd and the caller unwinds;
// otherwise the terminal is restored before the signal takes its default
// effect.
#pragma once

#include <cstddef>

#include "base/password.h"
#include "base/string.h"

namespace mv::platform {

enum class StandardStream { kInput, kOutput, kError };

// How a read from the terminal ended.
enum class LineStatus {
  kLine,           // a line was read (it may be empty)
  kEnd,            // end of input (Ctrl-D), no terminal, or an interruption
  kNoCodePageForm, // the line holds a character without a Windows-1252 form (POSIX)
  kNotText,        // a secret line that is no valid UTF-8 (POSIX: a terminal not set to UTF-8)
};

// True when the stream is an interactive terminal (isatty; a console handle
// on Windows).
bool IsTerminal(StandardStream stream);

// True when the program's console was made for it alone: on Windows, a
// console program started by a double-click, whose window closes when it
// ends (no shell shares the console). Never on POSIX.
bool ConsoleIsOwn();

// Writes prompt to standard error, reads one line from the terminal with
// echo switched off (restored afterwards, also on failure) and returns it as
// typed, in UTF-8 (every character taken), without its line end. Input typed before the
// prompt appeared is discarded; after a stop and continue, so is the part of
// the line typed before the stop, and the prompt is shown again.
LineStatus ReadSecretLine(const char* prompt, Password* out, size_t max_length);

// Writes prompt (program code page) to standard output and reads one line
// with editing: cursor left and right, Home and End (also Ctrl-A, Ctrl-E),
// Backspace and Delete, Ctrl-K, Ctrl-U and Ctrl-W, and Tab, which completes
// the path before the cursor from the folder it names (a leading "~" is the
// home folder) or lists the names that fit. Only characters with a
// Windows-1252 form are taken; control characters and other keys' escape
// sequences never enter the line (the terminal bell rings instead). A line
// longer than the terminal is wide wraps and stays editable. Where the
// terminal cannot move its cursor (TERM unset or "dumb", or standard output
// no terminal) the line is read as typed, control characters included.
// kEnd for Ctrl-D on an empty line.
LineStatus EditLine(const char* prompt, String* line, size_t max_length);

// The size of the terminal standard output writes to, in character cells.
// False (and nothing set) when it is not a terminal or does not say.
bool GetTerminalSize(int* rows, int* columns);

// Writes prompt (program code page) to standard output and waits for one
// key on the terminal of standard input, without echo and without waiting
// for Enter (the terminal's settings are restored before it returns); after
// a stop and continue the prompt is shown again. The key's byte, or -1 at
// the end of input, when standard input is no terminal, or when the wait was
// interrupted.
int ReadKey(const char* prompt);

// Writes text (program code page) to standard error (POSIX: as UTF-8).
void WriteStderr(const char* text);

// Writes text that is already in the system's encoding (POSIX: UTF-8, such
// as a file name the program's code page cannot hold) to standard error
// unchanged.
void WriteStderrSystemText(const char* text);

}  // namespace mv::platform
