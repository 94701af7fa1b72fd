#include "archive/archive_entry.h"

#include <cstring>
#include <new>
#include <typeinfo>

#include "archive/entry_path.h"
#include "base/memory.h"
#include "fs/confined_result.h"
#include "fs/directory_copy.h"
#include "fs/disk_query.h"
#include "fs/path.h"
#include "platform/confined_folder.h"
#include "platform/files.h"
#include "stream/branch_filter.h"
#include "stream/file_info.h"

namespace mv {
namespace {

// An entry's record never holds another entry; a stream that claims so is
// refused at once instead of being followed one nested entry at a time.
thread_local bool t_reading_entry_record = false;

class EntryRecordGuard {
 public:
  EntryRecordGuard() { t_reading_entry_record = true; }
  ~EntryRecordGuard() { t_reading_entry_record = false; }
};

uint32_t Chunk(uint32_t remaining) {
  return remaining < ArchiveEntry::kCopyBufferSize ? remaining : ArchiveEntry::kCopyBufferSize;
}

// The buffer one file's content passes through: file contents are secrets
// on both sides (plain text being packed, decrypted data being unpacked),
// so it is wiped on release. It is no larger than the file's first chunk:
// most files are small, and a whole buffer allocated and wiped for each
// would cost more than the file itself. Room for the bytes a branch filter
// holds back comes on top.
class CopyBuffer {
 public:
  explicit CopyBuffer(uint32_t file_size)
      : size_((file_size == 0 ? 1 : Chunk(file_size)) + BranchFilter::kMostHeld),
        bytes_(static_cast<uint8_t*>(AllocFixed(size_))) {}
  ~CopyBuffer() {
    if (bytes_ == nullptr) return;
    SecureWipe(bytes_, size_);
    FreeFixed(bytes_);
  }
  CopyBuffer(const CopyBuffer&) = delete;
  CopyBuffer& operator=(const CopyBuffer&) = delete;

  uint8_t* get() const { return bytes_; }

