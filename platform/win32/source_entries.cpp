// Win32 side of source_entries.h: FindFirstFileW lists, a reparse point is
// the link, and opening it without FILE_FLAG_OPEN_REPARSE_POINT reaches its
// target.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/codepage.h"
#include "platform/source_entries.h"
#include "platform/win32/wide_text.h"

namespace mv::platform {
namespace {

// Opens path for reading, following a reparse point; the size of what it
// reaches, or false.
bool ReadableSize(const std::wstring& native, uint64_t* size) {
  HANDLE h = CreateFileW(native.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length;
  bool ok = GetFileSizeEx(h, &length) != 0;
  CloseHandle(h);
  if (ok) *size = static_cast<uint64_t>(length.QuadPart);
  return ok;
}

void Classify(const std::wstring& native, const WIN32_FIND_DATAW& data, SourceEntry* entry) {
  const DWORD attributes = data.dwFileAttributes;
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // The name as Windows holds it, in UTF-8, and its form in the program's
  // code page; a name without one is shown as the user sees it.
  String system_name;
  Utf8Of(data.cFileName, std::wcslen(data.cFileName), &system_name);
  entry->fits = ProgramNameOf(system_name.c_str(), &entry->name);
  entry->system_name = entry->fits ? String("") : system_name;
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
  const DWORD target = GetFileAttributesW(native.c_str());
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
  std::wstring base = WidePathOf(folder);
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((base + L"*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  entries->clear();
  do {
    if (std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0) continue;
    SourceEntry entry;
    Classify(base + data.cFileName, data, &entry);
    entries->push_back(entry);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return true;
}

bool QuerySource(const char* path, SourceEntry* entry) {
  if (path == nullptr || std::strpbrk(path, "*?") != nullptr) return false;
  const std::wstring native = WidePathOf(path);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(native.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  Classify(native, data, entry);
  return true;
}

}  // namespace mv::platform
