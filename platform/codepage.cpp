// The code page seam, the same on both systems: the system's text is UTF-8
// (POSIX: the locale's; Windows: what the platform layer converts to and
// from UTF-16 at every wide call), the program's is Windows-1252.
#include "platform/codepage.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/text_encoding.h"

namespace mv::platform {

bool ToSystemText(const char* text, String* out) { return Windows1252ToUtf8(text, out); }

bool FromSystemText(const char* text, String* out) { return Utf8ToWindows1252(text, out); }

bool FromUtf8Text(const char* text, String* out) { return Utf8ToWindows1252(text, out); }

bool ProgramNameOf(const char* system_name, String* name) {
  if (FromSystemText(system_name, name)) return true;
  std::string shown;
  ForEachUtf8Character(system_name, [&](const char*, size_t length, uint32_t code_point) {
    uint8_t byte = 0;
    shown += length != 0 && Windows1252ByteOf(code_point, &byte) ? static_cast<char>(byte) : '?';
  });
  *name = shown.c_str();
  return false;
}

void ShowSystemName(const char* name, String* shown, String* lacking) {
  if (name == nullptr) name = "";
  std::string visible;
  ForEachUtf8Character(name, [&](const char* at, size_t length, uint32_t code_point) {
    const bool control = length != 0 && (code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0));
    if (length != 0 && !control) {
      visible.append(at, length);
      return;
    }
    // Bytes that are no UTF-8, and control characters, as \xNN.
    for (size_t k = 0; k < (length == 0 ? 1 : length); ++k) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<uint8_t>(at[k]));
      visible += hex;
    }
  });
  *shown = visible.c_str();
  *lacking = CharactersWithoutWindows1252Form(name);
}

}  // namespace mv::platform
