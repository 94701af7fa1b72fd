// Process entry of the Linux stub: its own options (--help, --list), the
// command line, or the interactive flow on the terminal. There is no
// command-line tail on POSIX; any argument after the program's name counts
// as a non-empty tail.
#include "app/command_line_mode.h"
#include "app/entry.h"
#include "app/terminal_flow.h"
#include "app/terminal_options.h"
#include "platform/arguments.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  mv::platform::SetModuleHandle(nullptr);
  mv::platform::InitArguments(argc, argv);
  if (argc > 1 && mv::IsTerminalOption(argv[1])) return mv::RunTerminalOption(argv[1]);
  const char* tail = argc > 1 ? argv[1][0] == '\0' ? " " : argv[1] : "";
  return mv::SelectMode(tail, &mv::RunTerminalFlow, &mv::RunCommandLine);
}
