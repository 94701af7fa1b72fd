#include <cstring>

#include "base/text_encoding.h"
#include "platform/arguments.h"
#include "platform/codepage.h"

namespace mv::platform {
namespace {
int g_argc = 0;
char** g_argv = nullptr;
}  // namespace

void InitArguments(int argc, char** argv) {
  g_argc = argc;
  g_argv = argv;
}

int GetArgumentCount() { return g_argc; }

bool GetArgument(int index, String* out) {
  if (index < 0 || index >= g_argc) return false;
  return FromSystemText(g_argv[index], out);
}

bool GetArgumentUtf8(int index, String* out) {
  if (index < 0 || index >= g_argc) return false;
  const char* text = g_argv[index];
  return IsValidUtf8(text, std::strlen(text)) && out->Assign(text) != 0;
}

}  // namespace mv::platform
