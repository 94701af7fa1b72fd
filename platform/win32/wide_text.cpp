#include "platform/win32/wide_text.h"

#include <cstring>

#include "base/text_encoding.h"

namespace mv::platform {
namespace {

std::wstring WideFrom(const Utf16Units& units) { return std::wstring(units.begin(), units.end()); }

}  // namespace

std::wstring WideOf(const char* text) {
  Utf16Units units;
  Windows1252ToUtf16(text, &units);
  return WideFrom(units);
}

std::wstring WidePathOf(const char* path) {
  std::wstring wide = WideOf(path);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

std::wstring WideOfUtf8(const char* text) {
  Utf16Units units;
  if (Utf8ToUtf16(text, &units)) return WideFrom(units);
  // Byte by byte, what is no UTF-8 shown as the replacement character.
  std::wstring wide;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text == nullptr ? "" : text);
  for (size_t i = 0, n = std::strlen(reinterpret_cast<const char*>(bytes)); i < n;) {
    uint32_t code_point = 0;
    const size_t length = DecodeUtf8(bytes + i, n - i, &code_point);
    Utf16Units one;
    char piece[5] = {};
    if (length == 0) {
      wide += L'\xFFFD';
      ++i;
      continue;
    }
    std::memcpy(piece, bytes + i, length);
    Utf8ToUtf16(piece, &one);
    wide += WideFrom(one);
    i += length;
  }
  return wide;
}

bool ProgramTextOf(const wchar_t* text, size_t count, String* out) {
  return Utf16ToWindows1252(reinterpret_cast<const uint16_t*>(text), count, out);
}

bool Utf8Of(const wchar_t* text, size_t count, String* out) {
  return Utf16ToUtf8(reinterpret_cast<const uint16_t*>(text), count, out);
}

}  // namespace mv::platform
