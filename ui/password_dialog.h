// The password question before every decryption attempt (dialog 112). The
// dialog only collects the text: no character is refused, nothing trimmed,
// at most 65534 characters kept.
#pragma once

#include "ui/windows_api.h"

#include "base/password.h"

namespace mv::ui {

// The text confirmed with OK, as typed (UTF-16 read wide, in UTF-8); empty
// when the dialog was cancelled or closed, and also for an empty field
// confirmed with OK (the caller treats both as a cancel).
Password AskPassword(HWND owner);

}  // namespace mv::ui
