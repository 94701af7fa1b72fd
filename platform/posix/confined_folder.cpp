// POSIX side of confined_folder.h: every component is opened relative to
// the descriptor of its parent with O_NOFOLLOW, starting from the root's
// descriptor, so no symbolic link below the root is ever followed. The
// folders on the way to the last one reached are kept open: extraction and
// copies write folder by folder in the order of a walk, so the files of one
// folder cost no lookups of their path and the next folder costs only the
// components after the part of its path the last one shares. A file begun
// in a folder shares its descriptor, so moving on never closes it under the
// file.
//
// What POSIX cannot represent: attribute bits are mapped as files.h says
// (read-only = no write bits; hidden, system and archive in a user extended
// attribute, written only when one of them is set, since a new file has
// none); the creation time cannot be set.
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "platform/codepage.h"
#include "platform/confined_folder.h"
#include "platform/confined_path.h"
#include "platform/overwrite_file.h"
#include "platform/posix/file_mapping.h"
#include "platform/posix/no_replace_rename.h"
#include "platform/posix/system_calls.h"
#include "platform/temporary_name.h"

namespace mv::platform {
namespace {

using confined_path::IsPlainComponent;
using confined_path::SplitFinal;
using confined_path::WithoutTrailingSlashes;
using posix::kAttributeName;
using posix::kExtendedBits;
using posix::kWriteBits;

class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Reset(-1); }
  void Reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  int get() const { return fd_; }

 private:
  int fd_ = -1;
};

