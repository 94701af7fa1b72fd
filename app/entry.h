// The choice between the two ways of running: the process entry of each
// system (main/) hands over its mode functions.
#pragma once

namespace mv {

using ModeEntry = int (*)();

// Chooses the mode from the command-line tail (the text after the program's
// name, leading blanks already removed by the platform): an empty tail runs
// `interactive`, anything else `command_line`. Returns the mode's result,
// which the entry returns as the process exit code.
int SelectMode(const char* command_tail, ModeEntry interactive, ModeEntry command_line);

}  // namespace mv
