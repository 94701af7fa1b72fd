// The archive entries of a whole folder tree, as a package producer puts
// them into its content record.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"

namespace mv {

class TagRecord;

// Appends to record, under tag, one kTypeEntry member per file and folder
// below root (a folder path), in the directory walk's order with every
// folder before its contents, so that reading the record back makes each
// folder before the files inside it. Folders carry their own path below
// root in tag 201 and an empty name; files their folder's path ("" at the
// top) and their name. Recycle bins and the cache of internet files are
// left out. The entries are not bound to root: serialise the record with
// root as the context's base folder. Returns the walk's result,
// kOutOfMemory when an entry cannot be stored, kBadArgument without a
// record.
Result AddFolderEntries(const String& root, uint16_t tag, TagRecord* record);

}  // namespace mv
