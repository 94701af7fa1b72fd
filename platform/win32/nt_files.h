// The Win32 side's handle-relative file calls: what openat and its family
// are on POSIX. A file or folder is opened by its name relative to the
// handle of its folder (NtCreateFile with a root directory), so no path is
// handed to the system whole, a folder renamed meanwhile is still the one
// reached, and a path's length is bounded by its names only. Names here are
// single components in the program's code page.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/string.h"
#include "platform/system_faults.h"

namespace mv::platform::nt {

// The status codes the callers tell apart.
inline constexpr NTSTATUS kSuccess = 0;
inline constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006);
inline constexpr NTSTATUS kStoppedOnSymlink = static_cast<NTSTATUS>(0x8000002D);
inline constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);
inline constexpr NTSTATUS kDiskFull = static_cast<NTSTATUS>(0xC000007F);
inline constexpr NTSTATUS kFileIsFolder = static_cast<NTSTATUS>(0xC00000BA);
inline constexpr NTSTATUS kNotAFolder = static_cast<NTSTATUS>(0xC0000103);
inline constexpr NTSTATUS kNameTooLong = static_cast<NTSTATUS>(0xC0000106);
inline constexpr NTSTATUS kQuotaExceeded = static_cast<NTSTATUS>(0xC0000044);
inline constexpr NTSTATUS kReparseNotHandled = static_cast<NTSTATUS>(0xC0000279);

// Access to a folder that is listed and opened below.
inline constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// Others may read and write what is held, but neither rename nor delete it.
inline constexpr ULONG kHoldSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
inline constexpr ULONG kAllSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// An owned handle, closed when it goes.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Reset(INVALID_HANDLE_VALUE); }
  void Reset(HANDLE h) {
    if (IsValid()) CloseHandle(h_);
    h_ = h;
  }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }
  HANDLE get() const { return h_; }
  bool IsValid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// The UTF-16 form of length bytes of the program's code page (its own
// table, whatever the system's code page).
std::wstring Wide(const char* text, size_t length);
inline std::wstring Wide(const String& text) {
  return Wide(text.c_str() == nullptr ? "" : text.c_str(), static_cast<size_t>(text.GetLength()));
}
// The program's code page form of a UTF-16 name; false when a character has
// none (such a name cannot be named again, so it is passed over).
bool Narrow(const wchar_t* text, size_t length, String* out);

// Opens name inside the folder of root: NtCreateFile with root as the root
// directory, synchronous I/O, and create_options (FILE_DIRECTORY_FILE,
// FILE_NON_DIRECTORY_FILE, FILE_OPEN_REPARSE_POINT, ...). An empty name
// opens root's folder anew.
NTSTATUS OpenRelative(HANDLE root, const std::wstring& name, ACCESS_MASK access, ULONG sharing, ULONG disposition,
                      ULONG create_options, HANDLE* out, ULONG attributes = FILE_ATTRIBUTE_NORMAL);

// Opens the folder at path (program code page, '/' or '\'), as the system
// follows it: the caller's own path. INVALID_HANDLE_VALUE on failure.
HANDLE OpenFolderPath(const char* path, ACCESS_MASK access, ULONG sharing);

// What the folder of root lists under exactly this name (a reparse point
// is listed as itself): its attributes and file id. False when it lists no
// such name.
bool ListedEntry(HANDLE root, const std::wstring& name, DWORD* attributes, uint64_t* file_id);

// What an open handle tells of its file, asked without its name (which a
// system may not be able to give for a long path).
struct HandleFacts {
  DWORD attributes = 0;
  uint64_t file_id = 0;
  uint64_t size = 0;
  uint64_t creation = 0;  // FILETIME values
  uint64_t last_access = 0;
  uint64_t last_write = 0;
};
// False when the handle cannot be asked.
bool QueryHandle(HANDLE handle, HandleFacts* facts);

// Renames the file or folder open as handle (with DELETE access) to name in
// the folder of root.
NTSTATUS RenameTo(HANDLE handle, HANDLE root, const std::wstring& name, bool replace);

// Marks the file or folder open as handle (with DELETE access) for deletion
// when its last handle closes.
NTSTATUS DeleteOnClose(HANDLE handle);

// The NTSTATUS and the Win32 error the system gives for a fault of the
// test seam (platform/system_faults.h); kSuccess and 0 for no failure.
NTSTATUS StatusOfFault(Fault fault);
DWORD ErrorOfFault(Fault fault);

// WriteFile, asking the fault seam first: a failed write sets the last
// error as the system would, a short one writes half (at least a byte).
bool WriteSome(HANDLE handle, const void* bytes, DWORD length, DWORD* written);
// FlushFileBuffers, asking the fault seam first.
bool FlushData(HANDLE handle);

// Reads the next entries of the folder open as handle into buffer
// (FILE_DIRECTORY_INFORMATION records).
NTSTATUS ReadFolder(HANDLE handle, void* buffer, ULONG size, bool restart);

}  // namespace mv::platform::nt
