// FileStream: the bottom layer of a pipeline over a disk file, moving the
// caller's chunks through the runtime's buffered file I/O. SaveTextFile
// beside it writes a text in the platform's text mode.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "platform/files.h"
#include "stream/stream.h"

namespace mv {

// A part of a file: length bytes from offset (kToFileEnd: up to the end).
struct FileRange {
  static constexpr uint64_t kToFileEnd = UINT64_MAX;
  uint64_t offset = 0;
  uint64_t length = kToFileEnd;
  bool IsWhole() const { return offset == 0 && length == kToFileEnd; }
};

class FileStream : public Stream {
 public:
  FileStream() = default;
  ~FileStream() override { Close(); }

  // Opens path (internal or native form) in mode, a reading stream over the
  // existing file ("rb") or a writing one over a created or truncated file
  // ("w+b"). Writing makes the file's missing folders first; when that
  // fails the open fails. kOk when the mode is in force; kWrongDirection for
  // an unknown mode and kCannotOpen when the file cannot be opened, the
  // stream then closed.
  // A range other than the whole file confines the stream to that part of
  // an existing file: reading starts at its offset and ends at its end (a
  // read beyond is kShortRead); writing goes in place from its offset on,
  // nothing truncated, and no further than its length (kShortWrite).
  Result Open(uint32_t mode, const String& path, StreamContext* context, const FileRange& range = FileRange());
  // Opens a reading stream over size bytes held in memory (a
  // self-extractor's section, mapped with the program), read in place: the
  // caller keeps them alive and unchanged until Close. Reads as a file of
  // those bytes would.
  Result OpenMemory(const void* bytes, size_t size, StreamContext* context);

  // Closes the file, then the base Close. kShortWrite when the file's final
  // flush failed on a writing stream (its last bytes may not have reached
  // the file), kDiskFull when that was for want of space; otherwise kOk.
  Result Close() override;

  // After the base admission: exactly length bytes or the sticky failure
  // kShortRead (reading past the end of the file is a failure: callers read
  // the sizes their data announces), kShortWrite, or kDiskFull for a write
  // that failed because the disk or quota is full. An empty call on a
  // healthy stream returns kOk and moves nothing. Returns the error field.
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

  // Bytes from the current position to the end of the file (or of the
  // range); 0 when closed or when the position cannot be told.
  uint64_t GetRemaining();

  // Reading: where the stream stands, to come back to with ReturnTo (a
  // second pass over the same bytes).
  struct Mark {
    int64_t position = -1;
    uint64_t left = FileRange::kToFileEnd;
  };
  Mark GetMark();
  // Back (or on) to a mark of this opening: kOk, or the sticky kShortRead
  // when the file cannot be positioned there.
  Result ReturnTo(const Mark& mark);

 private:
  platform::File file_;
  uint64_t left_ = FileRange::kToFileEnd;  // bytes the range still holds
  const uint8_t* memory_ = nullptr;        // OpenMemory's bytes, read from memory_ + position_
  uint64_t position_ = 0;
};

// Writes text (no terminator) to path in text mode and in the system's text
// encoding: "\n" becomes "\r\n" on Windows and stays "\n" on POSIX, where
// the Windows-1252 text is written as UTF-8. The file is written under a
// temporary name in its folder (which must exist) and renamed over path,
// so another hard link of an existing file keeps its text; without replace
// an existing path is never replaced (kTargetFileExists). kLinkInTarget
// when a link (or junction) is at path: it is never written through;
// kCannotOpen for a read-only file or a folder at path; kDiskFull when the
// device fills up; kShortWrite when the file cannot be made or not all of
// the text reached it.
Result SaveTextFile(const String& path, const String& text, bool replace = true);
// The same at relative below a folder opened already (its missing folders
// are made on the way, never through a link).
Result SaveTextFileIn(platform::ConfinedFolder& tree, const String& relative, const String& text, bool replace);

}  // namespace mv
