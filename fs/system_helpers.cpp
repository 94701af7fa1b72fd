#include "fs/system_helpers.h"

#include "fs/disk_query.h"
#include "fs/path.h"
#include "fs/temp_names.h"
#include "base/text_catalogue.h"
#include "platform/language.h"
#include "platform/shell.h"

namespace mv {
namespace {

constexpr char kShellFoldersKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

String FolderForm(const String& path) {
  if (path.IsEmpty()) return String("");
  String folder = AddTrailingSlash(ToInternalPath(path));
  return FolderExists(folder) ? folder : String("");
}

}  // namespace

String GetSpecialFolder(int folder) { return FolderForm(platform::GetSpecialFolderPath(folder)); }

String GetWindowsFolder() { return FolderForm(platform::GetWindowsFolderPath()); }

String GetSystemTempFolder() { return FolderForm(GetTempFolder()); }

String GetDesktopFolder() {
  String desktop = GetSpecialFolder(kDesktopFolder);
  if (!desktop.IsEmpty()) return desktop;
  return FolderForm(GetShellFolderPath("Start Menu"));
}

String UserText(TextId id) { return String(TextOf(id, platform::UserLanguage())); }

String FormatUserText(TextId id, uint32_t number) {
  String text;
  String::Format(text, TextOf(id, platform::UserLanguage()), static_cast<int>(number));
  return text;
}

String FormatUserText(TextId id, const String& value) {
  String text;
  String::Format(text, TextOf(id, platform::UserLanguage()), value.c_str() == nullptr ? "" : value.c_str());
  return text;
}

uint32_t OsVersionCode(const OsVersionRecord& v) {
  const char second = (v.service != nullptr && v.service[0] != '\0') ? v.service[1] : '\0';
  if (v.platform_id == 1 && v.major == 4) {
    if (v.minor == 0) return second == 'C' ? 0x10033 : 0x10032;
    if (v.minor == 10) return second == 'A' ? 0x10051 : 0x10050;
    if (v.minor == 90) return 0x1005A;
    return 0;
  }
  if (v.platform_id == 2) {
    if (v.major == 3) return 0x20003;
    if (v.major == 4) return 0x20004;
    if (v.major == 5 && v.minor == 0) return 0x207D0;
    if (v.major == 5 && v.minor == 1) return 0x207D1;
  }
  return 0;
}

uint32_t GetOsVersionCode() {
  platform::OsVersion version;
  if (!platform::GetOsVersion(&version)) return 0;
  return OsVersionCode({version.platform_id, version.major, version.minor, version.service.c_str()});
}

bool IsWindowsNT4() { return GetOsVersionCode() == 0x20004; }

String GetProgramPath() { return ToInternalPath(platform::GetExecutablePath()); }
String GetProgramFolder() { return GetFolderPart(GetProgramPath()); }
String GetProgramFileName() { return GetFileName(GetProgramPath()); }

String GetShortPath(const char* path) { return platform::QueryShortPath(path); }

Result OpenFolderInExplorer(const char* folder) {
  String internal = ToInternalPath(String(folder));
  if (!FolderExists(internal)) return kFolderNotFound;
  return platform::OpenFileManager(StripTrailingSlash(internal).c_str());
}

String UrlForLink(const char* text) {
  String link(text);
  return link.Find(':') < 0 ? String("http://") + link : link;
}

Result OpenUrl(const char* text) {
  platform::ShellOpen(UrlForLink(text).c_str());
  return kOk;
}

Result ReadRegString(RegistryRoot root, const char* key_path, const char* value, String* out) {
  String key = StripTrailingSlash(String(key_path));
  key.ReplaceChar('/', '\\');
  return platform::ReadRegistryString(
      root == RegistryRoot::kCurrentUser ? platform::RegistryRoot::kCurrentUser : platform::RegistryRoot::kLocalMachine,
      key.c_str(), value, out);
}

String GetShellFolderPath(const char* value) {
  String text;
  if (ReadRegString(RegistryRoot::kCurrentUser, kShellFoldersKey, value, &text) != kOk) return String("");
  return text;
}

Result RunProgram(const char* program, const char* arguments, bool wait, bool hide, uint32_t* exit_code) {
  if (!FileExists(ToInternalPath(String(program)))) return kProgramNotFound;
  if (exit_code != nullptr) *exit_code = 0;
  return platform::StartProgram(ToInternalPath(String(program)).c_str(), arguments == nullptr ? "" : arguments,
                                wait, hide, exit_code);
}

}  // namespace mv
