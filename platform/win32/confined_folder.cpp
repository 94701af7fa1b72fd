// Win32 side of confined_folder.h. Each folder component below the root is
// checked before use (a reparse point, that is a symbolic link or junction,
// is refused) and made when missing; the final file is opened with
// FILE_FLAG_OPEN_REPARSE_POINT so that the handle is the name itself, never
// what a link there points to, and the handle is checked again. Times and
// attribute flags are set through that handle.
#include <windows.h>

#include <cstring>
#include <new>

#include "platform/confined_folder.h"
#include "platform/confined_path.h"
#include "platform/temporary_name.h"

namespace mv::platform {
namespace {

using confined_path::IsPlainComponent;
using confined_path::SplitFinal;
using confined_path::WithoutTrailingSlashes;

String NativePath(const char* path) {
  String native(path == nullptr ? "" : path);
  native.ReplaceChar('/', '\\');
  return native;
}

bool IsDiskFull(DWORD error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

ConfinedStatus StatusOfError(DWORD error) {
  if (IsDiskFull(error)) return ConfinedStatus::kDiskFull;
  if (error == ERROR_CANT_ACCESS_FILE || error == ERROR_REPARSE_TAG_INVALID) return ConfinedStatus::kLink;
  return ConfinedStatus::kFailed;
}

// Checks every component of a relative path below root ('/'-separated),
// every component plain.
bool AllPlain(const String& path) {
  const char* text = path.c_str() == nullptr ? "" : path.c_str();
  size_t length = std::strlen(text);
  for (size_t start = 0; start < length;) {
    size_t end = start;
    while (end < length && text[end] != '/') ++end;
    if (!IsPlainComponent(text + start, end - start)) return false;
    start = end + 1;
  }
  return true;
}

// The checks a file's final name must pass before anything is written there.
ConfinedStatus CheckFinalName(const String& native, CreateMode mode) {
  DWORD attributes = GetFileAttributesA(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ConfinedStatus::kOk
                                                                           : StatusOfError(error);
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return ConfinedStatus::kLink;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ConfinedStatus::kIsFolder;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return ConfinedStatus::kReadOnly;
  if (mode == CreateMode::kNew) return ConfinedStatus::kExists;
  return ConfinedStatus::kOk;
}

LARGE_INTEGER ToLarge(bool has, FileTime time) {
  LARGE_INTEGER value;
  value.QuadPart = has ? static_cast<LONGLONG>(time) : 0;  // 0 leaves the time as it is
  return value;
}

}  // namespace

struct ConfinedFolder::State {
  String root;         // native, ending in '\'
  String checked;      // the relative folder last found safe ("" = root)
};

struct ConfinedFile::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  String final_path;    // native
  String temporary;     // native; empty when written in place
  CreateMode mode = CreateMode::kInPlace;
};

bool ConfinedFolder::Open(const char* root) {
  Close();
  String native = NativePath(root);
  if (native.IsEmpty()) return false;
  if (native.GetAt(native.GetLength() - 1) != '\\') native += '\\';
  DWORD attributes = GetFileAttributesA(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  state_ = new (std::nothrow) State;
  if (state_ == nullptr) return false;
  state_->root = native;
  return true;
}

void ConfinedFolder::Close() {
  delete state_;
  state_ = nullptr;
}

namespace {

// Walks the folder components of relative (no trailing '/') below root,
// making the missing ones when create is set.
ConfinedStatus ReachFolder(const String& root, const String& relative, bool create, String* checked) {
  if (relative.IsEmpty() || checked->Equals(relative.c_str())) return ConfinedStatus::kOk;
  if (!AllPlain(relative)) return ConfinedStatus::kFailed;
  const char* text = relative.c_str();
  size_t length = std::strlen(text);
  for (size_t end = 0; end <= length; ++end) {
    if (end < length && text[end] != '/') continue;
    String native = root + NativePath(relative.Left(static_cast<int32_t>(end)).c_str());
    DWORD attributes = GetFileAttributesA(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      DWORD error = GetLastError();
      if (!create || (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)) {
        return StatusOfError(error);
      }
      if (!CreateDirectoryA(native.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return StatusOfError(GetLastError());
      }
      attributes = GetFileAttributesA(native.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) return ConfinedStatus::kFailed;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return ConfinedStatus::kLink;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ConfinedStatus::kNotFolder;
  }
  *checked = relative;
  return ConfinedStatus::kOk;
}

}  // namespace

ConfinedStatus ConfinedFolder::MakeFolders(const char* relative) {
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  return ReachFolder(state_->root, WithoutTrailingSlashes(String(relative)), true, &state_->checked);
}

ConfinedStatus ConfinedFolder::BeginFile(const char* relative, CreateMode mode, ConfinedFile* file) {
  file->Abandon();
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  String path(relative), folder, name;
  if (!SplitFinal(path, &folder, &name)) return ConfinedStatus::kFailed;
  ConfinedStatus status = ReachFolder(state_->root, folder, true, &state_->checked);
  if (status != ConfinedStatus::kOk) return status;
  String final_path = state_->root + NativePath(path.c_str());
  status = CheckFinalName(final_path, mode);
  if (status != ConfinedStatus::kOk) return status;

  auto* state = new (std::nothrow) ConfinedFile::State;
  if (state == nullptr) return ConfinedStatus::kFailed;
  state->mode = mode;
  state->final_path = final_path;
  constexpr DWORD kAccess = GENERIC_WRITE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
  if (mode == CreateMode::kInPlace) {
    state->handle = ::CreateFileA(final_path.c_str(), kAccess, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  } else {
    String base = state_->root + NativePath(folder.c_str());
    if (!folder.IsEmpty()) base += '\\';
    for (int attempt = 0; attempt < 16; ++attempt) {
      char digits[kTemporaryNameDigits + 1];
      if (!NextTemporaryName(digits)) {
        SetLastError(ERROR_GEN_FAILURE);
        break;
      }
      String::Format(state->temporary, "%s~mv%s.tmp", base.c_str(), digits);
      state->handle = ::CreateFileA(state->temporary.c_str(), kAccess, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (state->handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) break;
    }
  }
  if (state->handle == INVALID_HANDLE_VALUE) {
    status = StatusOfError(GetLastError());
    state->temporary.Empty();
    delete state;
    return status;
  }
  file->state_ = state;
  // The handle is the name itself: what it opened must be a plain file.
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(state->handle, &info)) {
    file->Abandon();
    return ConfinedStatus::kFailed;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    CloseHandle(state->handle);
    state->handle = INVALID_HANDLE_VALUE;
    file->Abandon();
    return ConfinedStatus::kLink;
  }
  if (mode == CreateMode::kInPlace && !SetEndOfFile(state->handle)) {
    file->Abandon();
    return ConfinedStatus::kFailed;
  }
  return ConfinedStatus::kOk;
}

bool ConfinedFile::IsOpen() const { return state_ != nullptr; }

ConfinedStatus ConfinedFile::Write(const void* buffer, size_t length) {
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  while (length > 0) {
    DWORD piece = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
    DWORD written = 0;
    if (!WriteFile(state_->handle, bytes, piece, &written, nullptr)) return StatusOfError(GetLastError());
    if (written == 0) return ConfinedStatus::kFailed;
    bytes += written;
    length -= written;
  }
  return ConfinedStatus::kOk;
}

// Windows has no copy between two handles that keeps to these checks
// (CopyFileEx works on paths): the bytes pass through buffer.
ConfinedStatus ConfinedFile::CopyFrom(SourceFile& source, size_t length, void* buffer, size_t buffer_size,
                                      size_t* copied) {
  *copied = 0;
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  return CopyThroughBuffer(source, length, buffer, buffer_size, copied);
}

ConfinedStatus ConfinedFile::Finish(const FileTimes& times, uint32_t attributes, bool* info_failed) {
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  FILE_BASIC_INFO basic;
  std::memset(&basic, 0, sizeof basic);
  basic.CreationTime = ToLarge(times.has_creation, times.creation);
  basic.LastAccessTime = ToLarge(times.has_last_access, times.last_access);
  basic.LastWriteTime = ToLarge(times.has_last_write, times.last_write);
  uint32_t bits = attributes & kAttributeSettable;
  basic.FileAttributes = bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits;
  bool info_ok = SetFileInformationByHandle(state_->handle, FileBasicInfo, &basic, sizeof basic) != 0;
  if (info_failed != nullptr) *info_failed = !info_ok;
  HANDLE handle = state_->handle;
  state_->handle = INVALID_HANDLE_VALUE;
  if (!CloseHandle(handle)) {
    DWORD error = GetLastError();
    Abandon();
    return StatusOfError(error);
  }
  ConfinedStatus status = ConfinedStatus::kOk;
  if (!state_->temporary.IsEmpty()) {
    // Checked again right before the move; MoveFileEx replaces a link at
    // the name itself, never what it points to.
    status = CheckFinalName(state_->final_path, state_->mode);
    DWORD flags = state_->mode == CreateMode::kReplace ? MOVEFILE_REPLACE_EXISTING : 0;
    if (status == ConfinedStatus::kOk &&
        !MoveFileExA(state_->temporary.c_str(), state_->final_path.c_str(), flags)) {
      DWORD error = GetLastError();
      status = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? ConfinedStatus::kExists
                                                                            : StatusOfError(error);
    }
    if (status == ConfinedStatus::kOk) state_->temporary.Empty();
  }
  Abandon();
  return status;
}

void ConfinedFile::Abandon() {
  if (state_ == nullptr) return;
  if (state_->handle != INVALID_HANDLE_VALUE) CloseHandle(state_->handle);
  if (!state_->temporary.IsEmpty()) {
    // A read-only flag set by Finish would keep it.
    SetFileAttributesA(state_->temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(state_->temporary.c_str());
  }
  delete state_;
  state_ = nullptr;
}

}  // namespace mv::platform
