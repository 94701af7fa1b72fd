// The seam through which tests make the operating system fail: a full disk,
// a write that takes only part of its bytes, a refused permission, a file
// that vanished, a device error, or a folder that reads as a memory file
// system. Both platform sides ask NextFault just before each call named
// here; when a rule answers, the call is not made and the side fails (or
// answers) exactly as it does when the system reports that condition, with
// the system's own error value (ENOSPC, ERROR_DISK_FULL, ...), so the code
// above runs the very path a real failure takes. Without rules installed a
// call costs one atomic load.
//
//   platform::InjectedFaults faults({{SystemCall::kWrite, Fault::kDiskFull, 2}});
//   ... the third write and every one after it fail as on a full disk ...
#pragma once

#include <cstdint>
#include <initializer_list>

namespace mv::platform {

// The calls a rule can make fail (each names every system call of its kind
// on both sides).
enum class SystemCall : uint8_t {
  kCreateFile,    // a new file: a copy's target, a temporary or work file
  kOpenSource,    // a file opened to be read (a copy's source)
  kWrite,         // bytes written to a file (copies, wipes, work files)
  kFlush,         // a file's data waited for on the device
  kCreateFolder,  // a new folder
  kRemove,        // a file or folder deleted
  kRename,        // a file or folder renamed
  kFreeSpace,     // free bytes of a volume; with kDiskFull it reads 0
  kAreaFacts,     // what a temporary place is (QueryAreaFacts)
  kCount,
};

enum class Fault : uint8_t {
  kNone,              // the call is made
  kDiskFull,          // no space left on the device
  kShortWrite,        // kWrite only: part of the bytes, at least one, is written
  kNoPermission,      // access denied
  kVanished,          // no such file or folder
  kIoError,           // the device failed
  kMemoryFileSystem,  // kAreaFacts only: the folder lies on a memory file system
};

struct FaultRule {
  SystemCall call;
  Fault fault;
  uint32_t pass_first = 0;         // calls of this kind that go through first
  uint32_t times = UINT32_MAX;     // calls that then fail; the rest go through
};

// Installs rules for as long as the object lives (tests only, one at a time);
// every thread's calls see them. Calls of kinds no rule names go through.
class InjectedFaults {
 public:
  InjectedFaults(std::initializer_list<FaultRule> rules);
  ~InjectedFaults();
  InjectedFaults(const InjectedFaults&) = delete;
  InjectedFaults& operator=(const InjectedFaults&) = delete;

  // How many calls the rules have made fail so far.
  uint32_t FailedCalls() const;
};

// What the next call of this kind must do instead of asking the system;
// kNone (nearly always): make the call.
Fault NextFault(SystemCall call);

// The C runtime's errno value of a fault (ENOSPC, EACCES, ENOENT, EIO; 0 for
// kNone and the answers that are no failure).
int ErrnoOf(Fault fault);

}  // namespace mv::platform
