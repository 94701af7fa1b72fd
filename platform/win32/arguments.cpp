// The runtime's standard split of the command line, already in the ANSI
// code page that the program uses.
#include <cstdlib>

#include "platform/arguments.h"

namespace mv::platform {

void InitArguments(int, char**) {}

int GetArgumentCount() { return __argc; }

bool GetArgument(int index, String* out) {
  if (index < 0 || index >= __argc) return false;
  *out = __argv[index];
  return true;
}

}  // namespace mv::platform
