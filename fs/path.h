// The internal path form and the pure string helpers over it. None of these
// functions touches the disk.
//
// Internal form: '/' separates names, a folder is named with its trailing
// '/' (D:/data/, docs/), a file path ends in neither '/' nor ':'
// (D:/data/a.txt), a drive specification ends in its only ':' (D:) and a
// drive root is D:/. Relative paths inside a tree use the same form: sub/,
// sub/a.txt, and "" for the top. The native form (every '/' a '\') exists
// only for the moment of a call into the operating system.
//
// All tests work on bytes of the program's code page, without case folding.
// Builders return a new String ("" rather than no text when empty).
#pragma once

#include "base/string.h"

namespace mv {

// Every '\' replaced by '/'; nothing else changes (no collapsing of doubled
// separators, no removal of "." or "..").
String ToInternalPath(const String& path);
// Every '/' replaced by '\'.
String ToNativePath(const String& path);
// The form in which a person reads a path: the native form on Windows, the
// internal form (already the system's) elsewhere.
String ToDisplayPath(const String& path);
// Internal form with one trailing '/' removed; D:/ and / keep theirs, x//
// becomes x/.
String StripTrailingSlash(const String& path);
// Internal form ending in '/'; the empty path stays empty.
String AddTrailingSlash(const String& path);

// Non-empty and free of the refused characters \ ? < > * | and the double
// quote. The colon is allowed anywhere.
bool IsValidPath(const String& path);
// Valid, and the last character is neither '/' nor ':'. Not converted first:
// a path in native form is neither a file nor a folder path.
bool IsFilePath(const String& path);
// Valid, and the last character is '/'.
bool IsFolderPath(const String& path);
// At least two characters, and the last ':' is the final character.
bool IsDriveSpec(const String& path);

// The name part of a file path (after its last '/'), else "".
String GetFileName(const String& path);
// GetFileName without its last extension: a.tar.gz -> a.tar, .profile -> "".
String GetFileTitle(const String& path);
// The text after the last '.' of the whole path, else "": x.d/a -> d/a.
String GetFileExtension(const String& path);
// A folder path unchanged; otherwise the text before the last '/' with a
// trailing '/' ("" when there is none). Expects the internal form.
String GetFolderPart(const String& path);
// The text up to and including the first ':', else "".
String GetDriveSpec(const String& path);
// The folder holding a file or folder, with '/': D:/x/y/ -> D:/x/,
// D:/a.txt -> D:/. "" for a drive root, a top-level relative folder
// (abcd/) and anything that is neither a file nor a folder path.
String GetParentFolder(const String& path);

}  // namespace mv
