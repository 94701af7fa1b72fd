// Secure wipe of decrypted data: every file is overwritten in place over
// its whole clusters, synced to the device, truncated, renamed to a
// meaningless name and deleted; every folder is renamed and removed. The
// package reader wipes its work folder this way, and the container writer
// wipes the container file it replaces. On a memory file system (tmpfs)
// the overwrite clears the file's pages themselves and there is no device
// to wait for: everything is done the same but the syncs.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "base/result.h"
#include "base/string.h"
#include "fs/directory_copy.h"

namespace mv {

struct ProgressCallback;

// Wipe modes. Any other value overwrites nothing; the file is still
// truncated, renamed and deleted.
inline constexpr uint8_t kWipeZeros = 0;        // one pass of zero bytes
inline constexpr uint8_t kWipeThreePasses = 1;  // 0xFF, then 0x00, then random bytes

// Bytes per cluster of the drive holding the existing file at path; 0 when
// there is no such file or the drive cannot tell.
uint32_t ClusterSize(const String& path);

// Wipes one file: a batch of one of WipeFolder's wipe. Its flags are
// cleared first, so a read-only file is wiped like any other. Each pass
// writes the file's size rounded up to whole blocks (the slack after the
// last byte is overwritten too), one cluster of the drive per write, and is
// on the device before the next pass or the truncation. Progress: one level
// of 100 for mode 0; phases of 20, 20 and 60 for the passes of mode 1. A
// non-zero answer to a position report (kCancelled) stops the wipe with
// that code and leaves the file partly overwritten but present.
// Results: kOk; kBadArgument (no such file); kOutOfMemory (no overwrite
// buffer); kCannotOverwrite (flags not cleared, file not opened, written
// or synced, or not truncated); kNoFreeTempName; kCannotRenameFile;
// kCannotDeleteFile; or the progress callback's code.
Result WipeFile(const String& path, uint8_t mode, const ProgressCallback* progress);

// Removes a folder whose files have been wiped: clears its flags, renames
// it to a free meaningless name in its parent and deletes it. Anything
// still in it keeps it: nothing that was not wiped is deleted.
// kOk; kBadFolder (no such folder, or flags not cleared); kNoFreeTempName;
// kCannotRenameFolder (not renamed); kCannotRemoveFolder (renamed, not
// deleted).
Result EraseFolder(const String& folder);

// Wipes every file below folder (a folder path) and erases every folder
// below it, deepest first; then erases folder itself unless keep_root is
// set. Files are wiped in batches of open files: the passes are written
// over each file's whole blocks and its write-back to the device is
// started, then the batch is waited for at once (POSIX: each file's data,
// then one flush of the device's cache; Windows: each file), and only then
// is each file truncated, renamed to a meaningless name and deleted, so the
// overwrite is on the device before the blocks are freed while the device
// writes many files at once. On a memory file system nothing is waited for,
// and a tree of thousands of files is shared between two threads. Every
// file and folder below folder is reached
// from folder's own descriptor one name at a time, so a tree of any depth
// and path length is wiped whole. A failure does not stop the wipe: the
// other files are still wiped, and every folder, folder itself included, is
// still erased; a file that could not be overwritten is never deleted, so
// it keeps the folders that hold it. The latest failure is returned.
// kFolderNotFound when folder does not exist. Progress: a phase of
// 10 for listing the tree, then positions by the files wiped; the wipe is
// not cancelled through the progress callback, so that no decrypted file is
// left behind half-way.
Result WipeFolder(const String& folder, uint8_t mode, const ProgressCallback* progress,
                  bool keep_root);

// Wipes the files of a folder while a copy out of it goes on: as the copy's
// listener it is handed each file the copy has put at its place, and a
// thread of its own wipes those files the way WipeFolder does, in batches
// as they come, while the copy works on the next ones. Folders, and files
// never handed over (one whose copy failed), are left for WipeFolder. For
// a copy after which nothing needs the files again (the command line
// copies once; the dialogs may copy again). Without a thread of its own
// (Start false) it wipes nothing, and WipeFolder wipes it all.
class TrailingWipe final : public CopyListener {
 public:
  TrailingWipe(const String& folder, uint8_t mode);
  ~TrailingWipe();
  TrailingWipe(const TrailingWipe&) = delete;
  TrailingWipe& operator=(const TrailingWipe&) = delete;

  // Starts the thread; false when it cannot be had.
  bool Start();
  // relative: a file below the folder that nothing reads any more.
  void Copied(const String& relative, uint64_t size) override;
  // Waits until every file handed over is wiped and ends the thread; the
  // latest failure, or kOk. A file that failed is still in its folder.
  Result Finish();

 private:
  void Run();

  String folder_;
  uint8_t mode_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<String> pending_;
  uint64_t pending_bytes_ = 0;
  bool woken_ = false;
  bool closing_ = false;
  Result latest_ = kOk;
  std::thread thread_;
};

// Test hook: when set, called after each overwrite pass of a file (not yet
// truncated) with the file's path and the number of bytes the pass wrote.
using WipePassHook = void (*)(const String& path, uint64_t bytes_written);
void SetWipePassHookForTesting(WipePassHook hook);

}  // namespace mv
