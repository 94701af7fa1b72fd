// POSIX side of platform/shell.h.
#include <spawn.h>
#include <sys/auxv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/shell.h"

extern char** environ;

namespace mv::platform {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

String ToProgramText(const std::string& system_text) {
  String out;
  if (!FromSystemText(system_text.c_str(), &out)) return String("");
  return out;
}

// The value of NAME="..." in the XDG user-dirs file, with $HOME expanded.
std::string XdgUserDir(const char* name) {
  std::string config = Environment("XDG_CONFIG_HOME");
  if (config.empty()) config = Environment("HOME") + "/.config";
  std::FILE* file = std::fopen((config + "/user-dirs.dirs").c_str(), "r");
  if (file == nullptr) return std::string();
  std::string result;
  char line[4096];
  const std::string prefix = std::string(name) + "=\"";
  while (std::fgets(line, sizeof line, file) != nullptr) {
    std::string text(line);
    if (text.compare(0, prefix.size(), prefix) != 0) continue;
    size_t end = text.find('"', prefix.size());
    if (end == std::string::npos) break;
    result = text.substr(prefix.size(), end - prefix.size());
    if (result.compare(0, 5, "$HOME") == 0) result = Environment("HOME") + result.substr(5);
    break;
  }
  std::fclose(file);
  return result;
}

// Starts a program without a shell: argv is the program and, when given, one
// argument. A child that is not waited for stays a zombie until this
// short-lived process ends, which reaps nothing and harms nothing.
Result Spawn(const std::string& program, const std::string& argument, bool wait, uint32_t* exit_code) {
  std::string program_copy = program;
  std::string argument_copy = argument;
  char* argv[3] = {program_copy.data(), argument.empty() ? nullptr : argument_copy.data(), nullptr};
  pid_t pid = 0;
  int rc = program.find('/') == std::string::npos
               ? posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ)
               : posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ);
  if (rc != 0) return kFailed;
  if (wait) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status) && exit_code != nullptr) {
      *exit_code = static_cast<uint32_t>(WEXITSTATUS(status));
    }
  }
  return kOk;
}

}  // namespace

String GetSpecialFolderPath(int folder) {
  std::string path;
  switch (folder) {
    case kFolderDesktop:
      path = XdgUserDir("XDG_DESKTOP_DIR");
      if (path.empty() && !Environment("HOME").empty()) path = Environment("HOME") + "/Desktop";
      break;
    case kFolderPersonal:
      path = XdgUserDir("XDG_DOCUMENTS_DIR");
      if (path.empty() && !Environment("HOME").empty()) path = Environment("HOME") + "/Documents";
      break;
    case kFolderProfile:
      path = Environment("HOME");
      break;
    case kFolderLocalAppData:
      path = Environment("XDG_DATA_HOME");
      if (path.empty() && !Environment("HOME").empty()) path = Environment("HOME") + "/.local/share";
      break;
    default:
      break;
  }
  return ToProgramText(path);
}

String GetWindowsFolderPath() { return String(""); }

bool GetOsVersion(OsVersion*) { return false; }

// Where /proc is not mounted (a bare container root), the path the program
// was started by, as the kernel handed it over, resolved.
String GetExecutablePath() {
  char buffer[10000];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) {
    buffer[n] = '\0';
    return ToProgramText(buffer);
  }
  const auto* started_as = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  char resolved[PATH_MAX];
  if (started_as == nullptr || realpath(started_as, resolved) == nullptr) return String("");
  return ToProgramText(resolved);
}

String QueryShortPath(const char* path) { return String(path); }

void ShellOpen(const char* target) {
  String system_text;
  if (!ToSystemText(target, &system_text)) return;
  Spawn("xdg-open", system_text.c_str(), false, nullptr);
}

Result OpenFileManager(const char* folder) {
  String system_text;
  if (!ToSystemText(folder, &system_text)) return kFailed;
  return Spawn("xdg-open", system_text.c_str(), false, nullptr);
}

Result ShowFileInFileManager(const char* file) {
  const std::string path(file);
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return OpenFileManager(".");
  return OpenFileManager(path.substr(0, slash == 0 ? 1 : slash).c_str());
}

Result CreateSendToShortcut(const char*, const char*) { return kUnsupported; }

Result ReadRegistryString(RegistryRoot, const char*, const char*, String*) { return kFailed; }

Result StartProgram(const char* program, const char* arguments, bool wait, bool, uint32_t* exit_code) {
  String system_program;
  String system_arguments;
  if (!ToSystemText(program, &system_program)) return kFailed;
  if (arguments != nullptr && *arguments != '\0' && !ToSystemText(arguments, &system_arguments)) return kFailed;
  return Spawn(system_program.c_str(), system_arguments.c_str() == nullptr ? "" : system_arguments.c_str(),
               wait, exit_code);
}

}  // namespace mv::platform
