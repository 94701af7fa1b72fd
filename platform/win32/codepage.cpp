// Win32 side of the code page seam: the ANSI entry points take the program's
// code page, so texts cross unchanged.
#include "platform/codepage.h"

namespace mv::platform {

bool ToSystemText(const char* text, String* out) {
  return out->Assign(text == nullptr ? "" : text) != 0;
}

bool FromSystemText(const char* text, String* out) {
  return out->Assign(text == nullptr ? "" : text) != 0;
}

void ShowSystemName(const char* name, String* shown, String* lacking) {
  *shown = name == nullptr ? "" : name;
  *lacking = "";
}

}  // namespace mv::platform
