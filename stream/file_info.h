// A file's or folder's attribute flags and times, read into and applied
// from the file-information record, so decrypted files come back with the
// flags and times they were packed with.
//
// The record (also stored by the archive entries for every file and
// folder): tags 1 system, 2 read-only, 3 archive, 4 hidden, each kTypeU8 of
// value 1 and present only when the flag is set (when applying, a flag
// counts only when its tag gives exactly 1); tags 110 creation, 111 last
// access, 112 last write, each a kTypeBlob of 8 bytes holding a file time
// (100 ns units since 1601-01-01 UTC) low 32-bit half first. Folders carry
// flags only, never times.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "platform/files.h"

namespace mv {

class TagRecord;

inline constexpr uint16_t kInfoTagSystem = 1;
inline constexpr uint16_t kInfoTagReadOnly = 2;
inline constexpr uint16_t kInfoTagArchive = 3;
inline constexpr uint16_t kInfoTagHidden = 4;
inline constexpr uint16_t kInfoTagCreationTime = 110;
inline constexpr uint16_t kInfoTagLastAccessTime = 111;
inline constexpr uint16_t kInfoTagLastWriteTime = 112;

// Adds the set flags and the file's times to info. kFileNotFound when no
// such file exists; kFailed when the flags cannot be read or the file
// cannot be opened for its times (flag tags already written stay); a time
// the system cannot tell (POSIX without a birth time) is left out.
Result GetFileInfo(const String& path, TagRecord* info);
// The times and flags a record asks for: a time whose tag holds an 8-byte
// blob other than 0 (a time of 0 means "not set", as Windows reads it);
// the flags whose tags give exactly 1, as Win32 attribute bits. A null
// record asks for no times and no flags.
void DecodeFileInfo(const TagRecord* info, platform::FileTimes* times, uint32_t* attributes);

// Clears every flag (so a read-only file can be changed), sets the times
// DecodeFileInfo finds (others stay as they are), then sets the flags,
// also when the times could not be set. A null info leaves the file without
// flags and its times unchanged. kFileNotFound, or kFailed when the times or
// the flags cannot be set.
Result SetFileInfo(const String& path, const TagRecord* info);
// SetFileInfo without a record: all flags cleared.
Result ClearFileInfo(const String& path);

// The folder variants work on the folder's flags only. kFailed when the
// folder does not exist or on failure.
Result GetFolderInfo(const String& folder, TagRecord* info);
Result SetFolderInfo(const String& folder, const TagRecord* info);
Result ClearFolderInfo(const String& folder);

}  // namespace mv
