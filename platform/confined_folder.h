// Writing, reading and wiping below a folder without ever leaving it. A
// ConfinedFolder is opened once on a root folder; every file and folder it
// reaches afterwards is reached from that root one path component at a
// time, and a symbolic link (POSIX) or reparse point (Windows: symbolic
// links and junctions) met on the way or at the final name is refused,
// never followed, whatever the tree below the root already holds or is
// changed into meanwhile. Paths are never handed to the system whole, so
// their length is bounded only by each name's own limit.
//
// POSIX resolves from folder descriptors (openat / mkdirat with O_NOFOLLOW),
// so a link swapped in after a check is still not followed. Windows does
// the same with handles: each folder is opened relative to the handle of
// its parent (NtCreateFile with a root directory) without following a
// reparse point, its kind is checked on the handle and by its name in the
// parent, and the handles of the folders in use are held open without
// delete sharing, so none of them can be renamed, deleted or replaced while
// the files below them are written; files are made, renamed and deleted
// through their handles relative to their folder's.
//
// Relative paths are '/'-separated, in the program's code page, without a
// leading '/'; a trailing '/' is allowed. The caller has already refused
// empty, "." and ".." components (archive/entry_path.h); they are refused
// here again as kFailed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/string.h"
#include "platform/files.h"

namespace mv::platform {

class OverwriteFile;

enum class ConfinedStatus {
  kOk,
  kLink,         // a symbolic link or reparse point was met (never followed)
  kNotFolder,    // a component that must be a folder is something else
  kExists,       // the final name exists and replacing was not allowed
  kReadOnly,     // the final name is a read-only file (never overwritten)
  kIsFolder,     // the final name is a folder, so no file can take its place
  kDiskFull,     // no space left on the device, or over the user's quota
  kSourceFailed, // reading the source of a copy failed
  kTooLong,      // a name is longer than the file system can hold
  kFailed,       // any other refusal of the system (permissions, bad name)
};

// How a file is put at its final name.
enum class CreateMode {
  // Written at the final name directly: created, or an existing file
  // truncated. For trees this process made itself and nobody else writes
  // into (the owner-only work folder).
  kInPlace,
  // Written under a temporary name (owner-only on POSIX) in the same
  // folder and renamed to the final name by Finish, so a file with several
  // hard links is replaced, not written through. An existing name is
  // refused when the file is begun (Windows) or when Finish finds it taken
  // (POSIX, which looks at it only then).
  kNew,
  // As kNew, but Finish replaces an existing file (not a read-only one, a
  // folder or a link).
  kReplace,
  // For a name that must be free, in a folder the caller made itself (a new
  // target folder): POSIX creates the file at its final name at once,
  // exclusively and never through a link (O_CREAT | O_EXCL | O_NOFOLLOW),
  // so an existing name is refused when the file is begun and nothing
  // existing is ever written through; closing without Finish removes it
  // again (when the name still holds it). That spares the temporary name
  // and the rename, the costliest part of writing many small files.
  // Windows writes as kNew.
  kFresh,
};

class ConfinedFolder;

// A file being written below a ConfinedFolder, finished or abandoned before
// that folder is closed. Closing without Finish removes a temporary file
// again (kNew, kReplace) and leaves an in-place file as far as it was
// written.
class ConfinedFile {
 public:
  ConfinedFile() = default;
  ConfinedFile(const ConfinedFile&) = delete;
  ConfinedFile& operator=(const ConfinedFile&) = delete;
  ~ConfinedFile() { Abandon(); }

