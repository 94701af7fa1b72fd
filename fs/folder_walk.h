// The recursive folder walk that copies, deletions and size totals are built
// on, the rule that keeps walks out of recycle-bin folders and the cache of
// internet files, and the plain listing of a tree.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"

namespace mv {

// Called once per entry. For a file: relative is the path of the file's
// folder below the root ("" for the root itself, else ending in '/') and
// name is the file's name as the system lists it. For a folder: relative is
// the folder's own path below the root, ending in '/', and name is "".
// The user words are handed through unchanged. Return kOk to go on,
// kCancelled to stop the whole walk at once, anything else for an error.
using WalkCallback = Result (*)(const char* root, const char* relative, const char* name,
                                int is_folder, uintptr_t user1, uintptr_t user2,
                                uintptr_t user3);

// Walk options, a bit set; other bits are ignored.
inline constexpr uint32_t kWalkFoldersAfterContents = 2;  // report a folder after its contents
inline constexpr uint32_t kWalkFilesOnly = 8;             // never report folders (still walked)
inline constexpr uint32_t kWalkTopOnly = 16;              // neither report nor enter subfolders
inline constexpr uint32_t kWalkIncludeExcluded = 32;      // do not skip excluded folders
inline constexpr uint32_t kWalkContinueOnError = 64;      // go on, remembering the latest error

// Walks root + relative (relative may be null or "") in the system's
// listing order, calling back per entry as the options say. Returns kOk, the
// latest remembered error (kWalkContinueOnError) or the first one
// (otherwise), kCancelled as soon as a callback or nested walk gives it,
// kBadArgument without callback, kBadFolder when root is not an existing
// folder, kFolderNotFound when a folder cannot be listed. An excluded start
// folder is skipped silently (kOk) unless kWalkIncludeExcluded is set.
// Symbolic links are never entered (they are reported as files).
Result WalkFolder(const String& root, const String& relative, WalkCallback callback,
                  uintptr_t user1, uintptr_t user2, uint32_t options, uintptr_t user3);

// How a walk treats a folder by its name (in any letter case): "recycled"
// and "recycler" are always left out, "temporary internet files" when it
// carries the system attribute.
enum class FolderExclusion { kNone, kAlways, kWithSystemAttribute };
FolderExclusion ExclusionByName(const String& name);

// True for an existing folder left out by that rule.
bool IsExcludedFolder(const String& folder);

// Appends root + relative + name of every entry below root to files,
// folders (with their '/') before their contents, excluded folders left
// out. kBadArgument without an array; otherwise the walk's result.
Result ListFolder(const String& root, StringArray* files);

}  // namespace mv
