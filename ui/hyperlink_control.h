// The link control of the main dialog: a window class of its own that shows
// its text as underlined blue text and reports a click to its parent like a
// push button (WM_COMMAND with its id and BN_CLICKED). What a click opens is
// the parent's business.
//
// State lives in window properties: "wndtxt" (the text, UTF-16, in a
// zero-filled global memory block, null for an empty text), "font" (the underlined
// system font), "hover" (0 or 1; red instead of blue while set) and "ddd"
// (the pressed flag: set by the first press of the left button and never
// cleared, so from then on every release over the link reports a click).
#pragma once

#include "ui/windows_api.h"

namespace mv::ui {

inline constexpr wchar_t kHyperlinkClassName[] = L"_MyHyperLinkClass_";

// Registers the class (pointing-hand cursor 108, button-face background, no
// icon or menu). The class atom, or 0 when it cannot be registered (also
// when it already is).
ATOM RegisterHyperlinkClass();

// Handles the messages of the table in hyperlink_control.cpp and leaves
// every other one to the default window procedure. The kept text holds at
// most 999 characters of the creation text; WM_SETFONT changes nothing;
// WM_SETTEXT replaces the text and answers 1; WM_GETTEXT copies it out and
// answers the number of characters copied.
LRESULT CALLBACK HyperlinkWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace mv::ui