  bool IsOpen() const;
  // Writes all length bytes. kDiskFull when the device is full, kFailed on
  // any other failure.
  ConfinedStatus Write(const void* buffer, size_t length);
  // Appends up to length bytes read from source's position: in one system
  // call where the system copies between files itself (POSIX
  // copy_file_range on one file system), else through buffer (buffer_size
  // bytes). *copied is 0 at the source's end.
  ConfinedStatus CopyFrom(SourceFile& source, size_t length, void* buffer, size_t buffer_size, size_t* copied);
  // Sets the times whose has_ flag is set, then exactly the settable
  // attribute bits (files.h), then puts the file at its final name and
  // closes it. An attribute that cannot be stored is dropped as files.h
  // describes; a failure to set times or attributes does not fail the file
  // but sets *info_failed when given. Called once.
  ConfinedStatus Finish(const FileTimes& times, uint32_t attributes, bool* info_failed);
  // Closes the file; a temporary one is removed.
  void Abandon();

 private:
  friend class ConfinedFolder;
  struct State;
  // CopyFrom where the system does not copy: read into buffer, then write.
  ConfinedStatus CopyThroughBuffer(SourceFile& source, size_t length, void* buffer, size_t buffer_size,
                                   size_t* copied) {
    int64_t n = source.Read(buffer, length < buffer_size ? length : buffer_size);
    if (n < 0) return ConfinedStatus::kSourceFailed;
    *copied = static_cast<size_t>(n);
    return n == 0 ? ConfinedStatus::kOk : Write(buffer, static_cast<size_t>(n));
  }

  State* state_ = nullptr;
};

class ConfinedFolder {
 public:
  ConfinedFolder() = default;
  ConfinedFolder(const ConfinedFolder&) = delete;
  ConfinedFolder& operator=(const ConfinedFolder&) = delete;
  ~ConfinedFolder() { Close(); }

  // Opens root, an existing folder (internal form, trailing '/' optional).
  // Links on the way to root itself are those of the caller's own path and
  // are followed as the system follows them; nothing below root ever is.
  bool Open(const char* root);
  // Opens the folder a person named as the target of a copy, reached the
  // way everything below it is: the folders before its last name are the
  // caller's own path (followed as the system follows them; missing ones
  // are made one at a time from the nearest existing one, never through a
  // link); the last name is made (a new folder: kExists when anything,
  // a link included, is there already), or with replace made or opened
  // without following (kLink for a link or junction there, kNotFolder for
  // a file). From then on the folder is used only through what was opened
  // here, whatever happens to its name. A last name of "." or ".." (or a
  // drive root) names the folder itself and counts as existing.
  ConfinedStatus OpenTarget(const char* path, bool replace);
  // Whether the last OpenTarget made the folder itself, so that no name in
  // it can be taken but by this process or whoever may write there (POSIX;
  // Windows, which writes every new file one way, always answers false).
  bool MadeTarget() const { return made_target_; }
  bool IsOpen() const { return state_ != nullptr; }
  void Close();

  // Makes the folder at relative and every missing folder on the way
  // (kShared access). kOk when it exists already as a folder.
  ConfinedStatus MakeFolders(const char* relative);
  // Opens the file at relative for writing in the given mode, making the
  // folders on the way first. An existing folder or link at the final name
  // is refused; so is a read-only file in every mode.
  ConfinedStatus BeginFile(const char* relative, CreateMode mode, ConfinedFile* file);

  // Opens the regular file at relative as the source of a copy (files.h).
  ConfinedStatus OpenSource(const char* relative, SourceFile* file);
  // Opens the regular file at relative for overwriting (overwrite_file.h),
  // making a read-only one writable first.
  ConfinedStatus OpenOverwrite(const char* relative, OverwriteFile* file);
  // Renames the file or folder at relative (a folder with or without its
  // trailing '/') to new_name in the same folder; an existing new_name is
  // never replaced (kExists).
  ConfinedStatus Rename(const char* relative, const char* new_name);
  // Deletes the file at relative, or the empty folder when relative ends in
  // '/'. A link at the name is deleted itself, never followed.
  ConfinedStatus Remove(const char* relative);

 private:
  friend class ConfinedFile;
  struct State;
  State* state_ = nullptr;
  bool made_target_ = false;
};

}  // namespace mv::platform
