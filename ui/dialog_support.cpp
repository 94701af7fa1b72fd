#include "ui/dialog_support.h"

#include "platform/language.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"
#include "ui/resource_ids.h"

namespace mv::ui {

HINSTANCE ProgramModule() {
  void* stored = platform::GetModuleHandle();
  return stored != nullptr ? static_cast<HINSTANCE>(stored) : ::GetModuleHandleW(nullptr);
}

const DLGTEMPLATE* DialogTemplate(int dialog, Language language) {
  // The language tags of the dialog resources.
  const WORD tag = language == Language::kGerman ? MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)
                                                 : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const HINSTANCE module = ProgramModule();
  HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(5) /* RT_DIALOG */, MAKEINTRESOURCEW(dialog), tag);
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  return loaded != nullptr ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
}

INT_PTR RunDialog(int dialog, HWND owner, DLGPROC procedure, LPARAM parameter) {
  const HINSTANCE module = ProgramModule();
  const DLGTEMPLATE* form = DialogTemplate(dialog, platform::UserLanguage());
  if (form == nullptr) return DialogBoxParamW(module, MAKEINTRESOURCEW(dialog), owner, procedure, parameter);
  return DialogBoxIndirectParamW(module, form, owner, procedure, parameter);
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
