// Brings a decrypted tree from the work folder to the folder the user chose:
// file by file through one fixed buffer, with each file's attribute flags
// and times, going on past a failing file and reporting the last failure.
#pragma once

#include "base/result.h"
#include "base/string.h"

namespace mv {

struct ProgressCallback;

// Copies every file below source into the same relative place below target
// (both folder paths ending in '/'), making folders as files need them (an
// empty source folder is not made). Nothing is ever written through a link:
// below the target, folders and files are reached one component at a time
// and a symbolic link or junction met there fails that file with
// kLinkInTarget; each file is written under a temporary name and renamed
// over its final name, so an existing file with other hard links is
// replaced, not changed through them. kFolderNotFound without a source;
// kTargetFolderExists when anything exists at target (a link too) and
// replace is false (nothing touched); otherwise kOk or the code of the last
// failure in walk order, whose path below the target goes to failed_entry
// when given ("" on success). failed_entries, when given, receives the path
// below the target of every file that was not copied, in walk order.
Result DirectoryCopy(const String& source, const String& target, bool replace, const ProgressCallback* progress,
                     String* failed_entry = nullptr, StringArray* failed_entries = nullptr);

// Copies one file, the same way. target may be a folder path (the source's
// name is then appended). kFileNotFound without a source; kBadArgument for
// a target that names no file; kTargetFileExists when the target exists
// and replace is false, or a write was short; kDiskFull when the target's
// drive has fewer free bytes than the file or the device fills up;
// kCannotOpen when either file cannot be opened (a read-only target
// included); kLinkInTarget for a link at the target's name; MakeFolder's
// code when the target's folder cannot be made; kOutOfMemory without a copy
// buffer.
Result CopySingleFile(const String& source, const String& target, bool replace, const ProgressCallback* progress);

}  // namespace mv
