// POSIX side of platform/write_problem.h: walks up to the nearest existing
// part of the path, then asks stat, access and statvfs.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <fcntl.h>

#include <string>

#include "platform/codepage.h"
#include "platform/write_problem.h"

namespace mv::platform {
namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The path one level up ("." for a bare name).
std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

WriteDiagnosis Found(WriteProblem problem, const std::string& where) {
  WriteDiagnosis diagnosis;
  diagnosis.problem = problem;
  String program_where;
  FromSystemText(where.c_str(), &program_where);
  diagnosis.where = program_where;
  return diagnosis;
}

}  // namespace

WriteDiagnosis DiagnoseWrite(const char* path, uint64_t needed) {
  String system_path;
  if (path == nullptr || !ToSystemText(path, &system_path) || system_path.IsEmpty()) return {};
  const std::string target = WithoutTrailingSlash(system_path.c_str());
  std::string existing = target;
  struct stat st;
  while (stat(existing.c_str(), &st) != 0) {
    const std::string up = Parent(existing);
    if (up == existing) return {};
    existing = up;
  }
  if (existing == target) {
    if (S_ISDIR(st.st_mode) && system_path.c_str()[system_path.GetLength() - 1] != '/') {
      return Found(WriteProblem::kIsFolder, existing);
    }
    // The program's read-only: no write permission bit at all (also for
    // root, whom access() would let through).
    if (!S_ISDIR(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      return Found(WriteProblem::kReadOnlyFile, existing);
    }
  }
  if (!S_ISDIR(st.st_mode) && existing != target) return Found(WriteProblem::kNotAFolder, existing);
  const std::string folder = S_ISDIR(st.st_mode) ? existing : Parent(existing);
  struct statvfs device;
  const bool device_known = statvfs(folder.c_str(), &device) == 0;
  if (device_known && (device.f_flag & ST_RDONLY) != 0) {
    return Found(WriteProblem::kReadOnlyDevice, folder);
  }
  if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    return Found(WriteProblem::kNoPermission, folder);
  }
  if (device_known) {
    const uint64_t free_bytes = static_cast<uint64_t>(device.f_bavail) * device.f_frsize;
    if (free_bytes == 0 || free_bytes < needed) {
      WriteDiagnosis diagnosis = Found(WriteProblem::kNoSpace, folder);
      diagnosis.free_bytes = free_bytes;
      return diagnosis;
    }
  }
  return {};
}

}  // namespace mv::platform
