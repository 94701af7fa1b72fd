// Win32 side of the code page seam: the ANSI entry points take the program's
// code page, so texts cross unchanged.
#include "platform/codepage.h"

#include <windows.h>

#include <memory>
#include <new>

#include "base/memory.h"

namespace mv::platform {

bool ToSystemText(const char* text, String* out) {
  return out->Assign(text == nullptr ? "" : text) != 0;
}

bool FromSystemText(const char* text, String* out) {
  return out->Assign(text == nullptr ? "" : text) != 0;
}

bool FromUtf8Text(const char* text, String* out) {
  out->Empty();
  if (text == nullptr || *text == '\0') return true;
  const int wide_length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  if (wide_length <= 0) return false;
  std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[static_cast<size_t>(wide_length)]);
  if (!wide) return false;
  const size_t wide_bytes = static_cast<size_t>(wide_length) * sizeof(wchar_t);
  bool ok = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide.get(), wide_length) == wide_length;
  // Windows-1252, the packages' code page, whatever the system's is; a
  // character without a form there is refused, never replaced by a look-alike.
  const int length =
      ok ? WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide.get(), -1, nullptr, 0, nullptr, nullptr) : 0;
  char* buffer = length > 0 ? out->GetBuffer(length) : nullptr;
  BOOL lacking = FALSE;
  ok = buffer != nullptr &&
       WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide.get(), -1, buffer, length, nullptr, &lacking) == length &&
       !lacking;
  if (buffer != nullptr) out->ReleaseBuffer();
  SecureWipe(wide.get(), wide_bytes);
  if (!ok) out->Empty();
  return ok;
}

void ShowSystemName(const char* name, String* shown, String* lacking) {
  *shown = name == nullptr ? "" : name;
  *lacking = "";
}

}  // namespace mv::platform
