// What every dialog of the program does alike: the module its resources come
// from, the program icon on the dialog class, and the form in which edit
// controls show texts.
#pragma once

#include "ui/windows_api.h"

#include "base/string.h"

namespace mv::ui {

// The program's own module: the one the entry point stored, or the
// executable's when none was stored (the tests).
HINSTANCE ProgramModule();

// Puts icon 111 on the window class of the dialog, so that every dialog and
// message box of the program carries it in its caption.
void SetProgramIcon(HWND dialog);

// Sets the text of a window, or of a dialog's control, from program text:
// converted to UTF-16 by the program's own code page table, never through
// the ANSI code page, so it reads the same on every Windows.
void SetText(HWND window, const String& text);
void SetItemText(HWND dialog, int control, const String& text);

// The form in which an edit control shows a text: every line feed becomes
// carriage return + line feed; a carriage return already in front of it
// stays, so such a pair becomes CR CR LF (which the control shows as one
// line break).
String DisplayForm(const String& text);

}  // namespace mv::ui
