// Win32 side of platform/shell.h.
#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>

#include "platform/platform.h"
#include "platform/shell.h"

namespace mv::platform {
namespace {

HMODULE ModuleOrProgram(void* module) {
  if (module != nullptr) return static_cast<HMODULE>(module);
  void* stored = GetModuleHandle();
  return stored != nullptr ? static_cast<HMODULE>(stored) : ::GetModuleHandleA(nullptr);
}

// Fills a String through a platform call that writes at most `size` bytes.
template <typename Call>
String FromBuffer(int32_t size, Call call) {
  String out;
  char* buffer = out.GetBuffer(size);
  if (buffer == nullptr) return String("");
  buffer[0] = '\0';
  if (!call(buffer, size)) buffer[0] = '\0';
  out.ReleaseBuffer();
  return out;
}

}  // namespace

String GetSpecialFolderPath(int folder) {
  return FromBuffer(MAX_PATH, [folder](char* buffer, int32_t) {
    LPITEMIDLIST items = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, folder, &items) != S_OK || items == nullptr) return false;
    BOOL ok = SHGetPathFromIDListA(items, buffer);
    CoTaskMemFree(items);
    return ok != FALSE;
  });
}

String GetWindowsFolderPath() {
  return FromBuffer(MAX_PATH, [](char* buffer, int32_t size) {
    UINT n = GetWindowsDirectoryA(buffer, static_cast<UINT>(size));
    return n > 0 && n < static_cast<UINT>(size);
  });
}

String LoadResourceString(uint32_t id, void* module) {
  return FromBuffer(32000, [id, module](char* buffer, int32_t size) {
    return LoadStringA(ModuleOrProgram(module), id, buffer, size) > 0;
  });
}

bool GetOsVersion(OsVersion* version) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  version->platform_id = info.dwPlatformId;
  version->major = info.dwMajorVersion;
  version->minor = info.dwMinorVersion;
  version->service = info.szCSDVersion;
  return true;
}

String GetExecutablePath() {
  return FromBuffer(10000, [](char* buffer, int32_t size) {
    DWORD n = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    return n > 0 && n < static_cast<DWORD>(size);
  });
}

String QueryShortPath(const char* path) {
  String out = FromBuffer(MAX_PATH, [path](char* buffer, int32_t size) {
    DWORD n = GetShortPathNameA(path, buffer, static_cast<DWORD>(size));
    return n > 0 && n < static_cast<DWORD>(size);
  });
  return out.IsEmpty() ? String(path) : out;
}

void ShellOpen(const char* target) { ShellExecuteA(nullptr, "open", target, "", nullptr, SW_SHOWNORMAL); }

Result OpenFileManager(const char* folder) {
  String explorer = GetWindowsFolderPath();
  if (explorer.GetAt(explorer.GetLength() - 1) != '\\') explorer += "\\";
  explorer += "explorer.exe";
  String native(folder);
  native.ReplaceChar('/', '\\');
  return StartProgram(explorer.c_str(), native.c_str(), false, false, nullptr);
}

Result ReadRegistryString(RegistryRoot root, const char* key, const char* value, String* out) {
  HKEY opened = nullptr;
  HKEY base = root == RegistryRoot::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  if (RegOpenKeyExA(base, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return kFailed;
  char buffer[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;
  DWORD type = 0;
  LONG rc = RegQueryValueExA(opened, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(opened);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return kFailed;
  buffer[size < MAX_PATH ? size : MAX_PATH] = '\0';
  *out = buffer;
  return kOk;
}

Result StartProgram(const char* program, const char* arguments, bool wait, bool hide, uint32_t* exit_code) {
  String command(program);
  command.ReplaceChar('/', '\\');
  command += " ";
  command += arguments;
  if (command.GetLength() > 31999) return kFailed;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (hide) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  PROCESS_INFORMATION process{};
  String writable(command);  // CreateProcessA may write into its command line
  if (!CreateProcessA(nullptr, const_cast<char*>(writable.c_str()), nullptr, nullptr, FALSE,
                      NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process)) {
    return kFailed;
  }
  if (wait) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (exit_code != nullptr && GetExitCodeProcess(process.hProcess, &code)) *exit_code = code;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return kOk;
}

}  // namespace mv::platform
