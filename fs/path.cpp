#include "fs/path.h"

#include <cstring>

namespace mv {
namespace {

constexpr const char* kRefusedCharacters = "\\?<>*|\"";

char LastChar(const String& s) { return s.GetAt(s.GetLength() - 1); }

// A copy that is never the "no text" string, so callers can hand c_str()
// on without a null check.
String Text(const String& s) { return s.c_str() == nullptr ? String("") : s; }

// The text after position pos.
String After(const String& s, int32_t pos) { return s.Right(s.GetLength() - pos - 1); }

// The text before the last '/' of s, with a trailing '/' ("" without one).
String FolderBeforeLastSlash(const String& s) {
  int32_t slash = s.FindLast('/');
  return AddTrailingSlash(slash < 0 ? String("") : s.Left(slash));
}

}  // namespace

String ToInternalPath(const String& path) {
  String out = Text(path);
  out.ReplaceChar('\\', '/');
  return out;
}

String ToNativePath(const String& path) {
  String out = Text(path);
  out.ReplaceChar('/', '\\');
  return out;
}

String ToDisplayPath(const String& path) {
#if defined(_WIN32)
  return ToNativePath(path);
#else
  return ToInternalPath(path);
#endif
}

String StripTrailingSlash(const String& path) {
  String out = ToInternalPath(path);
  int32_t n = out.GetLength();
  bool drive_root = n == 3 && out.GetAt(1) == ':';
  if (n > 1 && !drive_root && LastChar(out) == '/') return out.Left(n - 1);
  return out;
}

String AddTrailingSlash(const String& path) {
  String out = ToInternalPath(path);
  if (out.GetLength() >= 1 && LastChar(out) != '/') out += '/';
  return out;
}

bool IsValidPath(const String& path) {
  if (path.IsEmpty()) return false;
  return std::strpbrk(path.c_str(), kRefusedCharacters) == nullptr;
}

bool IsFilePath(const String& path) {
  char last = LastChar(path);
  return IsValidPath(path) && last != '/' && last != ':';
}

bool IsFolderPath(const String& path) { return IsValidPath(path) && LastChar(path) == '/'; }

bool IsDriveSpec(const String& path) {
  int32_t n = path.GetLength();
  return n >= 2 && path.FindLast(':') == n - 1;
}

String GetFileName(const String& path) {
  String internal = ToInternalPath(path);
  if (!IsFilePath(internal)) return String("");
  int32_t slash = internal.FindLast('/');
  return slash < 0 ? internal : After(internal, slash);
}

String GetFileTitle(const String& path) {
  String name = GetFileName(path);
  int32_t dot = name.FindLast('.');
  return dot < 0 ? name : name.Left(dot);
}

String GetFileExtension(const String& path) {
  String internal = ToInternalPath(path);
  int32_t dot = internal.FindLast('.');
  return dot < 0 ? String("") : After(internal, dot);
}

String GetFolderPart(const String& path) {
  if (IsFolderPath(path)) return path;
  return FolderBeforeLastSlash(Text(path));
}

String GetDriveSpec(const String& path) {
  int32_t colon = path.Find(':');
  return colon < 0 ? String("") : path.Left(colon + 1);
}

String GetParentFolder(const String& path) {
  if (IsFilePath(path)) return GetFolderPart(path);
  if (IsFolderPath(path) && path.GetLength() > 3) {
    return FolderBeforeLastSlash(StripTrailingSlash(path));
  }
  return String("");
}

}  // namespace mv
