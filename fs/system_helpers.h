// Thin helpers over the shell, resources and system services. Folder results
// are in the internal path form with a trailing '/', and a folder that does
// not exist comes back as "", so callers test one condition. None throws.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "base/text_id.h"

namespace mv {

// Shell folder numbers the program asks for (the platform's identifiers).
inline constexpr int kDesktopFolder = 0x0010;
inline constexpr int kProfileFolder = 0x0028;  // the user's own folder (POSIX: $HOME)

String GetSpecialFolder(int folder);
// The operating system's folder; "" where the platform has none.
String GetWindowsFolder();
// The platform's temporary folder; "" when it does not exist.
String GetSystemTempFolder();
// The desktop directory; when it is missing, the folder named by the user's
// "Start Menu" shell folder value; else "".
String GetDesktopFolder();

// The text in the user's language (platform::UserLanguage), Windows-1252.
String UserText(TextId id);
// The text in the user's language, formatted with one number or one text.
String FormatUserText(TextId id, uint32_t number);
String FormatUserText(TextId id, const String& text);

// The platform family in the high 16 bits (1 9x, 2 NT) and the release in
// the low 16 bits, for the releases the program knows; 0 otherwise.
uint32_t GetOsVersionCode();
bool IsWindowsNT4();

// The program's executable: full path, its folder (with '/') and its name.
String GetProgramPath();
String GetProgramFolder();
String GetProgramFileName();

// The platform's short (8.3) form of a path, or the path unchanged.
String GetShortPath(const char* path);

// kFolderNotFound when the folder does not exist; otherwise starts the
// platform's file manager on it and returns RunProgram's result.
Result OpenFolderInExplorer(const char* folder);

// The text to open for a link: "http://" + text when it holds no ':' at all,
// else the text unchanged (a scheme or a drive letter).
String UrlForLink(const char* text);
// Opens UrlForLink(text) with the platform's "open" action; always kOk.
Result OpenUrl(const char* text);

enum class RegistryRoot { kCurrentUser, kLocalMachine };
// Reads a plain-string value of at most 259 characters: kOk and the text;
// kFailed when the key or value is missing, too long or of another type
// (out unchanged). The key path may use
// '/' and end in a separator. Platforms without a registry answer kFailed.
Result ReadRegString(RegistryRoot root, const char* key_path, const char* value, String* out);
// The value under the user's "Shell Folders" key, or "".
String GetShellFolderPath(const char* value);

// Starts a program (internal or native path) with the arguments. kOk when
// started (and finished, when waiting: exit_code then holds its exit code);
// kFailed when the platform refused; kProgramNotFound when the file does not
// exist, without asking the platform.
Result RunProgram(const char* program, const char* arguments, bool wait, bool hide, uint32_t* exit_code);

// The version code of one version record (see GetOsVersionCode).
struct OsVersionRecord {
  uint32_t platform_id;
  uint32_t major;
  uint32_t minor;
  const char* service;
};
uint32_t OsVersionCode(const OsVersionRecord& version);

}  // namespace mv
