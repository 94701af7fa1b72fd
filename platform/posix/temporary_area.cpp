// POSIX side of temporary_area.h.
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/codepage.h"
#include "platform/system_faults.h"
#include "platform/temporary_area.h"

namespace mv::platform {
namespace {

bool IsMemoryFileSystem(const struct statfs& fs) {
  return static_cast<unsigned long>(fs.f_type) == TMPFS_MAGIC ||
         static_cast<unsigned long>(fs.f_type) == RAMFS_MAGIC;
}

}  // namespace

bool QueryAreaFacts(const char* folder, AreaFacts* facts) {
  String system_path;
  const Fault answer = NextFault(SystemCall::kAreaFacts);
  const Fault space = NextFault(SystemCall::kFreeSpace);
  if ((answer != Fault::kNone && answer != Fault::kMemoryFileSystem) ||
      (space != Fault::kNone && space != Fault::kDiskFull)) {
    return false;
  }
  if (!ToSystemText(folder, &system_path) || system_path.IsEmpty()) return false;
  int fd = open(system_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  struct statfs fs;
  struct statvfs vfs;
  const bool known = fstat(fd, &st) == 0 && fstatfs(fd, &fs) == 0 && fstatvfs(fd, &vfs) == 0;
  close(fd);
  if (!known) return false;
  *facts = AreaFacts();
  facts->in_memory = answer == Fault::kMemoryFileSystem || IsMemoryFileSystem(fs);
  // A file system without blocks (ramfs) has no size to run out of.
  const uint64_t block = vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize;
  facts->free_known = vfs.f_blocks != 0 && block != 0;
  if (facts->free_known) {
    const uint64_t blocks = static_cast<uint64_t>(vfs.f_bavail);
    facts->free_bytes = blocks > UINT64_MAX / block ? UINT64_MAX : blocks * block;
  }
  if (space == Fault::kDiskFull) {
    facts->free_known = true;
    facts->free_bytes = 0;
  }
  const bool trusted_owner = st.st_uid == geteuid() || st.st_uid == 0;
  const bool others_write = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0;
  facts->shared_unguarded = !trusted_owner || others_write;
  facts->writable = faccessat(AT_FDCWD, system_path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
  return true;
}

bool QueryChosenTempFolder(String* folder) {
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir == nullptr || tmpdir[0] != '/' || !FromSystemText(tmpdir, folder)) return false;
  if (folder->GetAt(folder->GetLength() - 1) != '/') *folder += "/";
  return true;
}

StringArray ListMemoryAreaCandidates() {
  StringArray folders;
  String runtime;
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg != nullptr && xdg[0] == '/' && FromSystemText(xdg, &runtime)) {
    if (runtime.GetAt(runtime.GetLength() - 1) != '/') runtime += "/";
    folders.Add(runtime);
  }
  folders.Add(String("/dev/shm/"));
  folders.Add(String("/tmp/"));
  return folders;
}

bool LifeLock::Hold(const char* path) {
  Release();
  String system_path;
  if (!ToSystemText(path, &system_path) || system_path.IsEmpty()) return false;
  int fd = open(system_path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))) {
    close(fd);
    return false;
  }
  int rc;
  do {
    rc = flock(fd, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

bool LifeLock::TakeAbandoned(const char* path, bool folder, LeftoverFacts* facts) {
  Release();
  String system_path;
  if (!ToSystemText(path, &system_path) || system_path.IsEmpty()) return false;
  const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (folder ? O_DIRECTORY : 0);
  int fd = open(system_path.c_str(), flags);
  if (fd < 0) return false;
  struct stat st;
  const bool kind = fstat(fd, &st) == 0 && (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
  // Looked at after the lock is taken: whoever made it writes nothing
  // before holding its lock, so an entry found empty may still be starting.
  if (!kind || st.st_uid != geteuid() || flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &st) != 0) {
    close(fd);
    return false;
  }
  facts->empty = st.st_size == 0;
  if (folder) {
    facts->empty = true;
    alignas(struct dirent64) char buffer[1024];
    ssize_t n = getdents64(fd, buffer, sizeof buffer);
    for (ssize_t offset = 0; offset < n && facts->empty;) {
      const auto* item = reinterpret_cast<const struct dirent64*>(buffer + offset);
      offset += item->d_reclen;
      if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0) facts->empty = false;
    }
    if (n < 0) facts->empty = false;  // unreadable: treated as holding something
  }
  const time_t now = time(nullptr);
  facts->idle_seconds = now > st.st_ctime ? static_cast<uint64_t>(now - st.st_ctime) : 0;
  handle_ = fd;
  return true;
}

void LifeLock::Release() {
  if (handle_ != -1) close(static_cast<int>(handle_));
  handle_ = -1;
}

}  // namespace mv::platform
