// Pictures that a dialog owns while one of its controls shows them.
#pragma once

#include "ui/windows_api.h"

namespace mv::ui {

// Shows a bitmap in a static control (STM_SETIMAGE) or a button
// (BM_SETIMAGE) and keeps it in the dialog's property "hImage" until
// ReleaseDialogImage, called on WM_DESTROY, deletes it together with any
// copy the control made of it. A null bitmap changes nothing; an image the
// control showed before is deleted. One image per dialog.
void ShowDialogImage(HWND dialog, int control, UINT set_message, HBITMAP bitmap);
void ReleaseDialogImage(HWND dialog, int control, UINT set_message);

}  // namespace mv::ui
