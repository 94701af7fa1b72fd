// The shell, resource and system services the system helpers ask of the
// operating system. Results are in the system's own form (native separators
// on Windows) and the program's code page; base/system_helpers.h turns them
// into the internal path form. Each operation says what POSIX does instead.
// Windows: a path the system names that the code page cannot hold (a user
// name in another script) comes in its short (8.3) form, or as "" where the
// volume keeps no short names.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"

namespace mv::platform {

// Shell folder numbers (Win32 CSIDL values) the program asks for.
inline constexpr int kFolderDesktop = 0x0010;       // the desktop directory
inline constexpr int kFolderPersonal = 0x0005;      // documents
inline constexpr int kFolderLocalAppData = 0x001C;  // per-user application data
inline constexpr int kFolderProfile = 0x0028;       // the user's own (home) folder

// The path of a shell folder, "" when the shell has none. Windows:
// SHGetSpecialFolderLocation + SHGetPathFromIDListW (the item list freed with
// the shell's allocator). POSIX: the XDG user directory (XDG_DESKTOP_DIR and
// XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs, else $HOME/Desktop
// and $HOME/Documents; XDG_DATA_HOME or $HOME/.local/share for app data;
// $HOME for the profile).
String GetSpecialFolderPath(int folder);

// The operating system's folder (GetWindowsDirectoryW). POSIX has
// none: "".
String GetWindowsFolderPath();

// The version record: platform id (1 9x, 2 NT), major and minor version and
// the service text. False when it cannot be read (GetVersionExW). POSIX:
// false, so every version test answers "no".
struct OsVersion {
  uint32_t platform_id = 0;
  uint32_t major = 0;
  uint32_t minor = 0;
  String service;
};
bool GetOsVersion(OsVersion* version);

// The full path of the running executable (GetModuleFileNameW;
// POSIX: /proc/self/exe converted to the program's code page), "" on failure.
String GetExecutablePath();

// The short (8.3) form of a path (GetShortPathNameW); the path
// unchanged when there is none. POSIX has no short names: unchanged.
String QueryShortPath(const char* path);

// Opens a document or web address with the platform's "open" action
// (ShellExecuteW, show normal; POSIX: xdg-open, not waited for). The
// platform's answer is not reported.
void ShellOpen(const char* target);

// Shows a folder in the platform's file manager (Windows: explorer.exe from
// the Windows folder, given the folder in native form; POSIX: xdg-open). The
// folder is in internal form without a trailing '/'. Returns the result of
// starting the program.
Result OpenFileManager(const char* folder);

// Shows a file in the platform's file manager, selected in its folder
// (Windows: explorer.exe /select; POSIX: xdg-open of the file's folder,
// which has no common way to select). The file is in internal form.
// Returns the result of starting the program.
Result ShowFileInFileManager(const char* file);

// Puts a shortcut to program (internal path form) named name (".lnk" is
// added; a shortcut of that name is replaced) into the user's own Send To
// folder, so that Explorer's Send To menu starts program with the chosen
// files and folders as its arguments. Needs no administrator rights
// (Windows: SHGetKnownFolderPath(FOLDERID_SendTo), IShellLinkW saved through
// IPersistFile). kOk, or kFailed. POSIX has no Send To menu: kUnsupported.
Result CreateSendToShortcut(const char* program, const char* name);

// Registry roots the program reads from.
enum class RegistryRoot { kCurrentUser, kLocalMachine };

// Reads a plain-string registry value of at most 259 characters: 0 and the
// text; 1 when the key or value is missing, too long or not a plain string
// (RegOpenKeyExW with KEY_READ, RegQueryValueExW). POSIX has no registry: 1.
Result ReadRegistryString(RegistryRoot root, const char* key, const char* value, String* out);

// Starts a program (internal path form), exactly that file (no search): the
// command line is the program's native path, quoted, and the arguments
// (Windows: CreateProcessW, at most 31999 characters, no inherited handles,
// hidden window when asked; POSIX: posix_spawn with the arguments as one
// argument when not empty). With wait set, waits for the
// end and stores the exit code when asked. kOk when started, kFailed when
// the platform refused.
Result StartProgram(const char* program, const char* arguments, bool wait, bool hide, uint32_t* exit_code);

}  // namespace mv::platform
