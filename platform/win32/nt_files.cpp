// Win32 side: the handle-relative file calls of nt_files.h.
#include "platform/win32/nt_files.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"

extern "C" NTSTATUS NTAPI NtQueryInformationFile(HANDLE file, PIO_STATUS_BLOCK io, PVOID buffer, ULONG length,
                                                 FILE_INFORMATION_CLASS information_class);
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PVOID apc_routine, PVOID apc_context,
                                               PIO_STATUS_BLOCK io, PVOID buffer, ULONG length,
                                               FILE_INFORMATION_CLASS information_class, BOOLEAN single_entry,
                                               PUNICODE_STRING file_name, BOOLEAN restart_scan);

namespace mv::platform::nt {
namespace {

constexpr FILE_INFORMATION_CLASS kDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(1);
constexpr FILE_INFORMATION_CLASS kBasicInformation = static_cast<FILE_INFORMATION_CLASS>(4);
constexpr FILE_INFORMATION_CLASS kStandardInformation = static_cast<FILE_INFORMATION_CLASS>(5);
constexpr FILE_INFORMATION_CLASS kInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
constexpr FILE_INFORMATION_CLASS kRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
constexpr FILE_INFORMATION_CLASS kDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
constexpr FILE_INFORMATION_CLASS kIdBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(37);

UNICODE_STRING Counted(const std::wstring& text) {
  UNICODE_STRING counted;
  counted.Buffer = const_cast<PWSTR>(text.c_str());
  counted.Length = counted.MaximumLength = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  return counted;
}

}  // namespace

std::wstring Wide(const char* text, size_t length) { return WideOf(std::string(text, length).c_str()); }

bool Narrow(const wchar_t* text, size_t length, String* out) { return ProgramTextOf(text, length, out); }

NTSTATUS StatusOfFault(Fault fault) {
  switch (fault) {
    case Fault::kDiskFull:
      return kDiskFull;
    case Fault::kNoPermission:
      return static_cast<NTSTATUS>(0xC0000022);  // STATUS_ACCESS_DENIED
    case Fault::kVanished:
      return static_cast<NTSTATUS>(0xC0000034);  // STATUS_OBJECT_NAME_NOT_FOUND
    case Fault::kIoError:
      return static_cast<NTSTATUS>(0xC0000185);  // STATUS_IO_DEVICE_ERROR
    case Fault::kNone:
    case Fault::kShortWrite:
    case Fault::kMemoryFileSystem:
      break;
  }
  return kSuccess;
}

DWORD ErrorOfFault(Fault fault) {
  switch (fault) {
    case Fault::kDiskFull:
      return ERROR_DISK_FULL;
    case Fault::kNoPermission:
      return ERROR_ACCESS_DENIED;
    case Fault::kVanished:
      return ERROR_FILE_NOT_FOUND;
    case Fault::kIoError:
      return ERROR_IO_DEVICE;
    case Fault::kNone:
    case Fault::kShortWrite:
    case Fault::kMemoryFileSystem:
      break;
  }
  return 0;
}

bool WriteSome(HANDLE handle, const void* bytes, DWORD length, DWORD* written) {
  const Fault fault = NextFault(SystemCall::kWrite);
  if (fault == Fault::kShortWrite && length > 1) length /= 2;
  if (fault != Fault::kNone && fault != Fault::kShortWrite) {
    *written = 0;
    SetLastError(ErrorOfFault(fault));
    return false;
  }
  return WriteFile(handle, bytes, length, written, nullptr) != 0;
}

bool FlushData(HANDLE handle) {
  const Fault fault = NextFault(SystemCall::kFlush);
  if (fault != Fault::kNone) {
    SetLastError(ErrorOfFault(fault));
    return false;
  }
  return FlushFileBuffers(handle) != 0;
}

NTSTATUS OpenRelative(HANDLE root, const std::wstring& name, ACCESS_MASK access, ULONG sharing, ULONG disposition,
                      ULONG create_options, HANDLE* out, ULONG attributes) {
  *out = INVALID_HANDLE_VALUE;
  if (disposition != FILE_OPEN) {
    const bool folder = (create_options & FILE_DIRECTORY_FILE) != 0;
    const Fault fault = NextFault(folder ? SystemCall::kCreateFolder : SystemCall::kCreateFile);
    if (fault != Fault::kNone) return StatusOfFault(fault);
  }
  UNICODE_STRING counted = Counted(name);
  OBJECT_ATTRIBUTES object;
  InitializeObjectAttributes(&object, &counted, OBJ_CASE_INSENSITIVE, root, nullptr);
  IO_STATUS_BLOCK io;
  *out = INVALID_HANDLE_VALUE;
  HANDLE handle = nullptr;
  NTSTATUS status = NtCreateFile(&handle, access | SYNCHRONIZE, &object, &io, nullptr, attributes, sharing, disposition,
                                 create_options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (status >= 0) *out = handle;
  return status;
}

HANDLE OpenFolderPath(const char* path, ACCESS_MASK access, ULONG sharing) {
  String native(path == nullptr ? "" : path);
  native.ReplaceChar('/', '\\');
  const std::wstring wide = Wide(native);
  if (wide.empty()) return INVALID_HANDLE_VALUE;
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return INVALID_HANDLE_VALUE;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return INVALID_HANDLE_VALUE;
  full.resize(length);
  // The long form takes paths past MAX_PATH.
  if (full.compare(0, 4, L"\\\\?\\") != 0) {
    full = full.compare(0, 2, L"\\\\") == 0 ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
  }
  return CreateFileW(full.c_str(), access, sharing, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool ListedEntry(HANDLE root, const std::wstring& name, DWORD* attributes, uint64_t* file_id) {
  // A handle of its own: a folder handle keeps the name it was first asked.
  HANDLE folder = INVALID_HANDLE_VALUE;
  if (OpenRelative(root, std::wstring(), FILE_LIST_DIRECTORY, kAllSharing, FILE_OPEN, FILE_DIRECTORY_FILE, &folder) <
      0) {
    return false;
  }
  alignas(8) unsigned char buffer[sizeof(FILE_ID_BOTH_DIR_INFORMATION) + 2 * MAX_PATH];
  UNICODE_STRING mask = Counted(name);
  IO_STATUS_BLOCK io;
  NTSTATUS status = NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
                                         kIdBothDirectoryInformation, TRUE, &mask, TRUE);
  CloseHandle(folder);
  if (status < 0 || status == kNoMoreFiles) return false;
  const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFORMATION*>(buffer);
  if (CompareStringOrdinal(entry->FileName, static_cast<int>(entry->FileNameLength / sizeof(wchar_t)), name.c_str(),
                           static_cast<int>(name.size()), TRUE) != CSTR_EQUAL) {
    return false;
  }
  *attributes = entry->FileAttributes;
  *file_id = static_cast<uint64_t>(entry->FileId.QuadPart);
  return true;
}

bool QueryHandle(HANDLE handle, HandleFacts* facts) {
  FILE_BASIC_INFORMATION basic;
  FILE_STANDARD_INFORMATION standard;
  LARGE_INTEGER internal;
  IO_STATUS_BLOCK io;
  if (NtQueryInformationFile(handle, &io, &basic, sizeof basic, kBasicInformation) < 0 ||
      NtQueryInformationFile(handle, &io, &standard, sizeof standard, kStandardInformation) < 0 ||
      NtQueryInformationFile(handle, &io, &internal, sizeof internal, kInternalInformation) < 0) {
    return false;
  }
  facts->attributes = basic.FileAttributes;
  facts->file_id = static_cast<uint64_t>(internal.QuadPart);
  facts->size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
  facts->creation = static_cast<uint64_t>(basic.CreationTime.QuadPart);
  facts->last_access = static_cast<uint64_t>(basic.LastAccessTime.QuadPart);
  facts->last_write = static_cast<uint64_t>(basic.LastWriteTime.QuadPart);
  return true;
}

NTSTATUS RenameTo(HANDLE handle, HANDLE root, const std::wstring& name, bool replace) {
  const Fault fault = NextFault(SystemCall::kRename);
  if (fault != Fault::kNone) return StatusOfFault(fault);
  const size_t bytes = name.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFORMATION) + bytes, 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = root;
  info->FileNameLength = static_cast<ULONG>(bytes);
  std::memcpy(info->FileName, name.c_str(), bytes);
  IO_STATUS_BLOCK io;
  return NtSetInformationFile(handle, &io, info, static_cast<ULONG>(buffer.size()), kRenameInformation);
}

NTSTATUS DeleteOnClose(HANDLE handle) {
  const Fault fault = NextFault(SystemCall::kRemove);
  if (fault != Fault::kNone) return StatusOfFault(fault);
  FILE_DISPOSITION_INFORMATION disposition;
  disposition.DoDeleteFile = TRUE;
  IO_STATUS_BLOCK io;
  return NtSetInformationFile(handle, &io, &disposition, sizeof disposition, kDispositionInformation);
}

NTSTATUS ReadFolder(HANDLE handle, void* buffer, ULONG size, bool restart) {
  IO_STATUS_BLOCK io;
  return NtQueryDirectoryFile(handle, nullptr, nullptr, nullptr, &io, buffer, size, kDirectoryInformation, FALSE,
                              nullptr, restart ? TRUE : FALSE);
}

}  // namespace mv::platform::nt