 private:
  uint32_t size_;
  uint8_t* bytes_;
};

// A plain Stream stores nothing: it is the counting pass that measures a
// list before the list is written. Counting a file's content there gives
// the same count as reading it, without reading every file twice.
bool IsCountingStream(const Stream& stream) { return typeid(stream) == typeid(Stream); }

bool FiltersBranches(const Stream& stream) {
  const StreamContext* context = stream.GetContext();
  return context != nullptr && context->branch_filter != 0;
}

// Moves size bytes of one file through buffer, one chunk at a time: fill
// (uint8_t* to, uint32_t n) brings the next n, put(const uint8_t*, size_t)
// passes them on; both return kOk or the failure that ends the copy. A
// filter converts the bytes on their way, holding back at most
// BranchFilter::kMostHeld of them until the bytes after them have come.
template <typename Fill, typename Put>
Result CopyContent(uint32_t size, uint8_t* buffer, BranchFilter* filter, Fill fill, Put put) {
  size_t held = 0;
  for (uint32_t remaining = size; remaining > 0;) {
    const uint32_t n = Chunk(remaining);
    Result r = fill(buffer + held, n);
    if (r != kOk) return r;
    remaining -= n;
    const size_t ready = held + n;
    const size_t done = filter != nullptr ? filter->Apply(buffer, ready, remaining == 0) : ready;
    if (done != 0) {
      r = put(buffer, done);
      if (r != kOk) return r;
    }
    held = ready - done;
    std::memmove(buffer, buffer + done, held);
  }
  return kOk;
}

// The size of the file a writing entry packs, asked of the file opened for
// reading: a symbolic link to a file packs that file, bytes and size alike.
// kUnknownSize when it cannot be opened or needs more than 32 bits.
uint32_t SourceFileSize(const String& path) {
  platform::File file;
  if (!file.Open(path.c_str(), "rb") || !file.Seek(0, platform::SeekOrigin::kEnd)) return kUnknownSize;
  const int64_t size = file.Tell();
  return size < 0 || size >= kUnknownSize ? kUnknownSize : static_cast<uint32_t>(size);
}

TagEntryObject* CreateArchiveEntry() { return new (std::nothrow) ArchiveEntry; }

const bool kRegistered = (RegisterArchiveEntries(), true);

}  // namespace

void RegisterArchiveEntries() { SetTagEntryFactory(&CreateArchiveEntry); }

TagEntryObject* ArchiveEntry::Clone() const {
  auto* copy = new (std::nothrow) ArchiveEntry(*this);
  if (copy != nullptr && copy->GetType() != kTypeList) {
    delete copy;  // the members could not be copied
    return nullptr;
  }
  return copy;
}

ArchiveEntry* ArchiveEntry::FromValue(TagValue& value) {
  return dynamic_cast<ArchiveEntry*>(value.GetEntry());
}

const ArchiveEntry* ArchiveEntry::FromValue(const TagValue& value) {
  return dynamic_cast<const ArchiveEntry*>(value.GetEntry());
}

String ArchiveEntry::GetFullPath() const { return ToInternalPath(base_folder_ + GetRelativePath()); }

String ArchiveEntry::GetFolderPath() const { return AddTrailingSlash(GetFullPath()); }

Result ArchiveEntry::CheckPath() const {
  uint8_t kind = GetKind();
  if (kind != kEntryKindFile && kind != kEntryKindFolder) return kOk;  // touches no disk
  String folder;
  String name;
  GetText(folder, kEntryTagFolder, "");
  GetText(name, kEntryTagName, "");
  return CheckEntryPath(folder.c_str(), name.c_str(), kind == kEntryKindFolder);
}

Result ArchiveEntry::BindBaseFolder(Stream& stream) {
  StreamContext* context = stream.GetContext();
  String folder;
  if (stream.IsWriting() && !source_folder_.IsEmpty()) {
    folder = source_folder_;
  } else if (context != nullptr && context->base_folder != nullptr) {
    folder = context->base_folder;
  } else if (stream.IsReading() && context != nullptr && context->delivery != nullptr) {
    // Delivered into the user's folder, which the delivery reaches itself.
    base_folder_.Empty();
    return kOk;
  } else {
    // An entry read where nothing receives files (a container's header)
    // is refused rather than kept: nothing a package holds outside its
    // content may reach the disk.
    return stream.IsReading() ? kMalformedRecord : kFailed;
  }
  // A tree opened on the folder for this read stands for its existence.
  const bool tree_open = stream.IsReading() && context != nullptr && context->base_tree != nullptr;
  if (!tree_open && !FolderExists(folder)) {
    base_folder_.Empty();
    return kFolderNotFound;
  }
  base_folder_ = folder;
  return kOk;
}

void ArchiveEntry::CaptureInfo() {
  if (Find(kEntryTagInfo) >= 0) return;
  uint8_t kind = GetKind();
  if (kind != kEntryKindFile && kind != kEntryKindFolder) return;
  TagRecord info;
  if (kind == kEntryKindFile) {
    GetFileInfo(GetFullPath(), &info);
  } else {
    GetFolderInfo(GetFolderPath(), &info);
  }
  Set(kEntryTagInfo, info, true);
}

uint32_t ArchiveEntry::ComputeEntrySize(Stream& stream) {
  if (BindBaseFolder(stream) != kOk) return 0;
  if (stream.IsWriting()) CaptureInfo();
  Stream counter;
  counter.Open(Stream::kWriting, nullptr);
  TagValue::Serialize(counter);
  if (GetKind() == kEntryKindFile) {
    uint32_t size = SourceFileSize(GetFullPath());
    counter.Skip(4);
    counter.Skip(size == kUnknownSize ? 0 : size);
  }
  return counter.GetCount();
}

Result ArchiveEntry::Serialize(Stream& stream) {
  Result r = BindBaseFolder(stream);
  if (r != kOk) return stream.RecordError(r);
  bool writing = stream.IsWriting();
  if (writing) {
    if (stream.RecordError(CheckPath()) != kOk) return stream.GetError();
    CaptureInfo();
    TagValue::Serialize(stream);
  } else if (ReadRecord(stream) != kOk) {
    NoteFailure(stream);
  }
  if (stream.GetError() != kOk) return stream.GetError();

  uint8_t kind = GetKind();
  if (stream.IsMeasureOnly()) {
    if (writing && kind == kEntryKindFile) {
      uint32_t size = SourceFileSize(GetFullPath());
      if (size == kUnknownSize) return stream.RecordError(kCannotOpen);
      content_size_ = size;
      stream.WriteU32(size);
      stream.Skip(size);
    }
    if (!writing && kind == kEntryKindFile) return stream.RecordError(SkipFileContent(stream));
    return stream.GetError();
  }
  if (kind == kEntryKindFolder) {
    r = SerializeFolderContent(stream);
  } else if (kind == kEntryKindFile) {
    r = writing ? WriteFileContent(stream) : ReadFileContent(stream);
  }
  r = stream.RecordError(r);
  if (r != kOk && !writing) NoteFailure(stream);
  return r;
}

void ArchiveEntry::NoteFailure(Stream& stream) const {
  StreamContext* context = stream.GetContext();
  if (context != nullptr && context->failed_entry != nullptr && context->failed_entry->IsEmpty()) {
    *context->failed_entry = GetRelativePath();
  }
}

Result ArchiveEntry::ReadRecord(Stream& stream) {
  if (t_reading_entry_record) return stream.RecordError(kMalformedRecord);
  const uint32_t cut_before = stream.GetCutTexts();
  {
    EntryRecordGuard guard;
    TagValue::Serialize(stream);
  }
  if (stream.GetError() != kOk) return stream.GetError();
  if (GetType() != kTypeList) return stream.RecordError(kMalformedRecord);
  // A text is cut at an embedded NUL when it is read, so a name could
  // differ from the one its producer wrote.
  if (stream.GetCutTexts() != cut_before) return stream.RecordError(kUnsafeEntryPath);
  return stream.RecordError(CheckPath());
}

Result ArchiveEntry::WriteFileContent(Stream& stream) {
  String path = GetFullPath();
  uint32_t size = SourceFileSize(path);
  if (size == kUnknownSize) return kCannotOpen;  // no such file, or too large to carry
  content_size_ = size;
  if (IsCountingStream(stream)) {
    stream.WriteU32(size);
    return stream.Skip(size);
  }
  CopyBuffer buffer(size);
  if (buffer.get() == nullptr) return kOutOfMemory;
  platform::File file;
  if (!file.Open(path.c_str(), "rb")) return kCannotOpen;
  stream.WriteU32(size);
  if (stream.GetError() != kOk) return stream.GetError();
  // Exactly the announced size goes out, so the stream stays in step with
  // the sizes already written even if the file changes meanwhile.
  BranchFilter filter(BranchFilter::Direction::kConvert);
  return CopyContent(
      size, buffer.get(), FiltersBranches(stream) ? &filter : nullptr,
      [&file](uint8_t* to, uint32_t n) { return file.Read(to, n) == n ? kOk : kShortRead; },
      [&stream](const uint8_t* from, size_t n) {
        return stream.Write(from, static_cast<uint32_t>(n)) == kOk ? kOk : stream.GetError();
      });
}

Result ArchiveEntry::SkipFileContent(Stream& stream) {
  uint32_t size = 0;
  if (stream.ReadU32(size) != kOk) return stream.GetError();
  content_size_ = size;
  CopyBuffer buffer(size);
  if (buffer.get() == nullptr) return kOutOfMemory;
  // The bytes pass through one bounded buffer; a size beyond the stream's
  // end fails at the stream's first short read.
  for (uint32_t remaining = size; remaining > 0;) {
    uint32_t n = Chunk(remaining);
    if (stream.Read(buffer.get(), n) != kOk) return stream.GetError();
    remaining -= n;
  }
  return kOk;
}

Result ArchiveEntry::ReadFileContent(Stream& stream) {
  uint32_t size = 0;
  if (stream.ReadU32(size) != kOk) return stream.GetError();
  content_size_ = size;
  CopyBuffer buffer(size);
  if (buffer.get() == nullptr) return kOutOfMemory;
  if (TargetDelivery* delivery = DeliveryOf(stream)) return DeliverFileContent(stream, *delivery, size, buffer.get());
  platform::ConfinedFolder local;
  platform::ConfinedFolder* tree = OpenTree(stream, &local);
  if (tree == nullptr) return kFolderNotFound;
  // Folders on the way are made as needed, so a package that names a file
  // before (or without) its folder's entry still unpacks.
  platform::ConfinedFile file;
  Result r = ConfinedResult(tree->BeginFile(GetRelativePath().c_str(), platform::CreateMode::kInPlace, &file),
                            kCannotOpen);
  if (r != kOk) return r;
  // The size is trusted no further than the stream's bytes reach: the copy
  // moves one bounded chunk at a time and stops at the stream's first
  // failure.
  BranchFilter filter(BranchFilter::Direction::kRestore);
  r = CopyContent(
      size, buffer.get(), FiltersBranches(stream) ? &filter : nullptr,
      [&stream](uint8_t* to, uint32_t n) { return stream.Read(to, n) == kOk ? kOk : stream.GetError(); },
      [&file](const uint8_t* from, size_t n) { return ConfinedResult(file.Write(from, n), kShortWrite); });
  if (r != kOk) return r;
  r = FinishFile(file, kShortWrite);
  return r != kOk ? r : stream.GetError();
}

void ArchiveEntry::GetTimesAndAttributes(platform::FileTimes* times, uint32_t* attributes) const {
  TagRecord info;
  GetRecord(info, kEntryTagInfo);
  DecodeFileInfo(&info, times, attributes);
}

Result ArchiveEntry::FinishFile(platform::ConfinedFile& file, Result failed) const {
  platform::FileTimes times;
  uint32_t attributes = 0;
  GetTimesAndAttributes(&times, &attributes);
  return ConfinedResult(file.Finish(times, attributes, nullptr), failed);
}

Result ArchiveEntry::DeliverFileContent(Stream& stream, TargetDelivery& delivery, uint32_t size, uint8_t* buffer) {
  const String relative = GetRelativePath();
  const bool taken = delivery.Takes(relative);
  // A file that cannot be written fails alone: its bytes are still read, so
  // the next file starts where it should, and the delivery hears why.
  Result failure = kOk;
  platform::ConfinedFile file;
  if (taken) {
    platform::ConfinedFolder* tree = nullptr;
    platform::CreateMode mode = platform::CreateMode::kNew;
    failure = delivery.Begin(size, &tree, &mode);
    if (failure == kOk) failure = ConfinedResult(tree->BeginFile(relative.c_str(), mode, &file), kCannotOpen);
  }
  BranchFilter filter(BranchFilter::Direction::kRestore);
  Result r = CopyContent(
      size, buffer, FiltersBranches(stream) ? &filter : nullptr,
      [&stream](uint8_t* to, uint32_t n) { return stream.Read(to, n) == kOk ? kOk : stream.GetError(); },
      [&](const uint8_t* from, size_t n) {
        if (taken && failure == kOk) failure = ConfinedResult(file.Write(from, n), kTargetFileExists);
        return kOk;
      });
  // A damaged stream ends the read; the unfinished file goes with file.
  if (r != kOk) return r;
  if (!taken) return kOk;
  if (failure == kOk) failure = FinishFile(file, kTargetFileExists);
  return failure == kOk ? kOk : delivery.Failed(relative, failure);
}

TargetDelivery* ArchiveEntry::DeliveryOf(const Stream& stream) {
  const StreamContext* context = stream.GetContext();
  return context != nullptr && stream.IsReading() ? context->delivery : nullptr;
}

platform::ConfinedFolder* ArchiveEntry::OpenTree(Stream& stream, platform::ConfinedFolder* local) const {
  StreamContext* context = stream.GetContext();
  if (context != nullptr && context->base_tree != nullptr) return context->base_tree;
  return local->Open(base_folder_.c_str()) ? local : nullptr;
}

String ArchiveEntry::GetRelativePath() const {
  String folder;
  String name;
  GetText(folder, kEntryTagFolder, "");
  GetText(name, kEntryTagName, "");
  return folder + name;
}

Result ArchiveEntry::SerializeFolderContent(Stream& stream) {
  if (TargetDelivery* delivery = DeliveryOf(stream)) {
    // Delivered as a copy delivers: a folder is made for the files in it,
    // and its attributes only tell whether its files are left out.
    platform::FileTimes times;
    uint32_t attributes = 0;
    GetTimesAndAttributes(&times, &attributes);
    delivery->NoteFolder(GetRelativePath(), attributes);
    return stream.GetError();
  }
  if (!FolderExists(base_folder_)) return kBadFolder;
  if (stream.IsReading()) {
    platform::ConfinedFolder local;
    platform::ConfinedFolder* tree = OpenTree(stream, &local);
    if (tree == nullptr) return kBadFolder;
    // A folder that cannot be made is no failure of the entry (its files
    // fail by themselves), but a link on the way is refused at once.
    platform::ConfinedStatus made = tree->MakeFolders(GetRelativePath().c_str());
    if (made == platform::ConfinedStatus::kLink) return kLinkInTarget;
    if (made == platform::ConfinedStatus::kOk) {
      TagRecord info;
      GetRecord(info, kEntryTagInfo);
      SetFolderInfo(GetFolderPath(), &info);
    }
  }
  return stream.GetError();
}

}  // namespace mv
