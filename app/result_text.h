// A short description of a result code in English or German, for the
// reports of the terminal flow and of the packer.
#pragma once

#include "base/result.h"

namespace mv {

// "wrong password", "not a container", ... (German: "falsches Passwort",
// ...); "error" ("Fehler") for a code without one. Texts are in the
// program's code page.
const char* DescribeResult(Result code, bool german = false);

}  // namespace mv
