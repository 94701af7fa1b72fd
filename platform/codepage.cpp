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
  const auto* bytes = reinterpret_cast<const uint8_t*>(system_name);
  for (size_t i = 0, n = std::strlen(system_name); i < n;) {
    uint32_t code_point = 0;
    const size_t length = DecodeUtf8(bytes + i, n - i, &code_point);
    uint8_t byte = 0;
    shown += length != 0 && Windows1252ByteOf(code_point, &byte) ? static_cast<char>(byte) : '?';
    i += length == 0 ? 1 : length;
  }
  *name = shown.c_str();
  return false;
}

void ShowSystemName(const char* name, String* shown, String* lacking) {
  if (name == nullptr) name = "";
  const auto* bytes = reinterpret_cast<const uint8_t*>(name);
  std::string visible;
  for (size_t i = 0, n = std::strlen(name); i < n;) {
    uint32_t code_point = 0;
    const size_t length = DecodeUtf8(bytes + i, n - i, &code_point);
    const bool control = length != 0 && (code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0));
    if (length == 0 || control) {
      // Bytes that are no UTF-8, and control characters, as \xNN.
      for (size_t k = 0; k < (length == 0 ? 1 : length); ++k) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", bytes[i + k]);
        visible += hex;
      }
      i += length == 0 ? 1 : length;
      continue;
    }
    visible.append(name + i, length);
    i += length;
  }
  *shown = visible.c_str();
  *lacking = CharactersWithoutWindows1252Form(name);
}

}  // namespace mv::platform
