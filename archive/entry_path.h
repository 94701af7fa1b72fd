// The rule that keeps archive entries inside the folder they are read into.
// A package comes from outside; its entry names are untrusted text.
#pragma once

#include <cstdint>

#include "base/result.h"

namespace mv {

// The longest entry path accepted, in bytes of the program's code page, and
// the most folder levels it may have. Both lie far beyond what Windows
// itself can create below a folder (260 characters, or 32,767 with long
// paths), and keep the cost of one entry bounded.
inline constexpr uint32_t kMaxEntryPathBytes = 4096;
inline constexpr uint32_t kMaxEntryPathDepth = 256;

// Judges an entry by the path it resolves to below the base folder: the
// relative folder followed by the name, concatenated as they are, so that a
// path may be split anywhere between the two ("top/" + "sub/" and
// "top/sub/" + "" name the same folder). Returns
// - kPathTooLong when the path has more than kMaxEntryPathBytes bytes or
//   kMaxEntryPathDepth components, or a name the file systems of this
//   platform cannot hold (platform/files.h FitsNameLimit: on Linux 255
//   bytes of UTF-8, so a name of Windows-1252 letters with accents may be
//   refused there that Windows takes). The whole path has no other limit:
//   it is written, copied and wiped one name at a time;
// - kUnsafeEntryPath when it is absolute (leading '/'), has an empty, "." or
//   ".." component, a backslash, a drive or stream colon, a control
//   character, or a component naming a device (CON, PRN, AUX, NUL, CONIN$,
//   CONOUT$, COM and LPT with a digit 1-9 or a superscript 1-3, with any
//   extension and with blanks before it), a component ending in '.' or ' '
//   or holding one of ? < > * | " (Windows would store another name or
//   none, and the folder walks and wipes on every platform take such names
//   for invalid paths, so a decrypted file there could not be wiped); for a
//   file, also when the path is empty or ends in '/'.
// - kOk otherwise. A folder path may end in one '/'; an empty folder path
//   names the base folder itself. Null texts count as empty.
Result CheckEntryPath(const char* relative_folder, const char* name, bool is_folder);

}  // namespace mv
