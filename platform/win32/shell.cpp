// Win32 side of platform/shell.h: every call is a wide one; texts and paths
// cross through the program's own code page table (wide_text.h).
#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>
#include <shobjidl.h>
#include <knownfolders.h>

#include <string>

#include "platform/platform.h"
#include "platform/shell.h"
#include "platform/win32/wide_text.h"

namespace mv::platform {
namespace {

// A path the system names, in the program's code page: its long form when
// the code page holds it, else its short (8.3) form, which Windows gives in
// ASCII where the volume keeps short names (a user name in another
// script); "" when neither can be held.
String SystemPath(const wchar_t* path, size_t length) {
  String out;
  if (ProgramTextOf(path, length, &out)) return out;
  const std::wstring whole(path, length);
  wchar_t short_form[MAX_PATH];
  const DWORD n = GetShortPathNameW(whole.c_str(), short_form, MAX_PATH);
  if (n > 0 && n < MAX_PATH && ProgramTextOf(short_form, n, &out)) return out;
  return String("");
}

}  // namespace

String GetSpecialFolderPath(int folder) {
  LPITEMIDLIST items = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, folder, &items) != S_OK || items == nullptr) return String("");
  wchar_t buffer[MAX_PATH] = {};
  const BOOL ok = SHGetPathFromIDListW(items, buffer);
  CoTaskMemFree(items);
  return ok ? SystemPath(buffer, wcslen(buffer)) : String("");
}

String GetWindowsFolderPath() {
  wchar_t buffer[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? SystemPath(buffer, n) : String("");
}

bool GetOsVersion(OsVersion* version) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
  version->platform_id = info.dwPlatformId;
  version->major = info.dwMajorVersion;
  version->minor = info.dwMinorVersion;
  if (!ProgramTextOf(info.szCSDVersion, wcslen(info.szCSDVersion), &version->service)) version->service = "";
  return true;
}

String GetExecutablePath() {
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return n > 0 && n < buffer.size() ? SystemPath(buffer.c_str(), n) : String("");
}

String QueryShortPath(const char* path) {
  const std::wstring wide = WideOf(path);
  wchar_t buffer[MAX_PATH];
  const DWORD n = GetShortPathNameW(wide.c_str(), buffer, MAX_PATH);
  String out;
  if (n > 0 && n < MAX_PATH && ProgramTextOf(buffer, n, &out)) return out;
  return String(path);
}

void ShellOpen(const char* target) {
  ShellExecuteW(nullptr, L"open", WideOf(target).c_str(), L"", nullptr, SW_SHOWNORMAL);
}

namespace {

// explorer.exe from the Windows folder, never one found by a search.
String ExplorerPath() {
  String explorer = GetWindowsFolderPath();
  if (explorer.GetAt(explorer.GetLength() - 1) != '\\') explorer += "\\";
  explorer += "explorer.exe";
  return explorer;
}

}  // namespace

Result OpenFileManager(const char* folder) {
  String native(folder);
  native.ReplaceChar('/', '\\');
  return StartProgram(ExplorerPath().c_str(), native.c_str(), false, false, nullptr);
}

Result ShowFileInFileManager(const char* file) {
  String native(file);
  native.ReplaceChar('/', '\\');
  String argument("/select,\"");
  argument += native;
  argument += "\"";
  return StartProgram(ExplorerPath().c_str(), argument.c_str(), false, false, nullptr);
}

Result CreateSendToShortcut(const char* program, const char* name) {
  PWSTR send_to = nullptr;
  if (FAILED(SHGetKnownFolderPath(FOLDERID_SendTo, KF_FLAG_CREATE, nullptr, &send_to))) return kFailed;
  const std::wstring target = std::wstring(send_to) + L"\\" + WideOf(name) + L".lnk";
  CoTaskMemFree(send_to);
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  bool saved = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    const std::wstring path = WidePathOf(program);
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    saved = SUCCEEDED(link->SetPath(path.c_str())) && SUCCEEDED(link->SetWorkingDirectory(folder.c_str())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            SUCCEEDED(file->Save(target.c_str(), TRUE));
  }
  if (file != nullptr) file->Release();
  if (link != nullptr) link->Release();
  if (com) CoUninitialize();
  return saved ? kOk : kFailed;
}

Result ReadRegistryString(RegistryRoot root, const char* key, const char* value, String* out) {
  HKEY opened = nullptr;
  HKEY base = root == RegistryRoot::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  if (RegOpenKeyExW(base, WideOf(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return kFailed;
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH * sizeof(wchar_t);
  DWORD type = 0;
  LONG rc = RegQueryValueExW(opened, WideOf(value).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(opened);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return kFailed;
  size_t length = size / sizeof(wchar_t);
  if (length > MAX_PATH) length = MAX_PATH;
  while (length > 0 && buffer[length - 1] == L'\0') --length;
  *out = SystemPath(buffer, length);
  return out->IsEmpty() && length > 0 ? kFailed : kOk;
}

Result StartProgram(const char* program, const char* arguments, bool wait, bool hide, uint32_t* exit_code) {
  // The program is named to the system as given, and quoted in the command
  // line: a path with blanks is never searched for piece by piece.
  const std::wstring path = WidePathOf(program);
  std::wstring command = L"\"" + path + L"\" " + WideOf(arguments);
  if (command.size() > 31999) return kFailed;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (hide) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  PROCESS_INFORMATION process{};
  // CreateProcessW may write into its command line.
  if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                      &startup, &process)) {
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
