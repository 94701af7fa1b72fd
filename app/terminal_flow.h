// The interactive mode on a terminal, for platforms without dialogs: the
// same steps as the Windows dialog flow (disclaimer, the package's
// description, password, progress, then the files or the message text), as
// text and questions, in English or German by the user's language. The
// attempt and its decisions are the shared ones of app/decrypt_attempt.h.
#pragma once

namespace mv {

// Runs the flow when standard input and output are a terminal; otherwise
// prints how to use the decrypt command (with the password from standard
// input first) on standard error and returns kNoTerminal. The exit code: 1
// without a package, 40 when the disclaimer was not accepted, 0 otherwise
// (also when the user ended it at the password prompt). Ctrl-C, SIGTERM and
// SIGHUP end the process with their usual status after the decrypted files
// are wiped, also at a question.
int RunTerminalFlow();

}  // namespace mv
