// The two ways of running and the choice between them.
#pragma once

namespace mv {

using ModeEntry = int (*)();

// Chooses the mode from the command-line tail (the text after the program's
// name, leading blanks already removed by the platform): an empty tail runs
// `interactive`, anything else `command_line`. Returns the mode's result.
int SelectMode(const char* command_tail, ModeEntry interactive, ModeEntry command_line);

// The process entry's choice between RunInteractive and RunCommandLine; the
// result is the process exit code.
int RunEntry(const char* command_tail);

// The mode entries; each returns the process exit code.
int RunCommandLine();
int RunInteractive();

}  // namespace mv
