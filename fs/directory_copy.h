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
  // Anything at the folder's name (a link to a folder included) while it is
  // neither reached nor to be replaced: the target is refused then, before
  // anything is done.
  bool IsTaken() const;
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

// The free space of the target's file system, asked once per copy; the
// files put there since count against the answer (a device filled by
// others meanwhile still fails the write with kDiskFull).
class TargetRoom {
 public:
  explicit TargetRoom(const String& folder) : folder_(folder) {}
  // Whether size more bytes fit; true when the system cannot tell.
  bool HasRoomFor(uint64_t size);

 private:
  String folder_;
  bool free_known_ = false;
  uint64_t free_bytes_ = 0;
};

// Files of a package delivered straight into the target folder as they are
// read, without a work folder in between (stream/stream.h, the context's
// delivery): the same files reach the same places as by DirectoryCopy from
// a work folder the package was read into. Folders are made only for the
// files in them (an empty folder is not delivered), files in the folders a
// walk leaves out (a recycle bin, a system folder of cached web pages) are
// skipped, the target is reached for the first file, each file is put at
// its place as the copy puts it, a file that cannot be written is reported
// and the next one taken, and the outcome is weighed as the copy's is.
class TargetDelivery {
 public:
  explicit TargetDelivery(TargetFolder* target);
  TargetDelivery(const TargetDelivery&) = delete;
  TargetDelivery& operator=(const TargetDelivery&) = delete;

  // A folder entry of the package: relative below the target (without a
  // trailing '/'), its attribute flags.
  void NoteFolder(const String& relative, uint32_t attributes);
  // Whether the file at relative is delivered (false: its bytes are
  // skipped, nothing is told).
  bool Takes(const String& relative) const;
  // Reaches the target and makes room for a file of size bytes: kOk with
  // the tree to write below and the way to create the file there; else the
  // code to hand to Failed.
  Result Begin(uint64_t size, platform::ConfinedFolder** tree, platform::CreateMode* mode);
  // A file that could not be delivered. kOk to go on with the next file;
  // Reach's code when there is no target folder, which ends the read.
  Result Failed(const String& relative, Result code);
  // kOk when every file taken was delivered; else, as DirectoryCopy's
  // result, the weightiest failure (Reach's code when the target could not
  // be had).
  Result GetResult() const { return result_; }
  // The files that failed, in the order they came.
  const std::vector<CopyFailure>& GetFailures() const { return failures_; }

 private:
  TargetFolder* target_;
  Result result_ = kOk;
  std::vector<CopyFailure> failures_;
  TargetRoom room_;
  // Folders that are left out by their attributes, as NoteFolder saw them.
  StringArray system_folders_;
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
