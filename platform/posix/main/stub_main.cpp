// Process entry of the Linux stub. There is no command-line tail on POSIX;
// any argument after the program's name counts as a non-empty tail.
#include "app/entry.h"
#include "platform/platform.h"
#include "platform/arguments.h"

int main(int argc, char** argv) {
  mv::platform::SetModuleHandle(nullptr);
  mv::platform::InitArguments(argc, argv);
  return mv::RunEntry(argc > 1 ? argv[1][0] == '\0' ? " " : argv[1] : "");
}
