// The program's message boxes: string 1 as caption, one text, and the
// texts of the string table filled in with a number or a path.
#pragma once

#include "ui/windows_api.h"

#include <cstdint>

#include "base/string.h"

namespace mv::ui {

// A resource string of the program in the user's language, formatted with
// one number or one text.
String FormatResString(uint32_t id, uint32_t number);
String FormatResString(uint32_t id, const String& text);

// Message boxes with the owner: error icon and OK; information icon and OK;
// question icon with Yes and No (true for Yes).
void ShowError(HWND owner, const String& text);
void ShowInfo(HWND owner, const String& text);
bool AskYesNo(HWND owner, const String& text);

}  // namespace mv::ui
