// The program's own command line, read wide and split as the C runtime
// splits it; every argument keeps what the user typed.
#include <windows.h>

#include <cwchar>

#include "base/text_encoding.h"
#include "platform/arguments.h"
#include "platform/codepage.h"
#include "platform/command_line_split.h"

namespace mv::platform {
namespace {

const StringArray& Arguments() {
  static const StringArray arguments = [] {
    const wchar_t* line = GetCommandLineW();
    String utf8;
    if (line != nullptr) Utf16ToUtf8(reinterpret_cast<const uint16_t*>(line), std::wcslen(line), &utf8);
    return SplitCommandLine(utf8.c_str());
  }();
  return arguments;
}

}  // namespace

void InitArguments(int, char**) {}

int GetArgumentCount() { return Arguments().GetCount(); }

bool GetArgument(int index, String* out) {
  String utf8;
  return GetArgumentUtf8(index, &utf8) && FromUtf8Text(utf8.c_str(), out);
}

bool GetArgumentUtf8(int index, String* out) {
  if (index < 0 || index >= GetArgumentCount()) return false;
  *out = Arguments()[index];
  return true;
}

}  // namespace mv::platform
