// Win32 side of the file-system seam of files.h: the wide entry points, each
// handed the native UTF-16 form of the path ('/' replaced by '\', the
// program's code page converted by its own table); listings read folder
// handles (nt_files.h).
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <new>

#include "platform/files.h"
#include "platform/win32/nt_files.h"
#include "platform/win32/wide_text.h"

namespace mv::platform {
namespace {

constexpr DWORD kTempPathBufferSize = 360;

// True (the last error set as the system would) when the test seam fails
// this call.
bool Failed(SystemCall call) {
  const Fault fault = NextFault(call);
  if (fault == Fault::kNone) return false;
  SetLastError(nt::ErrorOfFault(fault));
  return true;
}

FILETIME ToFiletime(FileTime time) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(time);
  ft.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return ft;
}

FileTime FromFiletime(const FILETIME& ft) {
  return static_cast<FileTime>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
}

// False for a name the program's code page cannot hold.
bool FillEntry(const WIN32_FIND_DATAW& data, FolderEntry* entry) {
  if (!ProgramTextOf(data.cFileName, std::wcslen(data.cFileName), &entry->name)) return false;
  entry->is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry->size = entry->is_folder
                    ? 0
                    : (static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
  return true;
}

// A folder the system names (the temporary folder): its long form when the
// program's code page holds it, else its short (8.3) form, which Windows
// gives in ASCII where the volume keeps short names (a user name in another
// script). False when neither can be held.
bool FolderOfSystem(const std::wstring& folder, String* out) {
  if (ProgramTextOf(folder.c_str(), folder.size(), out)) return true;
  const DWORD needed = GetShortPathNameW(folder.c_str(), nullptr, 0);
  if (needed == 0) return false;
  std::wstring short_form(needed, L'\0');
  const DWORD length = GetShortPathNameW(folder.c_str(), short_form.data(), needed);
  return length != 0 && length < needed && ProgramTextOf(short_form.c_str(), length, out);
}


}  // namespace

// --- Listing -------------------------------------------------------------------

// Read from the folder's handle, so that a folder is listed whatever the
// length of its path and a subfolder is opened from its parent's handle.
struct FolderListing::State {
  HANDLE folder = INVALID_HANDLE_VALUE;
  size_t size = 0;    // bytes of buffer filled
  size_t offset = 0;  // the next record in buffer
  bool started = false;
  bool ended = false;
  alignas(8) unsigned char buffer[16 * 1024];
};

bool FolderListing::Open(const char* folder) {
  Close();
  HANDLE opened = nt::OpenFolderPath(folder, FILE_LIST_DIRECTORY | SYNCHRONIZE, nt::kAllSharing);
  return opened != INVALID_HANDLE_VALUE && Adopt(reinterpret_cast<intptr_t>(opened));
}

bool FolderListing::OpenSub(const FolderListing& parent, const char* name) {
  if (parent.state_ == nullptr || this == &parent || name == nullptr) return false;
  Close();
  HANDLE opened = INVALID_HANDLE_VALUE;
  if (nt::OpenRelative(parent.state_->folder, nt::Wide(name, std::strlen(name)),
                       FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE, nt::kAllSharing, FILE_OPEN,
                       FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, &opened) < 0) {
    return false;
  }
  nt::HandleFacts facts;
  if (!nt::QueryHandle(opened, &facts) || (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    CloseHandle(opened);
    return false;
  }
  return Adopt(reinterpret_cast<intptr_t>(opened));
}

bool FolderListing::Adopt(intptr_t handle) {
  state_ = new (std::nothrow) State;
  if (state_ == nullptr) {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    return false;
  }
  state_->folder = reinterpret_cast<HANDLE>(handle);
  return true;
}

bool FolderListing::Next(FolderEntry* entry) {
  if (state_ == nullptr) return false;
  for (;;) {
    if (state_->offset >= state_->size) {
      if (state_->ended) return false;
      const NTSTATUS status = nt::ReadFolder(state_->folder, state_->buffer, sizeof state_->buffer, !state_->started);
      state_->started = true;
      if (status < 0 || status == nt::kNoMoreFiles) {
        state_->ended = true;
        return false;
      }
      state_->size = sizeof state_->buffer;
      state_->offset = 0;
    }
    const auto* item = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(state_->buffer + state_->offset);
    state_->offset = item->NextEntryOffset == 0 ? state_->size : state_->offset + item->NextEntryOffset;
    // Names the program's code page cannot write are left out: the system
    // could not be asked for them again.
    if (!nt::Narrow(item->FileName, item->FileNameLength / sizeof(wchar_t), &entry->name)) continue;
    // A reparse point (link, junction) is never entered: a file to the listing.
    entry->is_folder = (item->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                       (item->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    entry->size = 0;  // a listing tells kinds, as on every system
    return true;
  }
}

void FolderListing::Close() {
  if (state_ == nullptr) return;
  if (state_->folder != INVALID_HANDLE_VALUE) CloseHandle(state_->folder);
  SecureZeroMemory(state_->buffer, sizeof state_->buffer);
  delete state_;
  state_ = nullptr;
}

bool QueryEntry(const char* path, FolderEntry* entry) {
  // A wildcard would make the listing find some other entry.
  if (path == nullptr || std::strpbrk(path, "*?") != nullptr) return false;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(WidePathOf(path).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return FillEntry(data, entry);
}

// The program's code page takes one character per byte, and each of its
// characters is one UTF-16 unit.
bool FitsNameLimit(const char*, size_t length) { return length <= 255; }

uint32_t QueryDriveType(const char* root) { return GetDriveTypeW(WidePathOf(root).c_str()); }

bool QueryDiskSpace(const char* path, DiskSpace* space) {
  const std::wstring root = WidePathOf(path).substr(0, 3);
  DWORD sectors = 0, bytes = 0, free_clusters = 0, total = 0;
  const Fault fault = NextFault(SystemCall::kFreeSpace);
  if (fault != Fault::kNone && fault != Fault::kDiskFull) return false;
  if (!GetDiskFreeSpaceW(root.c_str(), &sectors, &bytes, &free_clusters, &total)) return false;
  if (fault == Fault::kDiskFull) free_clusters = 0;
  space->sectors_per_cluster = sectors;
  space->bytes_per_sector = bytes;
  space->free_clusters = free_clusters;
  space->total_clusters = total;
  return true;
}

bool QueryTempFolder(String* folder) {
  wchar_t buffer[kTempPathBufferSize];
  const DWORD n = GetTempPathW(kTempPathBufferSize, buffer);
  if (n == 0 || n >= kTempPathBufferSize || !FolderOfSystem(std::wstring(buffer, n), folder)) {
    folder->Empty();
    return false;
  }
  return !folder->IsEmpty();
}

// --- Attributes and times ------------------------------------------------------------

uint32_t ReadAttributes(const char* path) { return GetFileAttributesW(WidePathOf(path).c_str()); }

bool WriteAttributes(const char* path, uint32_t attributes) {
  DWORD bits = attributes & kAttributeSettable;
  return SetFileAttributesW(WidePathOf(path).c_str(), bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits) != 0;
}

bool ReadFileTimes(const char* path, FileTimes* times) {
  nt::Handle file(CreateFileW(WidePathOf(path).c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  *times = FileTimes();
  FILETIME creation, access, write;
  if (GetFileTime(file.get(), &creation, &access, &write)) {
    times->creation = FromFiletime(creation);
    times->last_access = FromFiletime(access);
    times->last_write = FromFiletime(write);
    times->has_creation = times->has_last_access = times->has_last_write = true;
  }
  return true;
}

bool WriteFileTimes(const char* path, const FileTimes& times) {
  nt::Handle file(CreateFileW(WidePathOf(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  FILETIME creation = ToFiletime(times.creation);
  FILETIME access = ToFiletime(times.last_access);
  FILETIME write = ToFiletime(times.last_write);
  SetFileTime(file.get(), times.has_creation ? &creation : nullptr,
              times.has_last_access ? &access : nullptr, times.has_last_write ? &write : nullptr);
  return true;
}

// --- Changes ---------------------------------------------------------------------

// The default security of a folder below the user's own temporary folder is
// already the user's; there is no separate owner-only form to ask for.
bool CreateFolder(const char* folder, FolderAccess) {
  if (Failed(SystemCall::kCreateFolder)) return false;
  return CreateDirectoryW(WidePathOf(folder).c_str(), nullptr) != 0;
}

bool RemoveFolder(const char* folder) {
  return !Failed(SystemCall::kRemove) && RemoveDirectoryW(WidePathOf(folder).c_str()) != 0;
}

bool RemoveFile(const char* path) { return !Failed(SystemCall::kRemove) && DeleteFileW(WidePathOf(path).c_str()) != 0; }

bool MakeExecutable(const char*) { return true; }

RenameResult Rename(const char* from, const char* to) {
  if (MoveFileW(WidePathOf(from).c_str(), WidePathOf(to).c_str())) return RenameResult::kOk;
  return GetLastError() == ERROR_ACCESS_DENIED ? RenameResult::kAccessDenied : RenameResult::kFailed;
}

// --- File handle -------------------------------------------------------------------

bool File::Open(const char* path, const char* mode) {
  Close();
  out_of_space_ = false;
  static constexpr const char* kModes[] = {"rb", "wb", "wt", "w+b", "r+b"};
  if (mode == nullptr) return false;
  for (const char* m : kModes) {
    if (std::strcmp(mode, m) != 0) continue;
    const std::wstring native = WidePathOf(path);
    // Windows refuses to write a read-only file; say so here too, so that a
    // runtime that would not (Wine run by root) behaves the same.
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (m[0] != 'r' || m[1] == '+') {
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
          (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
      }
    }
    if (m[0] == 'w' && Failed(SystemCall::kCreateFile)) return false;
    const std::wstring wide_mode = WideOf(m);
    file_ = _wfopen(native.c_str(), wide_mode.c_str());
    return file_ != nullptr;
  }
  return false;
}

bool File::CreateNew(const char* path) {
  Close();
  out_of_space_ = false;
  if (Failed(SystemCall::kCreateFile)) return false;
  HANDLE h = CreateFileW(WidePathOf(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return false;
  }
  file_ = _fdopen(fd, "w+b");
  if (file_ == nullptr) _close(fd);  // closes the handle too
  return file_ != nullptr;
}

bool File::Seek(int64_t offset, SeekOrigin origin) {
  return file_ != nullptr && _fseeki64(file_, offset, static_cast<int>(origin)) == 0;
}

int64_t File::Tell() { return file_ == nullptr ? -1 : _ftelli64(file_); }

bool File::Sync() {
  if (!Flush()) return false;
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_)));
  return h != INVALID_HANDLE_VALUE && nt::FlushData(h);
}

bool File::Truncate(uint64_t length) {
  if (length > static_cast<uint64_t>(INT64_MAX)) return false;
  return Flush() && _chsize_s(_fileno(file_), static_cast<__int64>(length)) == 0;
}

void File::NoteWriteFailure() { out_of_space_ = out_of_space_ || errno == ENOSPC; }

// --- Source of a copy ----------------------------------------------------------------

bool SourceFile::Open(const char* path) {
  Close();
  // Shared as the runtime's fopen shares a file it reads.
  HANDLE h = CreateFileW(WidePathOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  return h != INVALID_HANDLE_VALUE && Adopt(reinterpret_cast<intptr_t>(h));
}

bool SourceFile::Adopt(intptr_t handle) {
  Close();
  HANDLE h = reinterpret_cast<HANDLE>(handle);
  nt::HandleFacts facts;
  if (GetFileType(h) != FILE_TYPE_DISK || !nt::QueryHandle(h, &facts) ||
      (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(h);
    return false;
  }
  handle_ = handle;
  size_ = facts.size;
  times_.creation = facts.creation;
  times_.last_access = facts.last_access;
  times_.last_write = facts.last_write;
  times_.has_creation = times_.has_last_access = times_.has_last_write = true;
  attributes_ = facts.attributes & kAttributeSettable;
  return true;
}

int64_t SourceFile::Read(void* buffer, size_t length) {
  if (handle_ == kNoHandle) return -1;
  DWORD piece = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
  DWORD read = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, piece, &read, nullptr)) return -1;
  return read;
}

void SourceFile::Close() {
  if (handle_ != kNoHandle) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNoHandle;
  size_ = 0;
  times_ = FileTimes();
  attributes_ = 0;
}

}  // namespace mv::platform
