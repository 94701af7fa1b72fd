// What the system tells about the places where temporary work can go, and
// the lock that tells a temporary file or folder of a running program from
// one that a killed program (SIGKILL, a power cut) left behind.
//
// Only facts come from here; which place is used, with what margin, and what
// happens to a leftover is decided above (fs/work_area.h,
// container/leftover_sweep.h).
#pragma once

#include <cstdint>

#include "base/string.h"

namespace mv::platform {

struct AreaFacts {
  // On a file system whose files live in memory (POSIX: statfs reports
  // tmpfs or ramfs; judged by the type, never by the folder's name).
  bool in_memory = false;
  // Bytes an unprivileged user may still write there (POSIX statvfs
  // f_bavail x f_frsize; Windows GetDiskFreeSpaceExW); unknown on a file
  // system without a size (ramfs).
  bool free_known = false;
  uint64_t free_bytes = 0;
  // The process may make files and folders there (POSIX: write and search
  // permission for the effective user).
  bool writable = false;
  // Others may add and remove entries there although they do not own them
  // (POSIX: writable by group or others without the sticky bit). Leftovers
  // are never swept from such a folder: an entry could be swapped for a link
  // between a check and the wipe.
  bool shared_unguarded = false;
};
// The facts of an existing folder; false when it is no folder or cannot be
// asked.
bool QueryAreaFacts(const char* folder, AreaFacts* facts);

// The temporary folder the user named (POSIX: TMPDIR when set and absolute),
// internal form; false when the user named none. Windows: always false (the
// system's temporary folder is the only place there).
bool QueryChosenTempFolder(String* folder);

// The folders that may lie on a memory file system, in the order they are
// preferred (POSIX: $XDG_RUNTIME_DIR when absolute, /dev/shm, /tmp), in
// internal form with a trailing '/'; none on Windows. Whether they exist and
// what they are is for QueryAreaFacts to tell.
StringArray ListMemoryAreaCandidates();

// What a look at a possible leftover found; see LifeLock::TakeAbandoned.
struct LeftoverFacts {
  bool empty = false;        // a folder without entries, or a file of 0 bytes
  uint64_t idle_seconds = 0; // since its last change (POSIX: ctime)
};

// A lock held on a temporary file or folder for as long as it lives, so
// that the next run can tell it from a leftover. POSIX: flock on a
// descriptor of the entry itself, which the kernel drops when the process
// ends in any way. Windows keeps no such lock and sweeps nothing.
class LifeLock {
 public:
  LifeLock() = default;
  LifeLock(const LifeLock&) = delete;
  LifeLock& operator=(const LifeLock&) = delete;
  ~LifeLock() { Release(); }

  // Opens the folder or regular file at path (never through a link) and
  // holds an exclusive lock on it until Release, waiting while a sweep
  // looks at it. False when it cannot be opened or locked (Windows: true).
  bool Hold(const char* path);
  // Takes the lock of a possible leftover without waiting: the entry at
  // path must be of the kind asked (a folder, or a regular file), owned by
  // the user the process runs as, and locked by nobody. Then the lock is
  // held here (as Hold holds it) and facts are filled; false otherwise, and
  // always on Windows.
  bool TakeAbandoned(const char* path, bool folder, LeftoverFacts* facts);
  bool IsHeld() const { return handle_ != -1; }
  void Release();

 private:
  intptr_t handle_ = -1;
};

}  // namespace mv::platform
