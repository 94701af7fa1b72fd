// Win32 side of source_entries.h: FindFirstFileA lists, a reparse point is
// the link, and opening it without FILE_FLAG_OPEN_REPARSE_POINT reaches its
// target.
#include <windows.h>

#include <cstring>

#include "platform/source_entries.h"

namespace mv::platform {
namespace {

String NativePath(const char* path) {
  String native(path == nullptr ? "" : path);
  native.ReplaceChar('/', '\\');
  return native;
}

// Opens path for reading, following a reparse point; the size of what it
// reaches, or false.
bool ReadableSize(const String& native, uint64_t* size) {
  HANDLE h = CreateFileA(native.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length;
  bool ok = GetFileSizeEx(h, &length) != 0;
  CloseHandle(h);
  if (ok) *size = static_cast<uint64_t>(length.QuadPart);
  return ok;
}

void Classify(const String& native, const WIN32_FIND_DATAA& data, SourceEntry* entry) {
  const DWORD attributes = data.dwFileAttributes;
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry->name = data.cFileName;
  entry->fits = std::strchr(data.cFileName, '?') == nullptr;
  entry->size = 0;
  entry->unreadable = false;
  entry->target.Empty();
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    entry->kind = folder ? SourceKind::kFolder : SourceKind::kFile;
    if (!folder) {
      entry->size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
      uint64_t ignored = 0;
      entry->unreadable = entry->fits && !ReadableSize(native, &ignored);
    }
    return;
  }
  const DWORD target = GetFileAttributesA(native.c_str());
  if (folder) {
    entry->kind = SourceKind::kLinkToFolder;
  } else if (ReadableSize(native, &entry->size)) {
    entry->kind = SourceKind::kLinkToFile;
  } else {
    entry->kind = target == INVALID_FILE_ATTRIBUTES ? SourceKind::kDanglingLink : SourceKind::kLinkToFile;
    entry->unreadable = entry->kind == SourceKind::kLinkToFile;
  }
}

}  // namespace

bool ListSourceFolder(const char* folder, std::vector<SourceEntry>* entries) {
  String base = NativePath(folder);
  if (!base.IsEmpty() && base.GetAt(base.GetLength() - 1) != '\\') base += '\\';
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((base + "*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  entries->clear();
  do {
    if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
    SourceEntry entry;
    Classify(base + data.cFileName, data, &entry);
    entries->push_back(entry);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return true;
}

bool QuerySource(const char* path, SourceEntry* entry) {
  if (path == nullptr || std::strpbrk(path, "*?") != nullptr) return false;
  const String native = NativePath(path);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(native.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  Classify(native, data, entry);
  return true;
}

}  // namespace mv::platform
