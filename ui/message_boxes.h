// The program's message boxes: the product name as caption, one text (the
// user's texts are filled in by FormatUserText, fs/system_helpers.h).
#pragma once

#include "ui/windows_api.h"

#include <cstdint>

#include "base/string.h"
#include "fs/system_helpers.h"

namespace mv::ui {

// Message boxes with the owner: error icon and OK; information icon and OK;
// question icon with Yes and No (true for Yes).
void ShowError(HWND owner, const String& text);
void ShowInfo(HWND owner, const String& text);
bool AskYesNo(HWND owner, const String& text);

}  // namespace mv::ui
