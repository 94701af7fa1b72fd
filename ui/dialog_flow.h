// The interactive mode: disclaimer, main dialog, and per press of the main
// dialog's decrypt button one attempt of password, progress window and then
// the folder dialog or the message view. mv::RunInteractive (app/entry.h)
// is defined here on Windows.
#pragma once

#include "ui/windows_api.h"

#include "base/result.h"

namespace mv::ui {

// One decryption attempt for the main dialog (owner): asks for the password
// (an empty answer ends the attempt with kCancelled and no message), shows
// the progress window while the package is decrypted, reports a failure in a
// message box (string 21 for kCancelled, 4 for kWrongPassword, 3 with the
// code otherwise) and returns it; on success shows the folder dialog, or the
// message view when the package holds a message text, and returns kOk. The
// password is wiped and the temporary file and work folder removed before
// it returns.
Result RunDecryptAttempt(HWND owner);

}  // namespace mv::ui
