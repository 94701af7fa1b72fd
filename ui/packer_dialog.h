// The packer window: one dialog in the user's language that gathers what to
// pack (items given on the command line, added by button or dropped onto
// it), shows their total size and every name the package cannot hold, takes
// the kind, the compression and the password twice (with its strength and a
// proposed passphrase), asks where to save, and packs on a worker thread
// with progress and cancel. At the end it names the package and its size,
// reminds the sender to pass the password on another way and can show the
// package in Explorer. It also offers a shortcut in the Send To menu.
#pragma once

#include <string>
#include <vector>

#include "ui/packer_actions.h"

namespace mv::ui {

// Runs the window until it is closed; items in the program's code page,
// unfit the items given that have no form there (UTF-8), shown as refused.
// Returns 0.
int RunPackerDialog(PackerActions* actions, const std::vector<std::string>& items,
                    const std::vector<std::string>& unfit);

}  // namespace mv::ui
