#include "ui/message_boxes.h"

#include "base/system_helpers.h"

namespace mv::ui {
namespace {

int ShowMessageBox(HWND owner, const String& text, UINT flags) {
  String caption = LoadResString(1);
  return MessageBoxA(owner, text.c_str() == nullptr ? "" : text.c_str(), caption.c_str(), flags);
}

}  // namespace

String FormatResString(uint32_t id, uint32_t number) {
  String text;
  String::Format(text, LoadResString(id).c_str(), static_cast<int>(number));
  return text;
}

String FormatResString(uint32_t id, const String& value) {
  String text;
  String::Format(text, LoadResString(id).c_str(), value.c_str() == nullptr ? "" : value.c_str());
  return text;
}

void ShowError(HWND owner, const String& text) { ShowMessageBox(owner, text, MB_OK | MB_ICONERROR); }

void ShowInfo(HWND owner, const String& text) { ShowMessageBox(owner, text, MB_OK | MB_ICONINFORMATION); }

bool AskYesNo(HWND owner, const String& text) {
  return ShowMessageBox(owner, text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace mv::ui
