// The POSIX side's calls that create, write, flush, rename and remove, each
// asking the fault seam (platform/system_faults.h) first: a call a rule
// fails is not made and returns what the system returns for that failure
// (-1 with errno set); a short write passes on only part of the length.
#pragma once

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>

#include "platform/system_faults.h"

namespace mv::platform::posix {

// True (errno set) when a rule fails this call.
inline bool Injected(SystemCall call) {
  const Fault fault = NextFault(call);
  if (fault == Fault::kNone) return false;
  errno = ErrnoOf(fault);
  return errno != 0;
}

// True (errno set) when a rule fails this write; a short write halves
// *length (never below one byte) and lets the write go on.
inline bool WriteInjected(size_t* length) {
  const Fault fault = NextFault(SystemCall::kWrite);
  if (fault == Fault::kShortWrite) {
    if (*length > 1) *length /= 2;
    return false;
  }
  if (fault == Fault::kNone) return false;
  errno = ErrnoOf(fault);
  return true;
}

inline int CreateAt(int folder, const char* name, int flags, mode_t mode) {
  return Injected(SystemCall::kCreateFile) ? -1 : openat(folder, name, flags, mode);
}
inline int OpenSourceAt(int folder, const char* name, int flags) {
  return Injected(SystemCall::kOpenSource) ? -1 : openat(folder, name, flags);
}
inline int MakeFolderAt(int folder, const char* name, mode_t mode) {
  return Injected(SystemCall::kCreateFolder) ? -1 : mkdirat(folder, name, mode);
}
inline int RemoveAt(int folder, const char* name, int flags) {
  return Injected(SystemCall::kRemove) ? -1 : unlinkat(folder, name, flags);
}
// Replaces whatever is at to (the callers check it first).
inline int RenameOver(int from_folder, const char* from, int to_folder, const char* to) {
  return Injected(SystemCall::kRename) ? -1 : renameat(from_folder, from, to_folder, to);
}
inline ssize_t WriteSome(int fd, const void* bytes, size_t length) {
  return WriteInjected(&length) ? -1 : write(fd, bytes, length);
}
inline ssize_t WriteSomeAt(int fd, const void* bytes, size_t length, off_t offset) {
  return WriteInjected(&length) ? -1 : pwrite(fd, bytes, length, offset);
}
inline ssize_t CopyRange(int in, int out, size_t length) {
  return WriteInjected(&length) ? -1 : copy_file_range(in, nullptr, out, nullptr, length, 0);
}
inline ssize_t SendFile(int out, int in, size_t length) {
  return WriteInjected(&length) ? -1 : sendfile(out, in, nullptr, length);
}
inline int SyncData(int fd) { return Injected(SystemCall::kFlush) ? -1 : fdatasync(fd); }
inline int SyncFile(int fd) { return Injected(SystemCall::kFlush) ? -1 : fsync(fd); }

}  // namespace mv::platform::posix
