// Questions about the disk that change nothing: existence, sizes and the
// drive queries (drive type, cluster size, free space). They never fail:
// they answer 0, false, 0.0 or kUnknownSize.
//
// A drive is named by its letter and colon (D:); its root is D:/. On POSIX,
// which has no drive letters, a "drive specification" is any path ending in
// ':' and its "drive" is the file system holding that folder: there are no
// CD-ROM or removable drives there.
#pragma once

#include <cstdint>

#include "base/string.h"

namespace mv {

// A size that is not known, or a path that is not a file.
inline constexpr uint32_t kUnknownSize = 0xFFFFFFFF;

// True when a file (not a folder) of that name exists. A symbolic link
// counts as a file and is not followed.
bool FileExists(const String& path);
// True when anything at all carries the name (a file, a folder, a link,
// which is not followed); a trailing '/' is ignored.
bool PathExists(const String& path);
// True for an existing folder named with its trailing '/', or an existing
// drive root (D:/) of a known drive type.
bool FolderExists(const String& folder);

// The file's size, or kUnknownSize when it is no file or 4 GiB or larger.
uint32_t QueryFileSize(const String& path);
// The size rounded up to whole clusters of its drive: kUnknownSize when it
// is no file (or the rounded size needs more than 32 bits), 0 for an empty
// file or one of unknown size, and 0 when the drive cannot tell its
// cluster size.
uint32_t QueryAllocatedSize(const String& path);

// True when drive is a drive specification of a known type with a root.
bool IsValidDrive(const String& drive);
bool IsCdRomDrive(const String& drive);
bool IsRemovableDrive(const String& drive);
// Bytes per cluster (sectors per cluster x bytes per sector); 0 when the
// drive is invalid or cannot tell.
uint32_t GetClusterSize(const String& drive);
// Free clusters; 0 when the drive is invalid or cannot tell.
uint32_t GetFreeClusters(const String& drive);
// Free bytes; 0.0 when the drive is invalid or cannot tell.
double GetFreeBytes(const String& drive);
// GetFreeBytes capped at 4294967295.
uint32_t GetFreeSpace(const String& drive);

// Free bytes of the volume that would hold path, a file or folder that need
// not exist yet: the volume of its nearest existing folder (of the current
// folder for a relative path none of whose folders exists). Works without
// drive letters, so on POSIX a ':' in the path is an ordinary character.
// False when no such folder is found or the volume cannot tell.
bool QueryFreeBytesFor(const String& path, uint64_t* free_bytes);

}  // namespace mv
