// The disclaimer that must be accepted before anything else happens. Its
// accept button stays disabled until the text has been scrolled to within
// 15 lines of its end (a text that needs no scrolling enables it at once);
// once enabled it stays so.
#pragma once

#include "ui/windows_api.h"

#include "base/string.h"

namespace mv::ui {

// Sent by the disclaimer's text field to the dialog after each scroll-bar
// action, before the field scrolls.
inline constexpr UINT kDisclaimerScrolled = WM_USER + 666;

// True at once for an empty text; otherwise shows dialog 111 modally without
// owner and gives true only when the user accepted.
bool RunDisclaimer(const String& text);

// The text field's window procedure while the dialog runs: tells the dialog
// about every WM_VSCROLL (kDisclaimerScrolled), then hands the message on;
// a key or the mouse wheel, which scroll the field without a scroll-bar
// message, is told about after the field has handled it.
LRESULT CALLBACK DisclaimerEditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam);

// The read rule: the text counts as read when the scroll position is at
// least the range's maximum minus 15.
bool IsScrolledToEnd(int position, int maximum);

}  // namespace mv::ui
