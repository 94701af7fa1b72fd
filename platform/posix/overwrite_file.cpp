// POSIX side of overwrite_file.h.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

#include "platform/overwrite_file.h"
#include "platform/posix/file_mapping.h"
#include "platform/posix/system_calls.h"

namespace mv::platform {

bool OverwriteFile::Adopt(intptr_t handle) {
  Close();
  const int fd = static_cast<int>(handle);
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  // Opened by a user whom permissions do not stop (root): the read-only
  // flag is cleared all the same, as the wipe clears every flag.
  if ((st.st_mode & posix::kWriteBits) == 0 && fchmod(fd, (st.st_mode & 07777) | S_IWUSR) != 0) {
    close(fd);
    return false;
  }
  handle_ = fd;
  device_ = static_cast<uint64_t>(st.st_dev);
  size_ = static_cast<uint64_t>(st.st_size);
  block_size_ = st.st_blksize > 0 && st.st_blksize <= (1 << 24) ? static_cast<uint32_t>(st.st_blksize) : 0;
  return true;
}

bool OverwriteFile::IsOpen() const { return handle_ >= 0; }

bool OverwriteFile::OverwriteAt(uint64_t offset, const uint8_t* bytes, size_t length) {
  if (handle_ < 0) return false;
  while (length > 0) {
    ssize_t written = posix::WriteSomeAt(static_cast<int>(handle_), bytes, length, static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    length -= static_cast<size_t>(written);
    offset += static_cast<uint64_t>(written);
  }
  return true;
}

void OverwriteFile::StartWriteBack() {
  if (handle_ >= 0) sync_file_range(static_cast<int>(handle_), 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool OverwriteFile::WaitWriteBack() { return handle_ >= 0 && posix::SyncData(static_cast<int>(handle_)) == 0; }

// Each file's pages are written and waited for (sync_file_range: the data
// only, to the device's write cache); then one fdatasync of the last file
// empties that cache, which makes every write completed before it durable,
// the other files' included. Nothing else of the file system is forced out,
// so files just written elsewhere on it (the copies of a decryption) are
// left to the kernel's own write-back instead of being waited for here.
bool OverwriteFile::WaitWriteBackTogether(OverwriteFile* files, size_t count) {
  const OverwriteFile* last = nullptr;
  for (size_t i = 0; i < count; ++i) {
    if (!files[i].IsOpen()) continue;
    if (last != nullptr && files[i].device_ != last->device_) return false;
    last = &files[i];
  }
  // All writes are started before the first is waited for, so the device
  // sees them together.
  constexpr unsigned kWait = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
  for (unsigned flags : {unsigned{SYNC_FILE_RANGE_WRITE}, kWait}) {
    for (size_t i = 0; i < count; ++i) {
      if (files[i].IsOpen() && &files[i] != last &&
          sync_file_range(static_cast<int>(files[i].handle_), 0, 0, flags) != 0) {
        return false;
      }
    }
  }
  return last == nullptr || posix::SyncData(static_cast<int>(last->handle_)) == 0;
}

size_t OverwriteFile::BatchLimit() {
  // Descriptors kept for everything else: the package, folders, the
  // terminal, the runtime.
  constexpr rlim_t kReserved = 64;
  static const size_t limit = [] {
    struct rlimit files;
    if (getrlimit(RLIMIT_NOFILE, &files) != 0) return size_t{0};
    if (files.rlim_cur < files.rlim_max) {
      rlim_t wanted = files.rlim_max == RLIM_INFINITY ? rlim_t{1} << 16 : files.rlim_max;
      struct rlimit raised = {wanted, files.rlim_max};
      if (setrlimit(RLIMIT_NOFILE, &raised) == 0) files.rlim_cur = wanted;
    }
    return files.rlim_cur > kReserved ? static_cast<size_t>(files.rlim_cur - kReserved) : size_t{0};
  }();
  return limit;
}

bool OverwriteFile::TruncateToZero() { return handle_ >= 0 && ftruncate(static_cast<int>(handle_), 0) == 0; }

void OverwriteFile::Close() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
  handle_ = -1;
  size_ = 0;
  block_size_ = 0;
}

}  // namespace mv::platform
