// The entries of a package as a listing shows them: kind, size, time of the
// last change and path, taken from each archive entry as it is read. Shared
// by the packer's `list` and the Linux stub's `--list`.
#pragma once

#include <cstdint>
#include <string>

#include "base/string.h"
#include "stream/tag_record.h"

namespace mv {

struct ListedEntry {
  bool folder = false;
  String path;        // folder and name joined, as the package names it (a folder ends in '/')
  uint32_t size = 0;  // bytes of a file
  uint64_t time = 0;  // last change (FILETIME); 0 when the package gives none
};

// One member of a content record as a listing shows it; false for a member
// that is no archive entry. For a reader that looks at each entry as it is
// read (container/package_reader.h SetEntryListener).
bool ListedEntryOf(const TagValue& member, ListedEntry* listed);

// "YYYY-MM-DD HH:MM:SS" (UTC) of a file time (100 ns since 1601-01-01).
std::string FormatFileTime(uint64_t file_time);

// One line of a listing, without its line end: "file   <size>  <time>  <path>"
// or "folder      -  -  <path>", in columns; the path as a person reads it
// (fs/path.h ToDisplayPath: backslashes on Windows).
String FormatEntryLine(const ListedEntry& entry);

}  // namespace mv
