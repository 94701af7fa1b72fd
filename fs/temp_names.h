// The temporary folder and free names for temporary files and folders.
//
// Names: a unique file name is prefix + a random number 0..32767 in decimal
// + '.' + extension; a temporary folder is prefix + the last three digits
// of such a number + '/'; once those short series are taken, names go on
// with a temporary name of platform/temporary_name.h; a numbered folder is
// "name (1)/", "name (2)/" and so on. The numbers come from the system's
// cryptographic generator, so names cannot be predicted.
// A name counts as free only when nothing at all (file, folder or symbolic
// link) carries it.
#pragma once

#include "base/result.h"
#include "base/string.h"

namespace mv {

namespace platform {
class File;
}  // namespace platform

// The system's temporary folder, internal form, ending in '/'; "" when the
// system cannot tell.
String GetTempFolder();

// A name (without folder) free in folder at the time of the call; "" when
// the folder does not exist or no free name turned up in a bounded number
// of tries. Nothing is created: a caller that creates the file must do so
// exclusively (CreateUniqueFile) where another user could race for it.
String MakeUniqueFileName(const String& folder, const String& prefix, const String& extension);
// folder + MakeUniqueFileName, or "".
String MakeUniqueFilePath(const String& folder, const String& prefix, const String& extension);

// Creates a new file under a unique name in folder, exclusively (never an
// existing file, never through a symbolic link; owner-only on POSIX), opens
// it in file for reading and writing and stores its path. The name is
// prefix + a number below 32768 + '.' + extension; when 1,000 tries find no
// free one, prefix + 16 random hexadecimal digits instead. kFolderNotFound
// when folder does not exist, kNoFreeTempName when every name tried was
// taken, kCannotOpen when the system refuses to create one.
Result CreateUniqueFile(const String& folder, const String& prefix, const String& extension,
                        platform::File* file, String* path);

// Creates a new folder prefix + up to three digits + '/' in parent (the
// temporary folder when parent is "" or not an existing folder), owner-only
// on POSIX, and stores it (internal form, ending in '/'). When 200 random
// picks of that series are all taken (others may fill all 1,000 names), it
// goes on with prefix + 16 random hexadecimal digits. An existing folder is
// never reused: kNoFreeTempName when every candidate was taken,
// kFolderNotMade when the system refuses to create one.
Result CreateTempFolder(const String& parent, const String& prefix, String* folder);
// CreateTempFolder's folder, or "" on failure.
String MakeTempFolder(const String& parent, const String& prefix);

// The wanted folder path (ending in '/') when neither a folder of that name
// nor a file of its name without '/' exists, else the first free one of
// "wanted (1)/", "wanted (2)/" ... ("" only if the numbers run out).
String MakeUniqueFolderPath(const String& wanted);

}  // namespace mv
