#include "ui/message_boxes.h"

#include "fs/system_helpers.h"
#include "platform/win32/wide_text.h"

namespace mv::ui {
namespace {

int ShowMessageBox(HWND owner, const String& text, UINT flags) {
  return MessageBoxW(owner, platform::WideOf(text).c_str(), platform::WideOf(LoadResString(1)).c_str(), flags);
}

}  // namespace

void ShowError(HWND owner, const String& text) { ShowMessageBox(owner, text, MB_OK | MB_ICONERROR); }

void ShowInfo(HWND owner, const String& text) { ShowMessageBox(owner, text, MB_OK | MB_ICONINFORMATION); }

bool AskYesNo(HWND owner, const String& text) {
  return ShowMessageBox(owner, text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace mv::ui
