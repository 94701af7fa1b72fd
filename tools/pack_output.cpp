#include "tools/pack_output.h"

#include "base/text_catalogue.h"
#include "fs/disk_query.h"
#include "fs/path.h"
#include "fs/system_helpers.h"

namespace mv::tools {
namespace {

// The folder that receives out: its folder part, or the current folder for
// a bare name.
String FolderOf(const String& out) {
  const String folder = GetFolderPart(out);
  return folder.IsEmpty() ? String("./") : folder;
}

}  // namespace

Result CheckOutput(const String& out, bool replace) {
  if (!FolderExists(AddTrailingSlash(FolderOf(out)))) return kFolderNotFound;
  if (FolderExists(AddTrailingSlash(out))) return kBadFolder;
  if (PathExists(out) && !replace) return kOutputExists;
  return kOk;
}

std::string OutputProblem(const std::string& out, bool replace) {
  const String path(out.c_str());
  const Result r = CheckOutput(path, replace);
  if (r == kOk) return "";
  std::string cause;
  if (r == kFolderNotFound) {
    cause = "the folder '" + std::string(FolderOf(path).c_str()) + "' does not exist";
  } else if (r == kBadFolder) {
    cause = "it is a folder";
  } else {
    cause = DescribeResult(r);
  }
  return "cannot write '" + out + "': " + cause + " (code " + std::to_string(r) + ")";
}

StubSystem OwnSystem() {
#ifdef _WIN32
  return StubSystem::kWindows;
#else
  return StubSystem::kLinux;
#endif
}

bool ParseStubSystem(const std::string& name, StubSystem* system) {
  if (name == "windows") {
    *system = StubSystem::kWindows;
  } else if (name == "linux") {
    *system = StubSystem::kLinux;
  } else {
    return false;
  }
  return true;
}

const char* StubFileName(StubSystem system) {
  return system == StubSystem::kWindows ? "morvalis-sfx.exe" : "morvalis-sfx";
}

String StubBesideProgram(StubSystem system) { return GetProgramFolder() + StubFileName(system); }

String PackerWindowBesideProgram() { return GetProgramFolder() + "morvalis-packer.exe"; }

}  // namespace mv::tools
