// Brings a decrypted tree from the work folder to the folder the user chose:
// file by file through one fixed buffer, with each file's attribute flags
// and times, going on past a failing file and reporting the most serious
// failure and every file that failed.
#pragma once

#include <cstdint>
#include <vector>

#include "base/result.h"
#include "base/string.h"
#include "platform/confined_folder.h"

namespace mv {

struct ProgressCallback;

// One file a copy could not bring over, and why.
struct CopyFailure {
  String path;  // below the target folder
  Result code;
};

// The folder a copy writes into. It is reached once, when it is first
// needed, the way everything below it is reached
// (platform::ConfinedFolder::OpenTarget): without replace it is made new
// and anything at its name refuses it; with replace an existing folder is
// opened without following a link at its name. From then on the copy, and
// whatever else is written into it (the command line's message file), goes
// through what was opened then, never through its path again.
class TargetFolder {
 public:
  // folder: internal form, ending in '/'.
  TargetFolder(const String& folder, bool replace) : folder_(folder), replace_(replace) {}

  // kOk once the folder is open; kTargetFolderExists (nothing touched)
  // when anything is at its name and replace is not given; kLinkInTarget
  // for a link or junction at its name (or one put there while it was
  // made); kFolderNotMade when it or a missing folder above it cannot be
  // made, or a file is in the way; kDiskFull; kPathTooLong for a name the
  // file system cannot hold. The first answer is kept.
  Result Reach();
  bool IsReached() const { return tree_.IsOpen(); }
  platform::ConfinedFolder& GetTree() { return tree_; }
  const String& GetFolder() const { return folder_; }
  bool Replaces() const { return replace_; }

 private:
  String folder_;
  bool replace_;
  bool tried_ = false;
  Result reached_ = kOk;
  platform::ConfinedFolder tree_;
};

// Told of each file a copy has put at its place, as soon as it is there:
// its path below both folders and its size. A file that failed is not told.
class CopyListener {
 public:
  virtual void Copied(const String& relative, uint64_t size) = 0;

 protected:
  ~CopyListener() = default;
};

// Copies every file below source into the same relative place below target,
// reaching the target when the first file needs it (an empty source makes
// no target folder). Nothing is ever written through a link: source and
// target are both reached one component at a time from their folders'
// descriptors, so paths of any length within the entries' bounds are
// copied, and a symbolic link or junction met below the target fails that
// file with kLinkInTarget; each file is written under a temporary name and
// renamed over its final name, so an existing file with other hard links is
// replaced, not changed through them; an existing file is replaced only
// with replace (into a target folder the copy made itself, where every name
// is new, each file is created at its name at once, exclusively). kFolderNotFound without a source; Reach's codes when the
// target cannot be had (nothing copied); otherwise kOk or the most serious
// failure of a file (a link refused, then a full disk, then any other; the
// first of equal weight in walk order). Every failed file, in walk order,
// goes to failures when given (emptied first); every file copied is told
// to listener when given, on the copy's thread.
Result DirectoryCopy(const String& source, TargetFolder* target, const ProgressCallback* progress,
                     std::vector<CopyFailure>* failures = nullptr, CopyListener* listener = nullptr);
// The same into a target named by its path (internal form, ending in '/').
Result DirectoryCopy(const String& source, const String& target, bool replace, const ProgressCallback* progress,
                     std::vector<CopyFailure>* failures = nullptr);

// Copies one file, the same way. target may be a folder path (the source's
// name is then appended); its folder is the caller's own, made when
// missing. kFileNotFound without a source; kBadArgument for a target that
// names no file; kTargetFileExists when the target exists and replace is
// false, or a write was short; kDiskFull when the target's drive has fewer
// free bytes than the file or the device fills up; kCannotOpen when either
// file cannot be opened (a read-only target included); kLinkInTarget for a
// link at the target's name; MakeFolder's code when the target's folder
// cannot be made; kOutOfMemory without a copy buffer.
Result CopySingleFile(const String& source, const String& target, bool replace, const ProgressCallback* progress);

}  // namespace mv
