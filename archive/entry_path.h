// The rule that keeps archive entries inside the folder they are read into.
// A package comes from outside; its entry names are untrusted text.
#pragma once

#include "base/result.h"

namespace mv {

// Checks the part of an entry's path that is appended to the base folder:
// the relative folder followed by the name, exactly as they are
// concatenated. kOk when every '/'-separated component is a plain name that
// Windows and POSIX both store as given; kUnsafeEntryPath otherwise:
// - an absolute path (leading '/'), an empty component ("a//b"), a drive or
//   stream colon, a backslash or any control character (NUL among them);
// - a component ending in '.' or ' ' (".", "..", and names Windows would
//   silently shorten), holding one of ? < > * | ", or naming a device
//   (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension);
// - a name that holds '/' itself (a name is never a path);
// - for a file, an empty result or a trailing '/' (it would name a folder).
// A folder may end in '/'; an empty folder path names the base folder.
// Null texts count as empty.
Result CheckEntryPath(const char* relative_folder, const char* name, bool is_folder);

}  // namespace mv
