// Reading and writing whole containers: the header, then the content record
// whose file entries write (or read) their files as they go.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/password.h"
#include "base/result.h"
#include "base/string.h"
#include "container/container_format.h"
#include "crypto/strong_keys.h"
#include "stream/file_stream.h"
#include "stream/tag_record.h"

namespace mv {

struct ProgressCallback;

// What a whole read or write works on.
struct ContainerJob {
  ContainerKind kind = kContainerSealed;
  uint32_t carrier_format = 0;       // kContainerCarrier: the carrier's format code
  String path;                       // the container, or the carrier
  // An ordinary container's part of the file at path (a self-extractor's
  // payload section): read from there, or written there in place, into the
  // existing file, without the temporary name and the wipe of a whole file.
  FileRange range;
  // Reading: the container is these bytes in memory instead (path is then
  // only a name); the caller keeps them until the read ends.
  const uint8_t* bytes = nullptr;
  size_t bytes_length = 0;
  Password password;
  const char* base_folder = nullptr; // files are read from / written below it
  const ProgressCallback* progress = nullptr;
  uint32_t compression = 1;          // writing an ordinary container
  PackageKind package_kind = PackageKind::kClassic;  // writing an ordinary container
  Argon2Cost kdf_cost = kKdfDefault; // writing the strong kind: its key derivation's cost
  uint8_t wipe_mode = 0;             // writing: how a replaced container is wiped
  uint32_t measure_only = 0;         // reading: entries skip their files' bytes (listing)
  uint32_t drop_entries = 0;         // reading: entries are not kept in content once written
  String* failed_entry = nullptr;    // reading: receives the path of the first entry that failed
  // Reading: called with every entry once it is read (stream.h StreamContext).
  Result (*entry_read)(const TagValue& entry, uintptr_t user) = nullptr;
  uintptr_t entry_read_user = 0;
  uint32_t* failed_chunk = nullptr;  // reading: receives the number of the chunk whose check failed
  // Reading the strong kind: the files go straight into the user's folder
  // (stream/stream.h), once every chunk has been authenticated; base_folder
  // is then null. Any other kind is refused with kUnsupported.
  TargetDelivery* delivery = nullptr;
};

// Reads header and content, of either kind. With a progress receiver the
// content's progress is scaled from its first byte by the header's total.
// A carrier's content must be a record (kNotARecord).
// kUnsupported for another kind.
Result ReadContainer(const ContainerJob& job, TagRecord* header, TagRecord* content);

// Reads the cleartext header record at the start of a container held in
// memory (length bytes at bytes; only the first kHeaderLookahead of them
// are looked at): kOk, or the record's code (kShortRead when the header
// runs past them). Nothing else of the container is read.
inline constexpr size_t kHeaderLookahead = 64 * 1024;
Result ReadHeaderFrom(const uint8_t* bytes, size_t length, TagRecord* header);

// Writes header and content. An ordinary container goes to path + ".tmp"
// first; a container already at path is wiped (deleted plainly when the
// wipe fails), then the new one takes its name (unless written into a range
// of an existing file, in place). A carrier is written in
// place after the encrypted size was measured. kUnsupported for another
// kind. Defined in container_writing.cpp, apart from the readers, so that a
// program that only reads links none of the writers (nor Zstandard's
// compressor).
Result WriteContainer(const ContainerJob& job, TagRecord* header, TagRecord* content);

}  // namespace mv
