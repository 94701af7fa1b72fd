// The runtime's standard split of the command line.
#include <cstdlib>

#include "platform/arguments.h"

namespace mv::platform {

int GetArgumentCount() { return __argc; }
const char* GetArgument(int index) {
  return (index >= 0 && index < __argc) ? __argv[index] : nullptr;
}

}  // namespace mv::platform
