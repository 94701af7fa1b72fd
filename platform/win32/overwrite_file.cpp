// Win32 side of overwrite_file.h.
#include <windows.h>

#include <cstdint>

#include "platform/overwrite_file.h"
#include "platform/win32/nt_files.h"

namespace mv::platform {
namespace {

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

bool OverwriteFile::Adopt(intptr_t handle) {
  Close();
  HANDLE h = AsHandle(handle);
  nt::HandleFacts facts;
  if (!nt::QueryHandle(h, &facts) || (facts.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    CloseHandle(h);
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(h);
  size_ = facts.size;
  block_size_ = 0;  // the caller asks the drive for its cluster
  return true;
}

bool OverwriteFile::IsOpen() const { return handle_ != -1; }

bool OverwriteFile::OverwriteAt(uint64_t offset, const uint8_t* bytes, size_t length) {
  if (handle_ == -1) return false;
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(AsHandle(handle_), position, nullptr, FILE_BEGIN)) return false;
  while (length > 0) {
    constexpr size_t kPiece = 1u << 30;  // WriteFile takes a DWORD
    DWORD n = static_cast<DWORD>(length < kPiece ? length : kPiece);
    DWORD written = 0;
    if (!nt::WriteSome(AsHandle(handle_), bytes, n, &written) || written == 0) return false;
    bytes += written;
    length -= written;
  }
  return true;
}

void OverwriteFile::StartWriteBack() {}

bool OverwriteFile::WaitWriteBack() { return handle_ != -1 && nt::FlushData(AsHandle(handle_)); }

bool OverwriteFile::WaitWriteBackTogether(OverwriteFile* files, size_t count) {
  bool all = true;
  for (size_t i = 0; i < count; ++i) {
    if (files[i].IsOpen() && !files[i].WaitWriteBack()) all = false;
  }
  return all;
}

size_t OverwriteFile::BatchLimit() { return SIZE_MAX; }

bool OverwriteFile::TruncateToZero() {
  if (handle_ == -1) return false;
  LARGE_INTEGER start;
  start.QuadPart = 0;
  return SetFilePointerEx(AsHandle(handle_), start, nullptr, FILE_BEGIN) && SetEndOfFile(AsHandle(handle_));
}

void OverwriteFile::Close() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
  handle_ = -1;
  size_ = 0;
  block_size_ = 0;
}

}  // namespace mv::platform
