#include "platform/posix/arguments.h"

#include "platform/arguments.h"

namespace mv::platform {
namespace {
int g_argc = 0;
char** g_argv = nullptr;
}  // namespace

void SetArguments(int argc, char** argv) {
  g_argc = argc;
  g_argv = argv;
}

int GetArgumentCount() { return g_argc; }
const char* GetArgument(int index) {
  return (index >= 0 && index < g_argc) ? g_argv[index] : nullptr;
}

}  // namespace mv::platform
