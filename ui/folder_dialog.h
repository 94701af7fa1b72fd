// The folder dialog (117) after a package of files was decrypted: it lists
// the package's files, proposes a new target folder, lets the user type or
// browse for another, checks the choice and copies the decrypted files
// there. On success it names the folder, opens it in the file manager and
// closes; on a refusal or an error it stays open.
#pragma once

#include "ui/windows_api.h"

#include "app/self_extractor.h"
#include "base/string.h"

namespace mv::ui {

// Runs dialog 117 modally for the attempt's extractor (its work folder holds
// the files). Always 0.
INT_PTR RunFolderDialog(HWND owner, SelfExtractor* extractor);

// The proposed target folder (internal form, ending in '/'): the folder
// named ProposedFolderName(names) in the program's own folder, or on the
// desktop when the program runs from inside the temporary folder or from a
// CD-ROM or removable drive; numbered " (1)", " (2)" ... when that name is
// taken. names may be null.
String DefaultTargetFolder(const StringArray* names);

// The name part of that proposal: the program file's title without files;
// the one file's name; for several, "<first> and <n> more file(s)" (string
// 20) with the first name in ASCII-case-blind order.
String ProposedFolderName(const StringArray* names);

}  // namespace mv::ui
