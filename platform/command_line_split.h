// The C runtime's split of a Windows command line into arguments, as the
// Microsoft runtime's own start-up does it for main's argv, done here on
// the wide command line (in UTF-8) so that no argument passes through the
// ANSI code page. Shared by both sides so the rules are tested everywhere.
#pragma once

#include "base/string.h"

namespace mv::platform {

// Splits line (UTF-8): the program's name first, up to the first blank or
// tab, or between double quotes when it begins with one, taken as it is;
// then arguments separated by blanks and tabs, where double quotes group
// blanks into one argument, 2n backslashes before a double quote stand for
// n backslashes (the quote then groups), 2n+1 for n and a literal quote, a
// doubled quote inside quotes for one literal quote, and backslashes
// elsewhere for themselves.
StringArray SplitCommandLine(const char* line);

}  // namespace mv::platform
