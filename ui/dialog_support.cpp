#include "ui/dialog_support.h"

#include "platform/platform.h"
#include "platform/win32/wide_text.h"
#include "ui/resource_ids.h"

namespace mv::ui {

HINSTANCE ProgramModule() {
  void* stored = platform::GetModuleHandle();
  return stored != nullptr ? static_cast<HINSTANCE>(stored) : ::GetModuleHandleW(nullptr);
}

void SetProgramIcon(HWND dialog) {
  HICON icon = LoadIconW(ProgramModule(), MAKEINTRESOURCEW(IDR_PROGRAM_ICON));
  SetClassLongPtrW(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
}

void SetText(HWND window, const String& text) { SetWindowTextW(window, platform::WideOf(text).c_str()); }

void SetItemText(HWND dialog, int control, const String& text) {
  SetDlgItemTextW(dialog, control, platform::WideOf(text).c_str());
}

String DisplayForm(const String& text) {
  // One pass into a buffer of the final size: a long message has many
  // lines, and replacing them one at a time would copy it once per line.
  const int32_t length = text.GetLength();
  int32_t line_feeds = 0;
  for (int32_t i = 0; i < length; ++i) line_feeds += text.GetAt(i) == '\n' ? 1 : 0;
  String shown;
  char* out = shown.GetBuffer(length + line_feeds);
  if (out == nullptr) return String("");
  const char* in = text.c_str();
  for (int32_t i = 0; i < length; ++i) {
    if (in[i] == '\n') *out++ = '\r';
    *out++ = in[i];
  }
  *out = '\0';
  shown.ReleaseBuffer();
  return shown;
}

}  // namespace mv::ui
