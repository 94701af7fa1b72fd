// Stream: the interface every layer of a data pipeline implements (files,
// cipher and compression layers, progress reporting, record serialisation).
//
// A stream is opened in one direction, writing or reading, moves bytes in
// that direction and keeps its first failure as a sticky result code: once
// set, every later Read, Write or Skip returns it (or kBadArgument) without
// moving bytes, until Close or the next Open resets it. That state machine
// lives here and only here; derived streams report failures through
// RecordError and test admission through the base Read and Write.
//
// The base class is itself a usable object: opened for writing it is the
// counting sink that measures serialised sizes without storing anything.
//
// All serialised integers are little-endian and fixed width, without
// alignment or padding; the typed operations below fix that byte order for
// the whole system.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"

namespace mv {

struct ProgressCallback;  // base/progress.h
class TargetDelivery;     // fs/directory_copy.h
class TagValue;           // stream/tag_value.h
namespace platform {
class ConfinedFolder;  // platform/confined_folder.h
}

// The record handed to every layer of one pipeline. Owned by whoever opens
// the outermost stream; every layer receives the same pointer and none owns
// it.
struct StreamContext {
  // NUL-terminated folder (internal form) against which archive entries
  // resolve their relative paths; null when there is none.
  const char* base_folder = nullptr;
  // Receiver of progress notifications, or null.
  const ProgressCallback* progress = nullptr;
  // 1: archive entries count their file contents instead of writing them.
  uint32_t measure_only = 0;
  // Bytes a full pass will move; 0 when unknown.
  uint32_t expected_total = 0;
  // Memory the records of one read through this pipeline may take
  // together (stream/tag_value.h); 0 takes the default.
  uint64_t record_budget = 0;
  // 1: a list read from this pipeline keeps no archive entry once the
  // entry has been read (its file or folder is on disk then), so a package
  // of many files takes memory for its other members only.
  uint32_t drop_entries = 0;
  // The base folder opened once for the entries written below it, or null
  // (each entry then opens it itself). Owned by whoever opened it.
  platform::ConfinedFolder* base_tree = nullptr;
  // Receives the path (relative folder + name) of the first archive entry
  // whose reading failed, so a person can be told which one; or null.
  String* failed_entry = nullptr;
  // Called with every archive entry of a list as soon as it has been read
  // (its file or folder written, unless measuring), before it may be
  // dropped, so that a reader can look at every entry of a package in
  // memory of one; null for none. A code other than kOk fails the read.
  Result (*entry_read)(const TagValue& entry, uintptr_t user) = nullptr;
  uintptr_t entry_read_user = 0;
  // Receives the number (from 1) of the authenticated chunk whose check
  // failed or at which the data ended, so a person can be told where a
  // package was damaged; or null.
  uint32_t* failed_chunk = nullptr;
  // 1: the files of the content that are executables have their branches
  // converted (stream/branch_filter.h): archive entries convert them on
  // writing and restore them on reading. Set by the container stream from
  // its header.
  uint32_t branch_filter = 0;
  // Where archive entries deliver their files straight into the user's
  // folder, instead of below base_folder; null for none (fs/directory_copy.h).
  // With a delivery the strong kind's chunks are all authenticated before
  // the first byte of the content is handed on (the read passes over them
  // twice, as a file's bytes cost no memory), so that a damaged or cut
  // package reaches nobody's folder at all.
  TargetDelivery* delivery = nullptr;
};

class Stream {
 public:
  // Directions. Any other value given to Open is refused with
  // kWrongDirection.
  static constexpr uint32_t kClosed = 0;
  static constexpr uint32_t kWriting = 1;
  static constexpr uint32_t kReading = 2;

  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  // Does not close anything beneath; owners close each layer themselves.
  virtual ~Stream() = default;

