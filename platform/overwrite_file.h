// A file opened for overwriting in place, as the secure wipe does it: the
// bytes go over the file's own blocks, their write-back to the device is
// started at once and waited for later, so that many files can be flushed
// together, and only then is the file cut to nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mv::platform {

class ConfinedFolder;

class OverwriteFile {
 public:
  OverwriteFile() = default;
  OverwriteFile(const OverwriteFile&) = delete;
  OverwriteFile& operator=(const OverwriteFile&) = delete;
  ~OverwriteFile() { Close(); }

  // Opened through ConfinedFolder::OpenOverwrite, never by path.
  bool IsOpen() const;
  // The size when it was opened.
  uint64_t GetSize() const { return size_; }
  // The file system's preferred block (POSIX st_blksize); 0 when unknown.
  uint32_t GetBlockSize() const { return block_size_; }

  // Writes the length bytes at bytes over the file's own blocks at offset.
  // False on any failure (then some of them may have been written).
  bool OverwriteAt(uint64_t offset, const uint8_t* bytes, size_t length);
  // Starts writing the file's changed pages to the device without waiting
  // (POSIX sync_file_range; Windows has no such call and does nothing).
  void StartWriteBack();
  // Waits until the file's data is on the device (fdatasync,
  // FlushFileBuffers). False on failure.
  bool WaitWriteBack();
  // Waits until the data of every open file of files[0..count) is on the
  // device, for files that lie on one file system: POSIX writes each file's
  // data and waits for it, then empties the device's write cache once (one
  // flush instead of one per file, and nothing else of the file system
  // forced out); Windows flushes each file. False when that fails, or when
  // the files lie on more than one file system (POSIX; then each is waited
  // for by itself).
  static bool WaitWriteBackTogether(OverwriteFile* files, size_t count);
  // How many files one batch may hold open together: POSIX raises the
  // process's soft limit of open files to its hard limit (once) and leaves
  // room for the rest of the program; Windows has no such limit.
  static size_t BatchLimit();
  // Cuts the file to 0 bytes. False on failure.
  bool TruncateToZero();
  void Close();

 private:
  friend class ConfinedFolder;  // opens files relative to a folder
  // Takes a handle opened for writing (closed on failure): false for
  // anything but a regular file.
  bool Adopt(intptr_t handle);

  intptr_t handle_ = -1;
  uint64_t size_ = 0;
  uint32_t block_size_ = 0;
  uint64_t device_ = 0;  // POSIX: the file system holding the file
};

}  // namespace mv::platform
