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
// empty source folder is not made). kFolderNotFound without a source;
// kTargetFolderExists when the target exists and replace is false (nothing
// touched); otherwise kOk or the code of the last failure in walk order.
Result DirectoryCopy(const String& source, const String& target, bool replace, const ProgressCallback* progress);

// Copies one file. target may be a folder path (the source's name is then
// appended). kFileNotFound without a source; kTargetFileExists when the
// target exists and replace is false, or a write was short; kDiskFull when
// the target's drive has fewer free bytes than the file; kCannotOpen when
// either file cannot be opened; MakeFolder's code when the target's folder
// cannot be made; kOutOfMemory without a copy buffer.
Result CopySingleFile(const String& source, const String& target, bool replace, const ProgressCallback* progress);

}  // namespace mv
