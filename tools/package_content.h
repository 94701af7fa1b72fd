// Building the content record of a package from the packer's inputs, and
// reading the texts and files that go into a package.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/language.h"
#include "base/result.h"
#include "base/string.h"
#include "stream/tag_record.h"

namespace mv::tools {

// What packing a set of inputs found besides the entries: entries left out
// with a warning each, and the files with the sizes they had, to tell later
// which one changed when the write fails.
struct PackPlan {
  std::vector<std::string> warnings;
  std::vector<std::pair<String, uint64_t>> files;
  // The content's bytes: the files, the message and each entry's record,
  // counted generously (at least what the content record takes).
  uint64_t content_bytes = 0;
};

// Adds one archive entry per input file and per folder and file below each
// input folder, each folder under its own name: "docs" becomes "docs/",
// "docs/a.txt", ... Inputs may lie in different folders; every entry reads
// its file from where it was found. A symbolic link to a file packs that
// file; a link to a folder, a dangling link, a FIFO, socket or device, and a
// recycle-bin folder are left out with a warning. Adds the message text when
// not empty.
// False with a message (in the system's text: it may show a name the
// program's code page cannot hold), before anything is read, for a missing input, a
// name used twice, an input without a name (a root), and, listed all
// together one per line, every name without a Windows-1252 form or that
// Windows cannot store, every file that cannot be read or is too large, and
// a total too large for one package. The refusals are told in the language
// (the console packer's in English, the packer window's in its own).
bool BuildContent(const std::vector<std::string>& inputs, const String& message, TagRecord* content,
                  PackPlan* plan, std::string* error, Language language = Language::kEnglish);

// The first planned file that is gone, unreadable or of another size now
// ("" when none is): the file a failed write stumbled on.
std::string FindChangedFile(const PackPlan& plan);

// Reads a text file (a byte-order mark, else UTF-8 when the bytes are, else
// Windows-1252; the same on every system) into the program's code page.
// False with a message when it cannot be read, is larger than limit, is no
// text, or holds a character without a Windows-1252 form (naming its line
// and code point).
bool ReadTextFile(const std::string& path, size_t limit, String* text, std::string* error);

// The same for a text's bytes already in memory, named by shown in the
// messages (a file as "'PATH'"): what ReadTextFile does once it has read
// the file.
bool DecodeText(const std::vector<uint8_t>& bytes, const std::string& shown, String* text, std::string* error);

// Reads a whole binary file of at most limit bytes.
bool ReadBinaryFile(const std::string& path, size_t limit, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace mv::tools

namespace mv::tools {

// Writes bytes to a new or truncated file.
bool WriteBinaryFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

}  // namespace mv::tools
