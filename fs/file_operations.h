// Changes to the disk outside the data streams: folders made with their
// missing parents, files and whole trees deleted, files and folders renamed.
#pragma once

#include "base/result.h"
#include "base/string.h"

namespace mv {

// Makes the folder (ending in '/') and any missing ancestors. kOk also when
// it exists already; kBadArgument for anything but a folder path;
// kFolderNotMade when a missing parent cannot be made; kFailed when the
// folder cannot be made although its parent exists.
Result MakeFolder(const String& folder);

// kOk, or kCannotDeleteFile (also for a read-only file, which is not
// cleared first).
Result RemoveFile(const String& path);
// kOk also when the folder does not exist; kCannotRemoveFolder when it
// cannot be removed (for example because it is not empty).
Result RemoveEmptyFolder(const String& folder);
// Deletes every file and folder below folder, deepest first, then folder
// itself. Stops at the first failure and returns it, leaving the rest of
// the tree (kCannotDeleteFile, kCannotRemoveFolder or a walk code).
// Symbolic links inside are deleted, never followed.
Result DeleteFolderTree(const String& folder);

// Renames a file within its folder. new_name must be a plain name (no
// separator, not "." or ".."). kFileNotFound; kCannotRenameFile when a file
// of the new name exists, the name is not plain or the rename fails. An
// existing entry is never replaced.
Result RenameFile(const String& path, const String& new_name);
// Renames a folder within its parent. new_name is a plain name, or a full
// folder path (holding ':' or '/') that must lie in the same parent.
// kFolderNotFound; kBadFolder when the full path lies in another parent;
// kCannotRenameFolder when the target exists, the name is not plain or the
// rename fails; kAccessDenied when the system denies access.
Result RenameFolder(const String& folder, const String& new_name);

}  // namespace mv
