// ArchiveEntry: one file or folder of a package, held in a record as a
// value of type kTypeEntry. Serialising an entry moves the file's bytes
// itself: writing reads the file from disk into the stream, reading creates
// the folder or writes the file on disk, then applies its flags and times.
//
// The folder on disk that entries resolve against is not stored in the
// package; it is the base folder of the stream's context, bound afresh at
// every serialisation, so one content record unpacks wherever its reader
// chooses.
//
// Members (tags of the entry's own record):
//   100 kTypeU8    kind: 0 file (also when absent), 1 folder, anything else
//                 an entry without content
//   200 kTypeText  name ("" for a folder as the directory walk reports it)
//   201 kTypeText  relative folder from the base folder, ending in '/'
//                 (for a folder: its own path below the base folder)
//   300 kTypeList  file information: flags and times (fs/file_info.h)
//
// Encoding after the member's 8-byte head: the entry's record as a list,
// then for a file a u32 content size and that many bytes. A folder stores
// nothing after its record.
//
// Reading refuses, before anything is written, a file or folder entry whose
// path would leave the base folder or name something other than a plain
// file or folder there (archive/entry_path.h), and one whose record holds a
// text with an embedded NUL (kUnsafeEntryPath). Files and folders are made
// below the base folder without following any link there
// (platform/confined_folder.h), making missing folders on the way. Writing refuses
// the same paths, so no package is made that a reader would refuse.
//
// A writing entry without tag 300 reads the flags and times of its file or
// folder before its record first goes out and keeps them, so every later
// pass (the one that counts a list before writing it, the measuring one
// that sizes a package, the one that writes it) carries the same record,
// although reading a file for one pass changes its access time. An entry
// that carries tag 300 already (set by its producer, or read from a
// package) writes that.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "stream/tag_entry.h"
#include "stream/tag_record.h"

namespace mv {

namespace platform {
class ConfinedFile;
class ConfinedFolder;
struct FileTimes;
}

inline constexpr uint16_t kEntryTagKind = 100;
inline constexpr uint16_t kEntryTagName = 200;
inline constexpr uint16_t kEntryTagFolder = 201;
inline constexpr uint16_t kEntryTagInfo = 300;

inline constexpr uint8_t kEntryKindFile = 0;
inline constexpr uint8_t kEntryKindFolder = 1;

class ArchiveEntry : public TagRecord, public TagEntryObject {
 public:
  // File contents move through one buffer of this many bytes per entry.
  static constexpr uint32_t kCopyBufferSize = 100000;

  ArchiveEntry() = default;
  ArchiveEntry(const ArchiveEntry& other) = default;
  ArchiveEntry& operator=(const ArchiveEntry& other) = default;

  // Writes or reads the entry and its content in the stream's direction.
  // Failures are recorded in the stream; returns its error field:
  //   kFailed           no context, or no base folder in it (and no
  //                     source folder for writing)
  //   kFolderNotFound   the base folder does not exist (nothing is read)
  //   kBadFolder        folder entry: the base folder is gone
  //   kOutOfMemory      no copy buffer
  //   kCannotOpen       the file cannot be opened, or (writing) its size
  //                     cannot be told or needs more than 32 bits
  //   kShortRead        (writing) the file ended before its size
  //   kShortWrite       (reading) the file could not be written whole
  //   kUnsafeEntryPath  the entry's path is refused (see above)
  //   kMalformedRecord  the entry's record is not a list, or holds an entry
  //   or the stream's own failures. With the context's measure-only flag
  // set, a file's content is counted, never read. Failures to read or
  // apply flags and times, or to make a folder entry's folder, are ignored.
  Result Serialize(Stream& stream) override;

  // The bytes Serialize will write to stream after the member's head; 0
  // when the base folder cannot be bound. Asks only for the file's size.
  uint32_t ComputeSize(Stream& stream) override { return ComputeEntrySize(stream); }
  uint32_t ComputeEntrySize(Stream& stream);

  TagEntryObject* Clone() const override;

  // Base folder + relative folder + name, concatenated as they are (no
  // separator is inserted), in internal form.
  String GetFullPath() const;
  const String& GetBaseFolder() const { return base_folder_; }

  // A folder the entry reads from when it is written, in place of the
  // context's base folder: a producer that packs inputs from several
  // folders names each entry's own. Not stored in the package; reading
  // always resolves against the context. "" (the default) uses the context.
  void SetSourceFolder(const String& folder) { source_folder_ = folder; }

  // The size of the file's content as the entry last moved or counted it:
  // the size read from the package, or the one written into it. 0 before
  // any content was moved, and for other kinds.
  uint32_t GetContentSize() const { return content_size_; }

  // The entry held by a kTypeEntry value, or null for any other value.
  static ArchiveEntry* FromValue(TagValue& value);
  static const ArchiveEntry* FromValue(const TagValue& value);

 private:
  Result BindBaseFolder(Stream& stream);
  uint8_t GetKind() const { return GetU8(kEntryTagKind, kEntryKindFile); }
  // A folder entry's path, always ending in '/'.
  String GetFolderPath() const;
  Result CheckPath() const;
  // Stores the flags and times of the file or folder under 300 unless the
  // entry carries them already.
  void CaptureInfo();
  Result ReadRecord(Stream& stream);
  // The context's opened base folder, or local opened on the base folder;
  // null when that cannot be opened.
  platform::ConfinedFolder* OpenTree(Stream& stream, platform::ConfinedFolder* local) const;
  // Stores the entry's path in the context's failed_entry when that is
  // still empty.
  void NoteFailure(Stream& stream) const;
  // Relative folder + name, as the package names the entry.
  String GetRelativePath() const;
  Result WriteFileContent(Stream& stream);
  Result ReadFileContent(Stream& stream);
  // Reading into a delivery (stream.h): the file at its place below the
  // user's folder, or, when it cannot be written there, reported and its
  // bytes passed over.
  Result DeliverFileContent(Stream& stream, TargetDelivery& delivery, uint32_t size, uint8_t* buffer);
  // The times and attribute flags the entry's information record gives.
  void GetTimesAndAttributes(platform::FileTimes* times, uint32_t* attributes) const;
  // Finishes a file written below a tree with those times and flags; the
  // failure is told as failed.
  Result FinishFile(platform::ConfinedFile& file, Result failed) const;
  // The context's delivery of a reading stream, else null.
  static TargetDelivery* DeliveryOf(const Stream& stream);
  // Reading without writing (measure-only): the content is read and dropped.
  Result SkipFileContent(Stream& stream);
  Result SerializeFolderContent(Stream& stream);

  String base_folder_;
  String source_folder_;
  uint32_t content_size_ = 0;
};

// Installs ArchiveEntry as the object behind kTypeEntry values. Runs at
// start-up by itself when this module is linked in; code that reads
// records holding entries without naming ArchiveEntry anywhere (so that a
// static link might leave this module out) calls it before reading.
void RegisterArchiveEntries();

}  // namespace mv
