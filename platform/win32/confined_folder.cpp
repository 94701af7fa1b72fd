// Win32 side of confined_folder.h, with handles where POSIX has folder
// descriptors (nt_files.h). Each folder below the root is opened relative
// to its parent's handle without following a reparse point, and checked
// twice: the handle must not be a reparse point, and the parent must list
// the name as no reparse point with the file id of the handle (a system
// that follows a link on open anyway, as Wine does, is caught by the
// second). The handles of the root and of the folders on the current path
// are kept open without delete sharing, so while files are written below
// them none of them can be renamed, deleted or replaced by a link. Files
// are made, renamed over their final names and deleted through their own
// handles relative to their folder's; times and attribute flags are set
// through the file's handle.
#include <windows.h>

#include <cstring>
#include <new>
#include <vector>

#include "platform/confined_folder.h"
#include "platform/confined_path.h"
#include "platform/overwrite_file.h"
#include "platform/temporary_name.h"
#include "platform/win32/nt_files.h"

namespace mv::platform {
namespace {

using confined_path::IsPlainComponent;
using confined_path::SplitFinal;
using confined_path::WithoutTrailingSlashes;

using nt::Handle;

ConfinedStatus StatusOf(NTSTATUS status) {
  switch (status) {
    case nt::kSuccess:
      return ConfinedStatus::kOk;
    case nt::kDiskFull:
    case nt::kQuotaExceeded:
      return ConfinedStatus::kDiskFull;
    case nt::kStoppedOnSymlink:
    case nt::kReparseNotHandled:
      return ConfinedStatus::kLink;
    case nt::kNameCollision:
      return ConfinedStatus::kExists;
    case nt::kNotAFolder:
      return ConfinedStatus::kNotFolder;
    case nt::kFileIsFolder:
      return ConfinedStatus::kIsFolder;
    case nt::kNameTooLong:
      return ConfinedStatus::kTooLong;
    default:
      return status >= 0 ? ConfinedStatus::kOk : ConfinedStatus::kFailed;
  }
}

// What is at name in the folder of parent, as the folder lists it (a link
// as itself): kOk with *exists false when nothing is there.
ConfinedStatus ClassifyName(HANDLE parent, const std::wstring& name, bool* exists, DWORD* attributes,
                            uint64_t* file_id) {
  *exists = nt::ListedEntry(parent, name, attributes, file_id);
  if (*exists && (*attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return ConfinedStatus::kLink;
  return ConfinedStatus::kOk;
}

// The checks a file's final name must pass before anything is written there.
ConfinedStatus CheckFinalName(HANDLE folder, const std::wstring& name, CreateMode mode) {
  bool exists = false;
  DWORD attributes = 0;
  uint64_t id = 0;
  ConfinedStatus status = ClassifyName(folder, name, &exists, &attributes, &id);
  if (status != ConfinedStatus::kOk || !exists) return status;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ConfinedStatus::kIsFolder;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return ConfinedStatus::kReadOnly;
  if (mode == CreateMode::kNew) return ConfinedStatus::kExists;
  return ConfinedStatus::kOk;
}

// An opened handle is the name's own: not a reparse point itself, and
// listed by its folder under that name as no reparse point with the same
// file id (so neither a link followed on open nor one swapped in since).
ConfinedStatus CheckOpened(HANDLE parent, const std::wstring& name, HANDLE opened) {
  nt::HandleFacts facts;
  if (!nt::QueryHandle(opened, &facts)) return ConfinedStatus::kFailed;
  if ((facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return ConfinedStatus::kLink;
  DWORD listed_attributes = 0;
  uint64_t listed_id = 0;
  if (!nt::ListedEntry(parent, name, &listed_attributes, &listed_id)) return ConfinedStatus::kFailed;
  if ((listed_attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || listed_id != facts.file_id) {
    return ConfinedStatus::kLink;
  }
  return ConfinedStatus::kOk;
}

// Opens the existing file name inside folder into out (with extra create
// options), never through a link: the handle checked to be the name's own.
ConfinedStatus OpenChecked(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG sharing, ULONG options,
                           Handle* out) {
  HANDLE opened = INVALID_HANDLE_VALUE;
  NTSTATUS result = nt::OpenRelative(folder, name, access, sharing, FILE_OPEN,
                                     FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | options, &opened);
  if (result < 0) return StatusOf(result);
  out->Reset(opened);
  ConfinedStatus status = CheckOpened(folder, name, opened);
  if (status != ConfinedStatus::kOk) out->Reset(INVALID_HANDLE_VALUE);
  return status;
}

// Opens the folder name inside parent into out, held against renaming and
// deletion, never through a link. create: made first when missing (a
// folder made here is new and needs no check); must_be_new: a name taken
// already is kExists.
ConfinedStatus Step(HANDLE parent, const std::wstring& name, bool create, Handle* out, bool must_be_new = false) {
  HANDLE opened = INVALID_HANDLE_VALUE;
  constexpr ULONG kFolder = FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT;
  if (create) {
    NTSTATUS made = nt::OpenRelative(parent, name, nt::kFolderAccess, nt::kHoldSharing, FILE_CREATE, kFolder, &opened);
    if (made >= 0) {
      out->Reset(opened);
      return ConfinedStatus::kOk;
    }
    if (made != nt::kNameCollision || must_be_new) return StatusOf(made);
  }
  NTSTATUS status = nt::OpenRelative(parent, name, nt::kFolderAccess, nt::kHoldSharing, FILE_OPEN, kFolder, &opened);
  if (status < 0) {
    if (status != nt::kNotAFolder) return StatusOf(status);
    bool exists = false;
    DWORD attributes = 0;
    uint64_t id = 0;
    ConfinedStatus kind = ClassifyName(parent, name, &exists, &attributes, &id);
    return kind != ConfinedStatus::kOk ? kind : ConfinedStatus::kNotFolder;
  }
  out->Reset(opened);
  ConfinedStatus checked = CheckOpened(parent, name, opened);
  if (checked != ConfinedStatus::kOk) out->Reset(INVALID_HANDLE_VALUE);
  return checked;
}

// Every component of a relative path ('/'-separated) in order.
bool Components(const String& path, std::vector<String>* parts) {
  const char* text = path.c_str() == nullptr ? "" : path.c_str();
  const size_t length = std::strlen(text);
  for (size_t start = 0; start < length;) {
    size_t end = start;
    while (end < length && text[end] != '/') ++end;
    if (!IsPlainComponent(text + start, end - start)) return false;
    parts->push_back(path.Mid(static_cast<int32_t>(start), static_cast<int32_t>(end - start)));
    start = end + 1;
  }
  return true;
}

LARGE_INTEGER ToLarge(bool has, FileTime time) {
  LARGE_INTEGER value;
  value.QuadPart = has ? static_cast<LONGLONG>(time) : 0;  // 0 leaves the time as it is
  return value;
}

// Sets exactly these attribute bits on an open handle (times left alone).
bool SetAttributes(HANDLE handle, DWORD bits) {
  FILE_BASIC_INFO basic;
  std::memset(&basic, 0, sizeof basic);
  basic.FileAttributes = bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits;
  return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) != 0;
}

}  // namespace

struct ConfinedFolder::State {
  Handle root;
  // The folders last reached below the root, one per component of their
  // path, outermost first (as on POSIX: the next path shares a prefix).
  struct Level {
    String name;
    HANDLE folder = INVALID_HANDLE_VALUE;
  };
  std::vector<Level> levels;

  ~State() { Truncate(0); }

  void Truncate(size_t depth) {
    while (levels.size() > depth) {
      CloseHandle(levels.back().folder);
      levels.pop_back();
    }
  }

  // The handle of the folder at path ('/'-separated, "" for the root),
  // made on the way when create is set; owned by the state.
  ConfinedStatus Reach(const String& path, bool create, HANDLE* folder) {
    std::vector<String> parts;
    if (!Components(path, &parts)) return ConfinedStatus::kFailed;
    size_t depth = 0;
    while (depth < parts.size() && depth < levels.size() && levels[depth].name == parts[depth]) ++depth;
    Truncate(depth);
    for (; depth < parts.size(); ++depth) {
      Handle opened;
      const HANDLE parent = levels.empty() ? root.get() : levels.back().folder;
      ConfinedStatus status = Step(parent, nt::Wide(parts[depth]), create, &opened);
      if (status != ConfinedStatus::kOk) return status;
      levels.push_back(Level{parts[depth], opened.Release()});
    }
    *folder = levels.empty() ? root.get() : levels.back().folder;
    return ConfinedStatus::kOk;
  }

  // Reaches the folder of relative and splits off its final name.
  ConfinedStatus ReachParent(const char* relative, bool create, HANDLE* folder, std::wstring* name) {
    String folder_path, final_name;
    if (relative == nullptr || !SplitFinal(WithoutTrailingSlashes(String(relative)), &folder_path, &final_name)) {
      return ConfinedStatus::kFailed;
    }
    *name = nt::Wide(final_name);
    return Reach(folder_path, create, folder);
  }

  // Opens the existing file at relative into out (OpenChecked).
  ConfinedStatus OpenFile(const char* relative, ACCESS_MASK access, ULONG sharing, ULONG options, Handle* out) {
    HANDLE folder = INVALID_HANDLE_VALUE;
    std::wstring name;
    ConfinedStatus status = ReachParent(relative, false, &folder, &name);
    return status != ConfinedStatus::kOk ? status : OpenChecked(folder, name, access, sharing, options, out);
  }

  // Opens the entry at relative (kind: 0, FILE_DIRECTORY_FILE or
  // FILE_NON_DIRECTORY_FILE) for renaming or deleting: DELETE access, every
  // kind of sharing, never through a link. Reaching its folder leaves
  // exactly that folder's path held, so the entry is never one of the
  // folders held open.
  ConfinedStatus OpenForDelete(const char* relative, ULONG kind, HANDLE* folder, Handle* entry) {
    std::wstring name;
    ConfinedStatus status = ReachParent(relative, false, folder, &name);
    if (status != ConfinedStatus::kOk) return status;
    HANDLE opened = INVALID_HANDLE_VALUE;
    NTSTATUS result =
        nt::OpenRelative(*folder, name, DELETE, nt::kAllSharing, FILE_OPEN, kind | FILE_OPEN_REPARSE_POINT, &opened);
    if (result < 0) return StatusOf(result);
    entry->Reset(opened);
    return ConfinedStatus::kOk;
  }
};

struct ConfinedFile::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  HANDLE folder = INVALID_HANDLE_VALUE;  // a handle of its own while a temporary name is in use
  std::wstring name;                     // final name
  bool temporary = false;
  CreateMode mode = CreateMode::kInPlace;

  ~State() {
    if (handle != INVALID_HANDLE_VALUE) {
      if (temporary) {
        // A read-only flag set by Finish would keep it.
        SetAttributes(handle, 0);
        nt::DeleteOnClose(handle);
      }
      CloseHandle(handle);
    }
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
  }
};

bool ConfinedFolder::Open(const char* root) {
  Close();
  HANDLE opened = nt::OpenFolderPath(root, nt::kFolderAccess, nt::kHoldSharing);
  if (opened == INVALID_HANDLE_VALUE) return false;
  state_ = new (std::nothrow) State;
  if (state_ == nullptr) {
    CloseHandle(opened);
    return false;
  }
  state_->root.Reset(opened);
  return true;
}

ConfinedStatus ConfinedFolder::OpenTarget(const char* path, bool replace) {
  Close();
  String internal(path == nullptr ? "" : path);
  internal.ReplaceChar('\\', '/');
  internal = WithoutTrailingSlashes(internal);
  const int32_t slash = internal.FindLast('/');
  const String name = internal.Mid(slash + 1, internal.GetLength() - slash - 1);
  Handle target;
  if (!IsPlainComponent(name.c_str(), static_cast<size_t>(name.GetLength())) || name.Find(':') >= 0) {
    // A drive root, "." or "..": the folder itself, which exists.
    if (!replace) return ConfinedStatus::kExists;
    target.Reset(nt::OpenFolderPath(path, nt::kFolderAccess, nt::kHoldSharing));
    if (!target.IsValid()) return ConfinedStatus::kFailed;
  } else {
    // The nearest existing folder above, as the system follows the
    // caller's path; the missing ones below it are made from its handle.
    std::vector<String> missing;
    String current = slash < 0 ? String(".") : internal.Left(slash + 1);
    Handle parent(nt::OpenFolderPath(current.c_str(), nt::kFolderAccess, nt::kAllSharing));
    while (!parent.IsValid()) {
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return ConfinedStatus::kFailed;
      const String above = WithoutTrailingSlashes(current);
      const int32_t cut = above.FindLast('/');
      const String part = above.Mid(cut + 1, above.GetLength() - cut - 1);
      if (cut < 0 || !IsPlainComponent(part.c_str(), static_cast<size_t>(part.GetLength())) || part.Find(':') >= 0) {
        return ConfinedStatus::kFailed;
      }
      missing.push_back(part);
      current = above.Left(cut + 1);
      parent.Reset(nt::OpenFolderPath(current.c_str(), nt::kFolderAccess, nt::kAllSharing));
    }
    for (; !missing.empty(); missing.pop_back()) {
      Handle next;
      ConfinedStatus status = Step(parent.get(), nt::Wide(missing.back()), true, &next);
      if (status != ConfinedStatus::kOk) return status;
      parent.Reset(next.Release());
    }
    ConfinedStatus status = Step(parent.get(), nt::Wide(name), true, &target, !replace);
    if (status != ConfinedStatus::kOk) return status;
  }
  state_ = new (std::nothrow) State;
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  state_->root.Reset(target.Release());
  return ConfinedStatus::kOk;
}

void ConfinedFolder::Close() {
  delete state_;
  state_ = nullptr;
  made_target_ = false;
}

ConfinedStatus ConfinedFolder::MakeFolders(const char* relative) {
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  HANDLE folder = INVALID_HANDLE_VALUE;
  return state_->Reach(WithoutTrailingSlashes(String(relative)), true, &folder);
}

ConfinedStatus ConfinedFolder::BeginFile(const char* relative, CreateMode mode, ConfinedFile* file) {
  if (mode == CreateMode::kFresh) mode = CreateMode::kNew;  // one way of writing a new file here
  file->Abandon();
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  String path(relative), folder_path, final_name;
  if (!SplitFinal(path, &folder_path, &final_name)) return ConfinedStatus::kFailed;
  HANDLE folder = INVALID_HANDLE_VALUE;
  ConfinedStatus status = state_->Reach(folder_path, true, &folder);
  if (status != ConfinedStatus::kOk) return status;
  const std::wstring name = nt::Wide(final_name);
  if (mode == CreateMode::kReplace) {
    status = CheckFinalName(folder, name, mode);
    if (status != ConfinedStatus::kOk) return status;
  }

  auto* state = new (std::nothrow) ConfinedFile::State;
  if (state == nullptr) return ConfinedStatus::kFailed;
  state->mode = mode;
  state->name = name;
  constexpr ACCESS_MASK kAccess = GENERIC_WRITE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE;
  constexpr ULONG kFile = FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT;
  NTSTATUS opened = nt::kSuccess;
  if (mode == CreateMode::kInPlace) {
    // A new name is the common case; an existing one is checked, then
    // truncated, and the handle checked to be the name's own.
    opened = nt::OpenRelative(folder, name, kAccess, FILE_SHARE_READ, FILE_CREATE, kFile, &state->handle);
    if (opened == nt::kNameCollision) {
      status = CheckFinalName(folder, name, mode);
      if (status == ConfinedStatus::kOk) {
        opened = nt::OpenRelative(folder, name, kAccess, FILE_SHARE_READ, FILE_OVERWRITE, kFile, &state->handle);
        if (opened >= 0) status = CheckOpened(folder, name, state->handle);
      }
    }
  } else {
    for (int attempt = 0; attempt < 16; ++attempt) {
      char digits[kTemporaryNameDigits + 1];
      if (!NextTemporaryName(digits)) {
        status = ConfinedStatus::kFailed;
        break;
      }
      String temporary;
      String::Format(temporary, "~mv%s.tmp", digits);
      opened = nt::OpenRelative(folder, nt::Wide(temporary), kAccess, 0, FILE_CREATE, kFile, &state->handle);
      if (opened != nt::kNameCollision) break;
    }
    state->temporary = opened >= 0 && state->handle != INVALID_HANDLE_VALUE;
  }
  if (status == ConfinedStatus::kOk && opened < 0) status = StatusOf(opened);
  if (status == ConfinedStatus::kOk && mode != CreateMode::kInPlace &&
      !DuplicateHandle(GetCurrentProcess(), folder, GetCurrentProcess(), &state->folder, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    status = ConfinedStatus::kFailed;
  }
  if (status != ConfinedStatus::kOk) {
    delete state;
    return status;
  }
  file->state_ = state;
  return ConfinedStatus::kOk;
}

bool ConfinedFile::IsOpen() const { return state_ != nullptr; }

ConfinedStatus ConfinedFile::Write(const void* buffer, size_t length) {
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  while (length > 0) {
    DWORD piece = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
    DWORD written = 0;
    if (!nt::WriteSome(state_->handle, bytes, piece, &written)) {
      const DWORD error = GetLastError();
      return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? ConfinedStatus::kDiskFull
                                                                         : ConfinedStatus::kFailed;
    }
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
  ConfinedStatus status = ConfinedStatus::kOk;
  if (state_->temporary) {
    // The rename never follows a link: a link at the name is replaced (with
    // kReplace, after the check when the file was begun) or refused.
    const bool replace = state_->mode == CreateMode::kReplace;
    NTSTATUS renamed = nt::RenameTo(state_->handle, state_->folder, state_->name, replace);
    if (renamed == nt::kNameCollision || (renamed < 0 && !replace)) {
      status = CheckFinalName(state_->folder, state_->name, CreateMode::kNew);
      if (status == ConfinedStatus::kOk) status = StatusOf(renamed);
    } else {
      status = StatusOf(renamed);
    }
    if (status == ConfinedStatus::kOk) state_->temporary = false;
  }
  Abandon();
  return status;
}

void ConfinedFile::Abandon() {
  delete state_;
  state_ = nullptr;
}

ConfinedStatus ConfinedFolder::OpenSource(const char* relative, SourceFile* file) {
  const Fault fault = NextFault(SystemCall::kOpenSource);
  if (fault != Fault::kNone) return StatusOf(nt::StatusOfFault(fault));
  Handle opened;
  ConfinedStatus status = state_ == nullptr ? ConfinedStatus::kFailed
                                            : state_->OpenFile(relative, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                               FILE_SEQUENTIAL_ONLY, &opened);
  if (status != ConfinedStatus::kOk) return status;
  return file->Adopt(reinterpret_cast<intptr_t>(opened.Release())) ? ConfinedStatus::kOk : ConfinedStatus::kFailed;
}

ConfinedStatus ConfinedFolder::OpenOverwrite(const char* relative, OverwriteFile* file) {
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  // A read-only flag would refuse the write: cleared first, as every flag.
  Handle opened;
  ConfinedStatus status =
      state_->OpenFile(relative, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, nt::kAllSharing, 0, &opened);
  if (status == ConfinedStatus::kOk && !SetAttributes(opened.get(), 0)) status = ConfinedStatus::kFailed;
  opened.Reset(INVALID_HANDLE_VALUE);
  if (status == ConfinedStatus::kOk) status = state_->OpenFile(relative, GENERIC_WRITE, FILE_SHARE_READ, 0, &opened);
  if (status != ConfinedStatus::kOk) return status;
  return file->Adopt(reinterpret_cast<intptr_t>(opened.Release())) ? ConfinedStatus::kOk : ConfinedStatus::kFailed;
}

ConfinedStatus ConfinedFolder::Rename(const char* relative, const char* new_name) {
  const size_t new_length = new_name == nullptr ? 0 : std::strlen(new_name);
  if (!IsPlainComponent(new_name, new_length) || std::strpbrk(new_name, "/\\:") != nullptr) {
    return ConfinedStatus::kFailed;
  }
  HANDLE folder = INVALID_HANDLE_VALUE;
  Handle entry;
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  ConfinedStatus status = state_->OpenForDelete(relative, 0, &folder, &entry);
  if (status != ConfinedStatus::kOk) return status;
  return StatusOf(nt::RenameTo(entry.get(), folder, nt::Wide(new_name, new_length), false));
}

ConfinedStatus ConfinedFolder::Remove(const char* relative) {
  const size_t length = relative == nullptr ? 0 : std::strlen(relative);
  const bool is_folder = length > 0 && relative[length - 1] == '/';
  HANDLE folder = INVALID_HANDLE_VALUE;
  Handle entry;
  if (state_ == nullptr) return ConfinedStatus::kFailed;
  ConfinedStatus status =
      state_->OpenForDelete(relative, is_folder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE, &folder, &entry);
  if (status != ConfinedStatus::kOk) return status;
  return StatusOf(nt::DeleteOnClose(entry.get()));
}

}  // namespace mv::platform
