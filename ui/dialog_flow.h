// The interactive mode on Windows: the disclaimer, then the main dialog,
// whose decrypt button runs one attempt each (ui/dialog_attempt.h).
#pragma once

namespace mv::ui {

// Runs the dialog flow and returns the process exit code: the layout's
// failure when the package cannot be presented, kCancelled when the
// disclaimer was not accepted, kOk otherwise.
int RunDialogFlow();

}  // namespace mv::ui
