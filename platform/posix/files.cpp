// POSIX side of the file-system seam of files.h. How Win32 notions map here
// is described in files.h; the comments below say what each call cannot
// represent.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/posix/file_mapping.h"
#include "platform/posix/no_replace_rename.h"
#include "platform/posix/system_calls.h"
#include "platform/temporary_area.h"

namespace mv::platform {
namespace {

using posix::kAttributeName;
using posix::kExtendedBits;
using posix::kWriteBits;
using posix::ToFileTime;

// The path in the system's encoding; false when it has none.
bool SystemPath(const char* path, String* out) { return ToSystemText(path, out); }

bool LinkStat(const String& system_path, struct stat* st) {
  return lstat(system_path.c_str(), st) == 0;
}

uint32_t ReadExtendedBits(const char* system_path) {
  unsigned char raw[4];
  ssize_t n = lgetxattr(system_path, kAttributeName, raw, sizeof raw);
  if (n != static_cast<ssize_t>(sizeof raw)) return 0;  // none, no support, or foreign
  return posix::DecodeBits(raw);
}

bool NoExtendedAttributeSupport(int error) {
  return error == ENOTSUP || error == EOPNOTSUPP;
}

// Stores bits (0 removes the attribute). A file system without user
// extended attributes drops them: reading them back then reports not set.
bool WriteExtendedBits(const char* system_path, uint32_t bits) {
  if (bits == 0) {
    if (lremovexattr(system_path, kAttributeName) == 0) return true;
    return errno == ENODATA || NoExtendedAttributeSupport(errno);
  }
  unsigned char raw[4];
  posix::EncodeBits(bits, raw);
  if (lsetxattr(system_path, kAttributeName, raw, sizeof raw, 0) == 0) return true;
  return NoExtendedAttributeSupport(errno);
}

bool ChangeMode(const char* system_path, mode_t mode) {
  // Refuses to act through a symbolic link put in place since the lstat.
  return fchmodat(AT_FDCWD, system_path, mode, AT_SYMLINK_NOFOLLOW) == 0;
}

uint32_t Cap32(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value); }

void FillEntry(const struct stat& st, FolderEntry* entry) {
  entry->is_folder = S_ISDIR(st.st_mode);
  entry->size = entry->is_folder ? 0 : static_cast<uint64_t>(st.st_size);
}

// The times a stat reports; it has no birth time.
FileTimes TimesOf(const struct stat& st) {
  FileTimes times;
  times.last_access = ToFileTime(st.st_atim.tv_sec, static_cast<uint32_t>(st.st_atim.tv_nsec));
  times.last_write = ToFileTime(st.st_mtim.tv_sec, static_cast<uint32_t>(st.st_mtim.tv_nsec));
  times.has_last_access = times.has_last_write = true;
  return times;
}

// Set once the kernel has answered that it has no statx (before 4.11):
// times then come from lstat, without a birth time.
std::atomic<bool> g_no_statx{false};

// statx is called directly: the C library's wrapper would find it missing
// anew on every call before falling back.
bool ReadTimesWithStatx(const char* system_path, FileTimes* times) {
  struct statx sx;
  if (syscall(SYS_statx, AT_FDCWD, system_path, AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_ATIME | STATX_MTIME,
              &sx) != 0) {
    return false;
  }
  *times = FileTimes();
  if ((sx.stx_mask & STATX_BTIME) != 0) {
    times->creation = ToFileTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
    times->has_creation = true;
  }
  if ((sx.stx_mask & STATX_ATIME) != 0) {
    times->last_access = ToFileTime(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    times->has_last_access = true;
  }
  if ((sx.stx_mask & STATX_MTIME) != 0) {
    times->last_write = ToFileTime(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    times->has_last_write = true;
  }
  return true;
}

// Opens with flags and returns the descriptor, refusing anything but a
// regular file (a folder or a device would open here but not on Windows; a
// FIFO must not block the open).
int OpenRegular(const char* path, int flags, mode_t mode) {
  String system_path;
  if (!SystemPath(path, &system_path)) return -1;
  // A read-only file (no write bit) is not opened for writing, as Windows
  // refuses it, also for a user whom the permissions would not stop (root).
  // Checked before open, which would already truncate it.
  struct stat existing;
  if ((flags & (O_WRONLY | O_RDWR)) != 0 && lstat(system_path.c_str(), &existing) == 0 &&
      S_ISREG(existing.st_mode) && (existing.st_mode & kWriteBits) == 0) {
    return -1;
  }
  // O_NONBLOCK keeps a FIFO from blocking the open; on the regular file
  // that is all this accepts it changes nothing, so it stays set.
  int fd = open(system_path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

std::FILE* AdoptDescriptor(int fd, const char* mode) {
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, mode);
  if (file == nullptr) close(fd);
  return file;
}

}  // namespace

// --- Listing -------------------------------------------------------------------

// Read with getdents64 straight into one buffer: what opendir adds (a stat
// of the folder to size its buffer) would cost a call per folder.
struct FolderListing::State {
  int fd = -1;
  size_t size = 0;    // bytes of buffer filled
  size_t offset = 0;  // the next record in buffer
  alignas(struct dirent64) char buffer[16 * 1024];
};

bool FolderListing::Open(const char* folder) {
  Close();
  String system_path;
  if (!SystemPath(folder, &system_path)) return false;
  int fd = open(system_path.c_str(), O_RDONLY | O_NONBLOCK | O_DIRECTORY | O_CLOEXEC);
  return fd >= 0 && Adopt(fd);
}

bool FolderListing::OpenSub(const FolderListing& parent, const char* name) {
  String system_name;
  if (parent.state_ == nullptr || this == &parent || !SystemPath(name, &system_name)) return false;
  Close();
  int fd = openat(parent.state_->fd, system_name.c_str(), O_RDONLY | O_NONBLOCK | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  return fd >= 0 && Adopt(fd);
}

bool FolderListing::Adopt(intptr_t handle) {
  state_ = new (std::nothrow) State;
  if (state_ == nullptr) {
    close(static_cast<int>(handle));
    return false;
  }
  state_->fd = static_cast<int>(handle);
  return true;
}

bool FolderListing::Next(FolderEntry* entry) {
  if (state_ == nullptr) return false;
  for (;;) {
    if (state_->offset >= state_->size) {
      ssize_t n = getdents64(state_->fd, state_->buffer, sizeof state_->buffer);
      if (n <= 0) return false;
      state_->size = static_cast<size_t>(n);
      state_->offset = 0;
    }
    const auto* item = reinterpret_cast<const struct dirent64*>(state_->buffer + state_->offset);
    state_->offset += item->d_reclen;
    // Names the program's code page cannot write are left out: the system
    // could not name them again.
    if (!FromSystemText(item->d_name, &entry->name)) continue;
    entry->size = 0;
    // The kind the folder tells is enough; only a file system that does
    // not tell it costs a stat. A link is a file to the listing.
    if (item->d_type != DT_UNKNOWN) {
      entry->is_folder = item->d_type == DT_DIR;
      return true;
    }
    struct stat st;
    // Gone since it was listed (or unreadable): a file.
    entry->is_folder = fstatat(state_->fd, item->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    return true;
  }
}

void FolderListing::Close() {
  if (state_ == nullptr) return;
  close(state_->fd);
  delete state_;
  state_ = nullptr;
}

bool QueryEntry(const char* path, FolderEntry* entry) {
  String system_path;
  struct stat st;
  if (!SystemPath(path, &system_path) || !LinkStat(system_path, &st)) return false;
  FillEntry(st, entry);
  const char* slash = std::strrchr(path, '/');
  entry->name = slash == nullptr ? path : slash + 1;
  return true;
}

bool FitsNameLimit(const char* name, size_t length) {
  if (length > NAME_MAX) return false;
  String system_name;
  return ToSystemText(String(name).Left(static_cast<int32_t>(length)).c_str(), &system_name) &&
         system_name.GetLength() <= NAME_MAX;
}

// Only folders exist as "roots" here; there are no removable or CD-ROM
// drives to tell apart.
uint32_t QueryDriveType(const char* root) {
  String system_path;
  struct stat st;
  if (!SystemPath(root, &system_path) || stat(system_path.c_str(), &st) != 0) {
    return kDriveNoRootFolder;
  }
  return S_ISDIR(st.st_mode) ? kDriveFixed : kDriveNoRootFolder;
}

bool QueryDiskSpace(const char* path, DiskSpace* space) {
  String system_path;
  struct statvfs vfs;
  const Fault fault = NextFault(SystemCall::kFreeSpace);
  if (fault != Fault::kNone && fault != Fault::kDiskFull) return false;
  if (!SystemPath(path, &system_path) || statvfs(system_path.c_str(), &vfs) != 0) return false;
  if (fault == Fault::kDiskFull) vfs.f_bavail = 0;
  uint64_t block = vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize;
  if (block == 0 || block > 0xFFFFFFFFu) return false;
  space->sectors_per_cluster = 1;
  space->bytes_per_sector = static_cast<uint32_t>(block);
  space->free_clusters = Cap32(vfs.f_bavail);
  space->total_clusters = Cap32(vfs.f_blocks);
  return true;
}

bool QueryTempFolder(String* folder) { return QueryChosenTempFolder(folder) || folder->Assign("/tmp/") != 0; }

// --- Attributes and times ------------------------------------------------------------

// A symbolic link has no permission bits or user attributes of its own: it
// reads as a file without attributes. A folder keeps read-only with the
// other flags, as a folder without write permission could not be filled.
uint32_t ReadAttributes(const char* path) {
  String system_path;
  struct stat st;
  if (!SystemPath(path, &system_path) || !LinkStat(system_path, &st)) return kInvalidAttributes;
  if (S_ISLNK(st.st_mode)) return 0;
  uint32_t stored = ReadExtendedBits(system_path.c_str());
  if (S_ISDIR(st.st_mode)) return kAttributeDirectory | (stored & kAttributeSettable);
  uint32_t attributes = stored & kExtendedBits;
  if ((st.st_mode & kWriteBits) == 0) attributes |= kAttributeReadOnly;
  return attributes;
}

bool WriteAttributes(const char* path, uint32_t attributes) {
  String system_path;
  struct stat st;
  if (!SystemPath(path, &system_path) || !LinkStat(system_path, &st)) return false;
  if (S_ISLNK(st.st_mode)) return true;  // nothing to keep on a link
  const char* p = system_path.c_str();
  if (S_ISDIR(st.st_mode)) return WriteExtendedBits(p, attributes & kAttributeSettable);
  mode_t mode = st.st_mode & 07777;
  // Changing user attributes needs write permission: grant the owner write
  // first, take it away last.
  if ((mode & S_IWUSR) == 0 && !ChangeMode(p, mode | S_IWUSR)) return false;
  bool ok = WriteExtendedBits(p, attributes & kExtendedBits);
  mode_t wanted = (attributes & kAttributeReadOnly) != 0 ? (mode & ~kWriteBits) : (mode | S_IWUSR);
  if (!ChangeMode(p, wanted)) ok = false;
  return ok;
}

bool ReadFileTimes(const char* path, FileTimes* times) {
  String system_path;
  if (!SystemPath(path, &system_path)) return false;
  if (!g_no_statx.load(std::memory_order_relaxed)) {
    if (ReadTimesWithStatx(system_path.c_str(), times)) return true;
    if (errno != ENOSYS) return false;
    g_no_statx.store(true, std::memory_order_relaxed);
  }
  struct stat st;
  if (!LinkStat(system_path, &st)) return false;
  *times = TimesOf(st);
  return true;
}

// The creation (birth) time cannot be set through any POSIX call; it is
// left as the file system recorded it.
bool WriteFileTimes(const char* path, const FileTimes& times) {
  String system_path;
  struct stat st;
  if (!SystemPath(path, &system_path) || !LinkStat(system_path, &st)) return false;
  struct timespec ts[2];
  if (!posix::ToTimespecs(times, ts)) return true;
  return utimensat(AT_FDCWD, system_path.c_str(), ts, AT_SYMLINK_NOFOLLOW) == 0;
}

// --- Changes ---------------------------------------------------------------------

bool CreateFolder(const char* folder, FolderAccess access) {
  String system_path;
  if (!SystemPath(folder, &system_path) || posix::Injected(SystemCall::kCreateFolder)) return false;
  return mkdir(system_path.c_str(), access == FolderAccess::kOwnerOnly ? 0700 : 0777) == 0;
}

bool RemoveFolder(const char* folder) {
  String system_path;
  return SystemPath(folder, &system_path) && !posix::Injected(SystemCall::kRemove) &&
         rmdir(system_path.c_str()) == 0;
}

// unlink ignores the file's own permissions; a file without write
// permission is refused here as Windows refuses a read-only file.
bool RemoveFile(const char* path) {
  String system_path;
  struct stat st;
  if (!SystemPath(path, &system_path) || !LinkStat(system_path, &st)) return false;
  if (S_ISDIR(st.st_mode)) return false;
  if (!S_ISLNK(st.st_mode) && (st.st_mode & kWriteBits) == 0) return false;
  return !posix::Injected(SystemCall::kRemove) && unlink(system_path.c_str()) == 0;
}

bool MakeExecutable(const char* path) {
  String system_path;
  struct stat st;
  if (!SystemPath(path, &system_path) || stat(system_path.c_str(), &st) != 0) return false;
  // Execute wherever read is allowed: r-- becomes r-x.
  mode_t mode = st.st_mode | ((st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 2);
  return chmod(system_path.c_str(), mode & 07777) == 0;
}

RenameResult Rename(const char* from, const char* to) {
  String system_from;
  String system_to;
  if (!SystemPath(from, &system_from) || !SystemPath(to, &system_to)) return RenameResult::kFailed;
  const int error = posix::RenameNoReplace(AT_FDCWD, system_from.c_str(), AT_FDCWD, system_to.c_str());
  if (error == 0) return RenameResult::kOk;
  return error == EACCES || error == EPERM ? RenameResult::kAccessDenied : RenameResult::kFailed;
}

// --- File handle -------------------------------------------------------------------

bool File::Open(const char* path, const char* mode) {
  Close();
  out_of_space_ = false;
  struct Mode {
    const char* runtime;
    int flags;
    const char* stdio;
  };
  static constexpr Mode kModes[] = {
      {"rb", O_RDONLY, "r"},
      {"wb", O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, "w"},
      {"wt", O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, "w"},
      {"w+b", O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW, "w+"},
      {"r+b", O_RDWR | O_NOFOLLOW, "r+"},
  };
  if (mode == nullptr) return false;
  for (const Mode& m : kModes) {
    if (std::strcmp(mode, m.runtime) != 0) continue;
    if ((m.flags & O_CREAT) != 0 && posix::Injected(SystemCall::kCreateFile)) return false;
    file_ = AdoptDescriptor(OpenRegular(path, m.flags, 0666), m.stdio);
    return file_ != nullptr;
  }
  return false;
}

bool File::CreateNew(const char* path) {
  Close();
  out_of_space_ = false;
  if (posix::Injected(SystemCall::kCreateFile)) return false;
  file_ = AdoptDescriptor(OpenRegular(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600), "w+");
  return file_ != nullptr;
}

bool File::Seek(int64_t offset, SeekOrigin origin) {
  return file_ != nullptr && fseeko(file_, static_cast<off_t>(offset), static_cast<int>(origin)) == 0;
}

int64_t File::Tell() { return file_ == nullptr ? -1 : static_cast<int64_t>(ftello(file_)); }

bool File::Sync() { return Flush() && posix::SyncFile(fileno(file_)) == 0; }

bool File::Truncate(uint64_t length) {
  if (length > static_cast<uint64_t>(INT64_MAX)) return false;
  return Flush() && ftruncate(fileno(file_), static_cast<off_t>(length)) == 0;
}

void File::NoteWriteFailure() { out_of_space_ = out_of_space_ || errno == ENOSPC || errno == EDQUOT; }

// --- Source of a copy ----------------------------------------------------------------

bool SourceFile::Open(const char* path) {
  Close();
  String system_path;
  if (!SystemPath(path, &system_path)) return false;
  // O_NONBLOCK keeps a FIFO from blocking the open; a regular file ignores it.
  int fd = open(system_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  return fd >= 0 && Adopt(fd);
}

bool SourceFile::Adopt(intptr_t handle) {
  Close();
  const int fd = static_cast<int>(handle);
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  handle_ = fd;
  size_ = static_cast<uint64_t>(st.st_size);
  times_ = TimesOf(st);
  unsigned char raw[4];
  uint32_t stored = 0;
  if (fgetxattr(fd, kAttributeName, raw, sizeof raw) == static_cast<ssize_t>(sizeof raw)) {
    stored = posix::DecodeBits(raw);
  }
  attributes_ = stored & kExtendedBits;
  if ((st.st_mode & kWriteBits) == 0) attributes_ |= kAttributeReadOnly;
  return true;
}

int64_t SourceFile::Read(void* buffer, size_t length) {
  if (handle_ == kNoHandle) return -1;
  for (;;) {
    ssize_t n = read(static_cast<int>(handle_), buffer, length);
    if (n >= 0) return n;
    if (errno != EINTR) return -1;
  }
}

void SourceFile::Close() {
  if (handle_ != kNoHandle) close(static_cast<int>(handle_));
  handle_ = kNoHandle;
  size_ = 0;
  attributes_ = 0;
}

}  // namespace mv::platform