  // Closes an open stream first, resets error and count, then takes the
  // mode when it is kWriting or kReading. The context is stored even when
  // the mode is refused. Returns kOk when the stream is now in the requested
  // mode (so Open(kClosed, ...) succeeds and leaves it closed), otherwise
  // kWrongDirection with the stream closed.
  Result Open(uint32_t mode, StreamContext* context);

  // --- The seven virtual slots, in this order. ---

  // Mode := kClosed and error := 0; count and context stay as they are.
  // Always kOk here. Derived streams release their resources, then call
  // this.
  virtual Result Close();
  // Admission of a transfer, the first step of every derived Read/Write:
  //  - not in the matching direction: error := kWrongDirection, returned;
  //  - error 0, buffer not null, length not 0: count += length, kOk
  //    (admitted; a derived stream now moves the bytes);
  //  - otherwise kBadArgument, error unchanged (an empty call, or a stream
  //    that already failed; GetError() then tells the cause).
  // On a plain Stream the admission is the whole transfer.
  virtual Result Read(void* buffer, uint32_t length);
  virtual Result Write(const void* buffer, uint32_t length);
  virtual uint32_t GetMode() const;
  virtual bool IsReading() const;  // GetMode() == kReading
  virtual bool IsWriting() const;  // GetMode() == kWriting

  // Counts length bytes as written without moving any, at this layer only;
  // serves measuring passes. kWrongDirection (sticky) when not writing,
  // otherwise the error field.
  Result Skip(uint32_t length);

  // Typed transfers through the virtual Read/Write, little-endian. Each
  // returns what Read/Write returned; a failed read leaves the output 0.
  Result ReadU8(uint8_t& out);
  Result ReadU16(uint16_t& out);
  Result ReadU32(uint32_t& out);
  Result ReadU64(uint64_t& out);
  Result ReadDouble(double& out);  // the 8 bytes of an IEEE double
  Result WriteU8(uint8_t value);
  Result WriteU16(uint16_t value);
  Result WriteU32(uint32_t value);
  Result WriteU64(uint64_t value);
  Result WriteU64(uint32_t low, uint32_t high);
  Result WriteDouble(double value);

  // A length-prefixed text: one byte when the length is below 255,
  // otherwise 255 and a 4-byte length; then the characters without NUL.
  // Both return the error field; a null text is written as "".
  Result WriteString(const String& text);
  Result WriteString(const char* text);
  // Reads what WriteString wrote. A length above kMaxStringLength fails the
  // stream with kMalformedRecord before anything is allocated; a zero
  // length gives the empty string. After a failure out is empty. A text
  // holding a NUL ends there and is counted in GetCutTexts. Either length
  // prefix is accepted for any length.
  Result ReadString(String& out);

  // The longest text ReadString accepts (16 MiB).
  static constexpr uint32_t kMaxStringLength = 16u * 1024 * 1024;

  // Makes code the sticky error unless one is already set (kOk is ignored).
  // Returns the error field. Layers use it to pass a failure from below
  // upward unchanged; serialisers use it to fail the stream they were
  // handed (a malformed record, a missing folder).
  Result RecordError(Result code);

  Result GetError() const { return error_; }
  // Bytes admitted since the last Open (wraps at 2^32).
  uint32_t GetCount() const { return count_; }
  StreamContext* GetContext() const { return context_; }
  // Hands this layer another context (or none) from now on; the caller
  // keeps it alive. Serves reads whose records must not reach the disk.
  void SetContext(StreamContext* context) { context_ = context; }
  // Texts ReadString has cut at an embedded NUL since the last Open: such a
  // text is not the one its writer stored.
  uint32_t GetCutTexts() const { return cut_texts_; }
  // The context's measure-only flag; false without a context.
  bool IsMeasureOnly() const;

 private:
  StreamContext* context_ = nullptr;
  Result error_ = kOk;
  uint32_t mode_ = kClosed;
  uint32_t count_ = 0;
  uint32_t cut_texts_ = 0;
};

}  // namespace mv
