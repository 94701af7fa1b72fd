// The packer window: a wizard in the user's language, one step at a time
// with Back, Next and Cancel. What to pack (items given on the command
// line, added by button or dropped onto it; their total size and every name
// the package cannot hold); the kind, the compression and the classic kind;
// the optional layout (description, link, disclaimer, picture and an e-mail
// text whose attachments the items become) with a preview of the receiver's
// main dialog; the password twice (with its strength and a proposed
// passphrase), then Save As and the packing on a worker thread with
// progress and cancel. At the end it names the package and its size,
// reminds the sender to pass the password on another way, can show the
// package in Explorer and offers a shortcut in the Send To menu.
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
