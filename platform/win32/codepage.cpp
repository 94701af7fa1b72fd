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

namespace {

// count UTF-16 units -> Windows-1252, the packages' code page, whatever the
// system's is; a character without a form there (a lone surrogate
// included) is refused, never replaced by a look-alike.
bool FromWide(const wchar_t* wide, int count, String* out) {
  out->Empty();
  if (count == 0) return true;
  const int length = WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide, count, nullptr, 0, nullptr, nullptr);
  char* buffer = length > 0 ? out->GetBuffer(length) : nullptr;
  if (buffer == nullptr) return false;
  BOOL lacking = FALSE;
  const bool ok =
      WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide, count, buffer, length, nullptr, &lacking) == length &&
      !lacking;
  buffer[ok ? length : 0] = '\0';
  out->ReleaseBuffer();
  if (!ok) out->Empty();
  return ok;
}

// A buffer of count UTF-16 units that is wiped when it goes: it holds
// passwords.
class WideText {
 public:
  explicit WideText(size_t count) : count_(count), units_(new (std::nothrow) wchar_t[count == 0 ? 1 : count]) {}
  ~WideText() {
    if (units_) SecureWipe(units_.get(), count_ * sizeof(wchar_t));
  }
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;
  wchar_t* get() { return units_.get(); }

 private:
  size_t count_;
  std::unique_ptr<wchar_t[]> units_;
};

}  // namespace

bool FromUtf8Text(const char* text, String* out) {
  out->Empty();
  if (text == nullptr || *text == '\0') return true;
  const int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  if (count <= 0) return false;
  WideText wide(static_cast<size_t>(count));
  return wide.get() != nullptr &&
         MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide.get(), count) == count &&
         FromWide(wide.get(), count - 1, out);  // without the terminating NUL
}

bool FromUtf16LeText(const unsigned char* bytes, size_t length, String* out) {
  const size_t count = length / 2;
  if (count > 0x3FFFFFFF) {
    out->Empty();
    return false;
  }
  WideText wide(count);
  if (wide.get() == nullptr) {
    out->Empty();
    return false;
  }
  for (size_t i = 0; i < count; ++i) wide.get()[i] = static_cast<wchar_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return FromWide(wide.get(), static_cast<int>(count), out);
}

void ShowSystemName(const char* name, String* shown, String* lacking) {
  *shown = name == nullptr ? "" : name;
  *lacking = "";
}

}  // namespace mv::platform