// The permission bits a newly created file gets from the process: 0666 less
// the umask, read once (umask can only be read by setting it).
mode_t NewFileMode() {
  static const mode_t mode = [] {
    mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

bool IsDiskFull(int error) { return error == ENOSPC || error == EDQUOT; }

ConfinedStatus StatusOfError(int error) {
  if (IsDiskFull(error)) return ConfinedStatus::kDiskFull;
  if (error == ELOOP) return ConfinedStatus::kLink;
  if (error == ENAMETOOLONG) return ConfinedStatus::kTooLong;
  if (error == EEXIST) return ConfinedStatus::kExists;
  return ConfinedStatus::kFailed;
}

// What is at name in folder fd, without following a link there.
ConfinedStatus Classify(int fd, const char* name, bool* exists, struct stat* st) {
  if (fstatat(fd, name, st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) return StatusOfError(errno);
    *exists = false;
    return ConfinedStatus::kOk;
  }
  *exists = true;
  if (S_ISLNK(st->st_mode)) return ConfinedStatus::kLink;
  return ConfinedStatus::kOk;
}

// The checks a file's final name must pass before anything is written there.
ConfinedStatus CheckFinalName(int fd, const char* name, CreateMode mode) {
  bool exists = false;
  struct stat st;
  ConfinedStatus status = Classify(fd, name, &exists, &st);
  if (status != ConfinedStatus::kOk || !exists) return status;
  if (S_ISDIR(st.st_mode)) return ConfinedStatus::kIsFolder;
  if (!S_ISREG(st.st_mode)) return ConfinedStatus::kFailed;  // a device, FIFO or socket
  if ((st.st_mode & kWriteBits) == 0) return ConfinedStatus::kReadOnly;
  if (mode == CreateMode::kNew) return ConfinedStatus::kExists;
  return ConfinedStatus::kOk;
}

// A folder descriptor shared by the cache and the files begun in the
// folder; closed when the last of them lets go.
struct SharedFolder {
  int fd = -1;
  int users = 1;
};

SharedFolder* Share(SharedFolder* folder) {
  ++folder->users;
  return folder;
}

void Release(SharedFolder*& folder) {
  if (folder != nullptr && --folder->users == 0) {
    close(folder->fd);
    delete folder;
  }
  folder = nullptr;
}

SharedFolder* Adopt(int fd) {
  auto* folder = new (std::nothrow) SharedFolder;
  if (folder == nullptr) {
    close(fd);
    return nullptr;
  }
  folder->fd = fd;
  return folder;
}

// Set once the kernel has answered that it has no copy_file_range (before
// 4.5): every copy then reads and writes.
std::atomic<bool> g_no_copy_file_range{false};

// ".mv~" + a temporary name + ".tmp"; false when the generator fails.
bool FormatTemporaryName(char (&name)[32]) {
  char digits[kTemporaryNameDigits + 1];
  if (!NextTemporaryName(digits)) return false;
  std::memcpy(name, ".mv~", 4);
  std::memcpy(name + 4, digits, kTemporaryNameDigits);
  std::memcpy(name + 4 + kTemporaryNameDigits, ".tmp", 5);
  return true;
}

// Opens the folder name inside parent into out, never through a link.
// Where folders are being made, a new one is the common case: it is made
// first and then opened. must_be_new: a name taken already is kExists.
ConfinedStatus Step(int parent, const char* name, bool create, Descriptor* out, bool must_be_new = false,
                    bool* made = nullptr) {
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  const bool new_folder = create && posix::MakeFolderAt(parent, name, 0777) == 0;
  if (create && !new_folder && (must_be_new || errno != EEXIST)) return StatusOfError(errno);
  if (made != nullptr) *made = new_folder;
  int fd = openat(parent, name, kFlags);
  if (fd >= 0) {
    out->Reset(fd);
    return ConfinedStatus::kOk;
  }
  int error = errno;
  if (error == ELOOP || error == ENOTDIR) {
    bool exists = false;
    struct stat st;
    ConfinedStatus status = Classify(parent, name, &exists, &st);
    if (status != ConfinedStatus::kOk) return status;
    return exists ? ConfinedStatus::kNotFolder : ConfinedStatus::kFailed;
  }
  return StatusOfError(error);
}

// Opens the existing folder at path (system text; "" is the current
// folder) as the system follows it, or, when it is missing, the nearest
// existing folder above it and then each missing folder below that, made
// and opened one at a time without following a link.
ConfinedStatus OpenOrMakeFolder(const String& path, Descriptor* out) {
  std::vector<String> missing;
  String current = path;
  for (;;) {
    const char* text = current.IsEmpty() ? "." : current.c_str();
    int fd = open(text, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
      out->Reset(fd);
      break;
    }
    if (errno == ENOTDIR) return ConfinedStatus::kNotFolder;
    if (errno != ENOENT || current.IsEmpty() || current == "/") return StatusOfError(errno);
    const int32_t slash = current.FindLast('/');
    String name = current.Mid(slash + 1, current.GetLength() - slash - 1);
    if (!IsPlainComponent(name.c_str(), static_cast<size_t>(name.GetLength()))) return ConfinedStatus::kFailed;
    missing.push_back(name);
    current = slash == 0 ? String("/") : WithoutTrailingSlashes(slash < 0 ? String("") : current.Left(slash));
  }
  while (!missing.empty()) {
    Descriptor next;
    ConfinedStatus status = Step(out->get(), missing.back().c_str(), true, &next);
    if (status != ConfinedStatus::kOk) return status;
    out->Reset(next.Release());
    missing.pop_back();
  }
  return ConfinedStatus::kOk;
}

// A relative path of the tree in system text, split into its folder ("" at
// the root) and its plain final name; a trailing '/' is dropped first.
bool SplitRelative(const char* relative, String* folder, String* name) {
  String path;
  return ToSystemText(relative, &path) && SplitFinal(WithoutTrailingSlashes(path), folder, name);
}

}  // namespace

struct ConfinedFolder::State {
  SharedFolder* root = nullptr;
  // The folders last reached below the root, one per component of their
  // path, outermost first: the next path shares a prefix with this one (the
  // same folder, a sibling, a child), so only the components after that
  // prefix are opened.
  struct Level {
    String name;  // system encoding
    SharedFolder* folder = nullptr;
  };
  std::vector<Level> levels;
  // Set once copy_file_range has refused a pair of files here (another
  // file system, or none that copies by itself): copies then go through
  // sendfile, one call per piece as well (from a memory area to a disk),
  // and where that is refused too, read and write.
  bool copy_range_refused = false;
  bool sendfile_refused = false;

  ~State() {
    Truncate(0);
    Release(root);
  }

  void Truncate(size_t depth) {
    while (levels.size() > depth) {
      Release(levels.back().folder);
      levels.pop_back();
    }
  }

  // The folder at path (system encoding, no trailing '/'), made on the way
  // when create is set. The result is owned by the state: valid until the
  // next call, unless shared.
  ConfinedStatus Reach(const String& path, bool create, SharedFolder** folder) {
    const char* text = path.c_str() == nullptr ? "" : path.c_str();
    const size_t length = std::strlen(text);
    size_t depth = 0;
    size_t start = 0;
    // Keep the levels the path starts with.
    while (start < length && depth < levels.size()) {
      size_t end = start;
      while (end < length && text[end] != '/') ++end;
      const String& name = levels[depth].name;
      if (static_cast<size_t>(name.GetLength()) != end - start ||
          std::memcmp(name.c_str(), text + start, end - start) != 0) {
        break;
      }
      ++depth;
      start = end + 1;
    }
    Truncate(depth);
    while (start < length) {
      size_t end = start;
      while (end < length && text[end] != '/') ++end;
      if (!IsPlainComponent(text + start, end - start)) return ConfinedStatus::kFailed;
      Level level;
      level.name = path.Mid(static_cast<int32_t>(start), static_cast<int32_t>(end - start));
      Descriptor opened;
      const int parent = levels.empty() ? root->fd : levels.back().folder->fd;
      ConfinedStatus status = Step(parent, level.name.c_str(), create, &opened);
      if (status != ConfinedStatus::kOk) return status;
      level.folder = Adopt(opened.Release());
      if (level.folder == nullptr) return ConfinedStatus::kFailed;
      levels.push_back(level);
      start = end + 1;
    }
    *folder = levels.empty() ? root : levels.back().folder;
    return ConfinedStatus::kOk;
  }

  // Reaches the existing folder of relative (a trailing '/' dropped) and
  // splits off its final name. Reaching the folder leaves exactly its own
  // path open, so the entry is never one of the folders kept open by name.
  ConfinedStatus ReachParent(const char* relative, SharedFolder** folder, String* name) {
    String folder_path;
    if (relative == nullptr || !SplitRelative(relative, &folder_path, name)) return ConfinedStatus::kFailed;
    return Reach(folder_path, false, folder);
  }
};

struct ConfinedFile::State {
  Descriptor file;
  ConfinedFolder::State* owner = nullptr;
  SharedFolder* folder = nullptr;  // shared while a temporary or fresh name is in use
  String name;              // final name (system encoding)
  char temporary[32] = {};  // "" when written in place
  CreateMode mode = CreateMode::kInPlace;
  // kFresh: the file made at its final name, removed again unless finished.
  bool fresh = false;

  ~State() {
    if (fresh && folder != nullptr) RemoveFresh();
    file.Reset(-1);
    if (temporary[0] != '\0' && folder != nullptr) unlinkat(folder->fd, temporary, 0);
    Release(folder);
  }

  // Only while the name still holds the file this one made (whoever may
  // write into the folder could have put another in its place meanwhile),
  // so only while its descriptor tells which file that is.
  void RemoveFresh() {
    struct stat mine;
    struct stat named;
    if (file.get() >= 0 && fstat(file.get(), &mine) == 0 &&
        fstatat(folder->fd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == mine.st_dev &&
        named.st_ino == mine.st_ino) {
      unlinkat(folder->fd, name.c_str(), 0);
    }
  }
};

bool ConfinedFolder::Open(const char* root) {
  Close();
  String system_root;
  if (!ToSystemText(root, &system_root)) return false;
  if (system_root.IsEmpty()) return false;
  int fd = open(system_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  state_ = new (std::nothrow) State;
  if (state_ != nullptr) state_->root = Adopt(fd);
  if (state_ == nullptr || state_->root == nullptr) {
    if (state_ == nullptr) close(fd);
    Close();
    return false;
  }
  return true;
}

ConfinedStatus ConfinedFolder::OpenTarget(const char* path, bool replace) {
  Close();
  String system_path;
  if (!ToSystemText(path, &system_path) || system_path.IsEmpty()) return ConfinedStatus::kFailed;
  const bool absolute = system_path.GetAt(0) == '/';
  system_path = WithoutTrailingSlashes(system_path);
  const int32_t slash = system_path.FindLast('/');
  const String name = system_path.Mid(slash + 1, system_path.GetLength() - slash - 1);
  Descriptor target;
  if (!IsPlainComponent(name.c_str(), static_cast<size_t>(name.GetLength()))) {
    // "/", "." or "..": the folder itself, which exists.
    if (!replace) return ConfinedStatus::kExists;
    int fd = open(system_path.IsEmpty() && absolute ? "/" : system_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return StatusOfError(errno);
    target.Reset(fd);
  } else {
    Descriptor parent;
    const String parent_path =
        slash == 0 ? String("/") : WithoutTrailingSlashes(slash < 0 ? String("") : system_path.Left(slash));
    ConfinedStatus status = OpenOrMakeFolder(parent_path, &parent);
    if (status == ConfinedStatus::kOk) {
      status = Step(parent.get(), name.c_str(), true, &target, !replace, &made_target_);
    }
    // A folder made here but replaced by a link before it was opened is a
    // link in the way like any other.
    if (status != ConfinedStatus::kOk) return status;
  }
  state_ = new (std::nothrow) State;
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  state_->root = Adopt(target.Release());
  if (state_->root == nullptr) {
    Close();
    return ConfinedStatus::kFailed;
  }
  return ConfinedStatus::kOk;
}

ConfinedStatus ConfinedFolder::OpenSource(const char* relative, SourceFile* file) {
  String name;
  SharedFolder* shared = nullptr;
  ConfinedStatus status = state_ == nullptr ? ConfinedStatus::kFailed : state_->ReachParent(relative, &shared, &name);
  if (status != ConfinedStatus::kOk) return status;
  // O_NONBLOCK keeps a FIFO from blocking the open; a regular file ignores it.
  int fd = posix::OpenSourceAt(shared->fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return StatusOfError(errno);
  return file->Adopt(fd) ? ConfinedStatus::kOk : ConfinedStatus::kFailed;
}

ConfinedStatus ConfinedFolder::OpenOverwrite(const char* relative, OverwriteFile* file) {
  String name;
  SharedFolder* shared = nullptr;
  ConfinedStatus status = state_ == nullptr ? ConfinedStatus::kFailed : state_->ReachParent(relative, &shared, &name);
  if (status != ConfinedStatus::kOk) return status;
  constexpr int kFlags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = openat(shared->fd, name.c_str(), kFlags);
  if (fd < 0 && errno == EACCES) {
    // A read-only file (no write bit) is made writable for its owner first.
    struct stat st;
    if (fstatat(shared->fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        fchmodat(shared->fd, name.c_str(), (st.st_mode & 07777) | S_IWUSR, AT_SYMLINK_NOFOLLOW) != 0) {
      return ConfinedStatus::kFailed;
    }
    fd = openat(shared->fd, name.c_str(), kFlags);
  }
  if (fd < 0) return StatusOfError(errno);
  return file->Adopt(fd) ? ConfinedStatus::kOk : ConfinedStatus::kFailed;
}

ConfinedStatus ConfinedFolder::Rename(const char* relative, const char* new_name) {
  String name, system_new;
  if (state_ == nullptr || !ToSystemText(new_name, &system_new) ||
      !IsPlainComponent(system_new.c_str(), static_cast<size_t>(system_new.GetLength())) ||
      system_new.Find('/') >= 0) {
    return ConfinedStatus::kFailed;
  }
  SharedFolder* shared = nullptr;
  ConfinedStatus status = state_->ReachParent(relative, &shared, &name);
  if (status != ConfinedStatus::kOk) return status;
  const int error = posix::RenameNoReplace(shared->fd, name.c_str(), shared->fd, system_new.c_str());
  return error == 0 ? ConfinedStatus::kOk : StatusOfError(error);
}

ConfinedStatus ConfinedFolder::Remove(const char* relative) {
  String name;
  SharedFolder* shared = nullptr;
  ConfinedStatus status = state_ == nullptr ? ConfinedStatus::kFailed : state_->ReachParent(relative, &shared, &name);
  if (status != ConfinedStatus::kOk) return status;
  const size_t length = std::strlen(relative);
  const bool is_folder = length > 0 && relative[length - 1] == '/';
  return posix::RemoveAt(shared->fd, name.c_str(), is_folder ? AT_REMOVEDIR : 0) == 0 ? ConfinedStatus::kOk
                                                                                : StatusOfError(errno);
}

void ConfinedFolder::Close() {
  delete state_;
  state_ = nullptr;
  made_target_ = false;
}

ConfinedStatus ConfinedFolder::MakeFolders(const char* relative) {
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  String path;
  if (!ToSystemText(relative, &path)) return ConfinedStatus::kFailed;
  path = WithoutTrailingSlashes(path);
  SharedFolder* folder = nullptr;
  return state_->Reach(path, true, &folder);
}

ConfinedStatus ConfinedFolder::BeginFile(const char* relative, CreateMode mode, ConfinedFile* file) {
  file->Abandon();
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  String path, folder, name;
  if (!ToSystemText(relative, &path) || !SplitFinal(path, &folder, &name)) return ConfinedStatus::kFailed;
  SharedFolder* shared = nullptr;
  ConfinedStatus status = state_->Reach(folder, true, &shared);
  if (status != ConfinedStatus::kOk) return status;
  const int fd = shared->fd;

  auto* state = new (std::nothrow) ConfinedFile::State;
  if (state == nullptr) return ConfinedStatus::kFailed;
  state->owner = state_;
  state->mode = mode;
  state->name = name;
  int out = -1;
  if (mode == CreateMode::kFresh) {
    out = posix::CreateAt(fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (out >= 0) {
      state->fresh = true;
    } else if (errno == EEXIST) {
      // Say what holds the name: a link, a folder and a read-only file are
      // told apart from a plain existing file.
      status = CheckFinalName(fd, name.c_str(), CreateMode::kNew);
      if (status == ConfinedStatus::kOk) status = ConfinedStatus::kExists;
    }
  } else if (mode == CreateMode::kInPlace) {
    // A new name is the common case: O_EXCL creates a regular file and
    // follows nothing. An existing name is checked first, then truncated.
    out = posix::CreateAt(fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (out < 0 && errno == EEXIST) {
      status = CheckFinalName(fd, name.c_str(), mode);
      if (status == ConfinedStatus::kOk) {
        out = openat(fd, name.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        struct stat st;
        if (out >= 0 && (fstat(out, &st) != 0 || !S_ISREG(st.st_mode) ||
                         fcntl(out, F_SETFL, fcntl(out, F_GETFL) & ~O_NONBLOCK) != 0)) {
          close(out);
          out = -1;
          errno = EINVAL;
        }
      }
    }
  } else {
    // A name to be replaced is checked now; a new one only if Finish finds
    // it taken.
    if (mode == CreateMode::kReplace) status = CheckFinalName(fd, name.c_str(), mode);
    for (int attempt = 0; status == ConfinedStatus::kOk && attempt < 16; ++attempt) {
      if (!FormatTemporaryName(state->temporary)) {
        errno = EIO;
        break;
      }
      out = posix::CreateAt(fd, state->temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (out >= 0 || errno != EEXIST) break;
    }
    if (out < 0) state->temporary[0] = '\0';
  }
  if (status == ConfinedStatus::kOk && out < 0) status = StatusOfError(errno);
  if (status != ConfinedStatus::kOk) {
    delete state;
    return status;
  }
  state->file.Reset(out);
  if (mode != CreateMode::kInPlace) state->folder = Share(shared);
  file->state_ = state;
  return ConfinedStatus::kOk;
}

bool ConfinedFile::IsOpen() const { return state_ != nullptr; }

ConfinedStatus ConfinedFile::Write(const void* buffer, size_t length) {
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  while (length > 0) {
    ssize_t n = posix::WriteSome(state_->file.get(), bytes, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return StatusOfError(errno);
    }
    if (n == 0) return ConfinedStatus::kFailed;
    bytes += n;
    length -= static_cast<size_t>(n);
  }
  return ConfinedStatus::kOk;
}

ConfinedStatus ConfinedFile::CopyFrom(SourceFile& source, size_t length, void* buffer, size_t buffer_size,
                                      size_t* copied) {
  *copied = 0;
  if (state_ == nullptr || !source.IsOpen()) return ConfinedStatus::kFailed;
  const int in = static_cast<int>(source.handle_);
  bool& refused = state_->owner->copy_range_refused;
  while (!refused && !g_no_copy_file_range.load(std::memory_order_relaxed)) {
    ssize_t n = posix::CopyRange(in, state_->file.get(), length);
    // 0 ends the source only when reading agrees (some file systems
    // report 0 for files they cannot copy).
    if (n > 0) {
      *copied = static_cast<size_t>(n);
      return ConfinedStatus::kOk;
    }
    if (n == 0) break;
    if (errno == EINTR) continue;
    if (IsDiskFull(errno)) return ConfinedStatus::kDiskFull;
    if (errno == ENOSYS) {
      g_no_copy_file_range.store(true, std::memory_order_relaxed);
      break;
    }
    if (errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP && errno != EPERM && errno != EBADF &&
        errno != ETXTBSY) {
      return ConfinedStatus::kFailed;
    }
    refused = true;
  }
  bool& unsent = state_->owner->sendfile_refused;
  while (!unsent) {
    ssize_t n = posix::SendFile(state_->file.get(), in, length);
    if (n >= 0) {
      *copied = static_cast<size_t>(n);
      return ConfinedStatus::kOk;
    }
    if (errno == EINTR) continue;
    if (IsDiskFull(errno)) return ConfinedStatus::kDiskFull;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return ConfinedStatus::kFailed;
    unsent = true;
  }
  return CopyThroughBuffer(source, length, buffer, buffer_size, copied);
}

ConfinedStatus ConfinedFile::Finish(const FileTimes& times, uint32_t attributes, bool* info_failed) {
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  int fd = state_->file.get();
  bool info_ok = true;
  struct timespec ts[2];
  if (posix::ToTimespecs(times, ts) && futimens(fd, ts) != 0) info_ok = false;
  uint32_t extended = attributes & kExtendedBits;
  if (extended != 0) {
    unsigned char raw[4];
    posix::EncodeBits(extended, raw);
    if (fsetxattr(fd, kAttributeName, raw, sizeof raw, 0) != 0 && errno != ENOTSUP && errno != EOPNOTSUPP) {
      info_ok = false;
    }
  }
  bool read_only = (attributes & kAttributeReadOnly) != 0;
  bool temporary = state_->temporary[0] != '\0';
  if (read_only || temporary) {
    mode_t mode = NewFileMode();
    if (read_only) mode &= ~kWriteBits;
    if (fchmod(fd, mode) != 0) info_ok = false;
  }
  if (info_failed != nullptr) *info_failed = !info_ok;
  int error = close(state_->file.Release()) == 0 ? 0 : errno;
  if (error != 0) {
    Abandon();
    return IsDiskFull(error) ? ConfinedStatus::kDiskFull : ConfinedStatus::kFailed;
  }
  if (!temporary) {
    state_->fresh = false;  // finished: it stays
    Abandon();
    return ConfinedStatus::kOk;
  }
  int folder = state_->folder->fd;
  const char* name = state_->name.c_str();
  ConfinedStatus status = ConfinedStatus::kOk;
  if (state_->mode == CreateMode::kNew) {
    const int error = posix::RenameNoReplace(folder, state_->temporary, folder, name);
    if (error == 0) state_->temporary[0] = '\0';
    if (error == EEXIST) {
      // Say what took the name: a link, a folder and a read-only file are
      // told apart from a plain existing file.
      status = CheckFinalName(folder, name, CreateMode::kNew);
      if (status == ConfinedStatus::kOk) status = ConfinedStatus::kExists;
    } else if (error != 0) {
      status = StatusOfError(error);
    }
  } else {
    // The name was checked when the file was begun; the rename itself never
    // follows a link, so a link put at the name meanwhile is replaced, never
    // written through.
    if (posix::RenameOver(folder, state_->temporary, folder, name) != 0) status = StatusOfError(errno);
    if (status == ConfinedStatus::kOk) state_->temporary[0] = '\0';
  }
  Abandon();
  return status;
}

void ConfinedFile::Abandon() {
  delete state_;
  state_ = nullptr;
}

}  // namespace mv::platform
