// POSIX rename without replacing (no_replace_rename.h).
#include "platform/posix/no_replace_rename.h"

#include <fcntl.h>
#include <stdio.h>  // RENAME_NOREPLACE
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/posix/system_calls.h"

namespace mv::platform::posix {
namespace {

// Set once the kernel has answered that it has no renameat2 (before 3.15).
std::atomic<bool> g_no_renameat2{false};

int LinkThenUnlink(int from_folder, const char* from, int to_folder, const char* to) {
  if (linkat(from_folder, from, to_folder, to, 0) != 0) return errno;
  if (unlinkat(from_folder, from, 0) == 0) return 0;
  const int error = errno;
  unlinkat(to_folder, to, 0);
  return error;
}

// Takes the name with a placeholder of the same kind (a rename replaces an
// empty folder only by a folder, a file only by a file), then renames over
// it; the placeholder goes again when the rename fails.
int RenameOverPlaceholder(int from_folder, const char* from, int to_folder, const char* to, bool folder) {
  if (folder) {
    if (mkdirat(to_folder, to, 0700) != 0) return errno;
  } else {
    const int fd = openat(to_folder, to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    close(fd);
  }
  if (renameat(from_folder, from, to_folder, to) == 0) return 0;
  const int error = errno;
  unlinkat(to_folder, to, folder ? AT_REMOVEDIR : 0);
  return error;
}

bool CannotLink(int error) { return error == EPERM || error == EOPNOTSUPP || error == EMLINK; }

}  // namespace

int RenameNoReplace(int from_folder, const char* from, int to_folder, const char* to) {
  if (Injected(SystemCall::kRename)) return errno;
  if (!g_no_renameat2.load(std::memory_order_relaxed)) {
    // Called directly: the C library's wrapper reports a kernel without the
    // call as EINVAL, like a file system without the flag, which would hide
    // what can be remembered for the whole process.
    if (syscall(SYS_renameat2, from_folder, from, to_folder, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno == ENOSYS) {
      g_no_renameat2.store(true, std::memory_order_relaxed);
    } else if (errno != EINVAL) {
      return errno;
    }
  }
  struct stat st;
  if (fstatat(from_folder, from, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  const bool folder = S_ISDIR(st.st_mode);
  if (!folder) {
    const int error = LinkThenUnlink(from_folder, from, to_folder, to);
    if (!CannotLink(error)) return error;
  }
  return RenameOverPlaceholder(from_folder, from, to_folder, to, folder);
}

}  // namespace mv::platform::posix
