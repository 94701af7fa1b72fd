// The Linux stub's own options, which its users expect of a program on a
// terminal: --help (and -h) for the usage, and --list for a look inside the
// package before anything is decrypted to disk. The Windows stub has none of
// them: its command line is the decrypt command's alone.
#pragma once

namespace mv {

// True for "--help", "-h" and "--list" (the program's first argument,
// exactly).
bool IsTerminalOption(const char* first_argument);

// Runs option, the first argument (one IsTerminalOption accepts); returns
// the exit code.
// --help, -h: the usage on standard output; 0.
// --list [-pwdfile=FILE]: the password from FILE ("-": standard input), or
// asked on the terminal (a wrong one asks again); then every entry of the
// package (kind, size, time of the last change, path) and a summary on
// standard output; the entries' bytes are read past, never written. 0 when
// listed; kCancelled when no password was given; kNoTerminal without a
// terminal or a password file; kUnknownSwitch for any other argument;
// otherwise the reading's code (kWrongPassword, kNoPayload, ...). Ctrl-C,
// SIGTERM and SIGHUP end the process with their usual status.
int RunTerminalOption(const char* option);

}  // namespace mv
