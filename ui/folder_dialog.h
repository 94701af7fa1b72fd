// The folder dialog (117) after a package of files was decrypted: it lists
// the package's files, proposes a new target folder, lets the user type or
// browse for another, checks the choice and copies the decrypted files
// there (the proposal, the checks and the copy are the shared ones of
// app/decrypt_attempt.h). On success it names the folder, opens it in the
// file manager and closes; on a refusal or an error it stays open.
#pragma once

#include "ui/windows_api.h"

#include "app/self_extractor.h"

namespace mv::ui {

// Runs dialog 117 modally for the attempt's extractor (its work folder holds
// the files). Always 0.
INT_PTR RunFolderDialog(HWND owner, SelfExtractor* extractor);

}  // namespace mv::ui
