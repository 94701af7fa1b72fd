// The language the programs speak to this user, chosen once per run for
// dialogs, terminal and result texts alike.
#pragma once

#include "base/language.h"

namespace mv::platform {

// Windows: German when the user's interface language is German
// (GetUserDefaultUILanguage), English otherwise. POSIX: German when the
// first set of LC_ALL, LC_MESSAGES and LANG begins with "de", English
// otherwise.
Language UserLanguage();

}  // namespace mv::platform
