// What the packer must know of the files and folders it is asked to pack,
// beyond the listing of files.h: the kind of every entry, so that a symbolic
// link, a FIFO or a device is never taken for a plain file, and the names
// the program's code page cannot write, which files.h leaves out of its
// listings. Paths are in the internal form of files.h.
//
// Windows has no FIFOs, sockets or devices in folders; a reparse point
// (symbolic link, junction) plays the link. Names come from the wide entry
// points on Windows, as bytes on POSIX, and are converted by
// codepage.h's ProgramNameOf on both.
#pragma once

#include <cstdint>
#include <vector>

#include "base/string.h"

namespace mv::platform {

enum class SourceKind {
  kFile,          // a regular file
  kFolder,        // a folder (never one reached through a link)
  kLinkToFile,    // a symbolic link to a regular file: read through, it gives that file
  kLinkToFolder,  // a symbolic link to a folder
  kDanglingLink,  // a symbolic link whose target does not exist or cannot be reached
  kSpecial,       // a FIFO, socket or device (POSIX only)
};

struct SourceEntry {
  // The name in the program's code page. When the system's name has no
  // form there (fits is false), every character without one shows as '?'
  // and the entry cannot be reached by this name.
  String name;
  bool fits = true;
  // When fits is false: the name as the system holds it (POSIX: its bytes,
  // UTF-8 or not; Windows: its UTF-8), for showing it as the user's terminal
  // does.
  String system_name;
  SourceKind kind = SourceKind::kFile;
  // Bytes of a file or of a link's target file; 0 otherwise.
  uint64_t size = 0;
  // A file or a link's target file that cannot be opened for reading.
  bool unreadable = false;
  // For kLinkToFile: the target file's own path (POSIX; empty on Windows),
  // so that its flags and times can stand for the link's.
  String target;
};

// The entries of a folder (trailing '/' optional) without "." and "..", in
// the system's listing order. False when the folder cannot be listed.
bool ListSourceFolder(const char* folder, std::vector<SourceEntry>* entries);

// What the entry at path is (its name is the last path component). False
// when nothing of that name exists.
bool QuerySource(const char* path, SourceEntry* entry);

}  // namespace mv::platform
