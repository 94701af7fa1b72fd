// Helpers over the standard dialogs, the clipboard and dialog controls that
// the program's dialogs use. Paths come back in the internal form ('/'
// separators; folders with a trailing '/').
#pragma once

#include "ui/windows_api.h"

#include <vector>

#include "base/result.h"
#include "base/string.h"

namespace mv::ui {

// The platform's save-file dialog (explorer style, long names, no read-only
// box, the current folder left alone, a question before an existing file is
// replaced). The file-name field starts with *path (at most 259
// characters); the initial folder is used only when it exists; filters are
// (description, pattern) pairs. kOk and *path the chosen file, or
// kCancelled and *path "" when cancelled or the dialog failed.
Result GetSaveFilePath(HWND owner, const String& title, const StringArray& filters, const String& initial_folder,
                       const char* default_extension, String* path);

// The filter list as one block: every string followed by a NUL, and one NUL
// more at the end (a single NUL for an empty list).
std::vector<wchar_t> FilterBlock(const StringArray& filters);

// The platform's folder browser over the whole namespace, file-system
// folders only. kOk and *folder the chosen folder when it exists; kFailed
// otherwise (*folder "" when nothing could be chosen).
Result BrowseForFolder(HWND owner, const String& title, String* folder);

// Replaces the clipboard's contents with the text (CF_UNICODETEXT). False when the
// clipboard could not be opened or the text not placed.
bool CopyTextToClipboard(const String& text, HWND owner = nullptr);

// The control's text, at most 65534 characters, in the program's code page;
// "" when it holds a character without a form there.
String GetDlgItemString(HWND dialog, int control);

// Sets the list box's horizontal extent to the width of its widest item in
// the list's font (and a small margin), so that a name wider than the list
// gets a horizontal scroll bar instead of being cut. Call after filling it.
void FitListHorizontalExtent(HWND list);

// The window's rectangle in its parent's client coordinates (screen
// coordinates for a window without parent).
void GetChildRect(HWND window, RECT* rect);

}  // namespace mv::ui
