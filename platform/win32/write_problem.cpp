// Win32 side of platform/write_problem.h: file attributes on the way up and
// the free bytes of the volume. Permissions and read-only volumes are not
// asked (kNone).
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/win32/wide_text.h"
#include "platform/write_problem.h"

namespace mv::platform {
namespace {

std::string Native(const char* path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '/') c = '\\';
  }
  while (native.size() > 3 && native.back() == '\\') native.pop_back();
  return native;
}

WriteDiagnosis Found(WriteProblem problem, const std::string& where) {
  WriteDiagnosis diagnosis;
  diagnosis.problem = problem;
  std::string internal = where;
  for (char& c : internal) {
    if (c == '\\') c = '/';
  }
  diagnosis.where = internal.c_str();
  return diagnosis;
}

}  // namespace

WriteDiagnosis DiagnoseWrite(const char* path, uint64_t needed) {
  if (path == nullptr || *path == '\0') return {};
  const std::string target = Native(path);
  std::string existing = target;
  DWORD attributes;
  while ((attributes = GetFileAttributesW(WideOf(existing.c_str()).c_str())) == INVALID_FILE_ATTRIBUTES) {
    const size_t slash = existing.rfind('\\');
    if (slash == std::string::npos || slash == 0) return {};
    existing.resize(slash == 2 && existing[1] == ':' ? 3 : slash);
  }
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const char last = path[std::strlen(path) - 1];
  if (existing == target && folder && last != '/' && last != '\\') return Found(WriteProblem::kIsFolder, existing);
  if (existing == target && !folder && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Found(WriteProblem::kReadOnlyFile, existing);
  }
  if (!folder && existing != target) return Found(WriteProblem::kNotAFolder, existing);
  ULARGE_INTEGER available{};
  const std::string volume_folder = folder ? existing : existing.substr(0, existing.rfind('\\') + 1);
  if (GetDiskFreeSpaceExW(WideOf(volume_folder.c_str()).c_str(), &available, nullptr, nullptr) &&
      (available.QuadPart == 0 || available.QuadPart < needed)) {
    WriteDiagnosis diagnosis = Found(WriteProblem::kNoSpace, volume_folder);
    diagnosis.free_bytes = available.QuadPart;
    return diagnosis;
  }
  return {};
}

}  // namespace mv::platform
