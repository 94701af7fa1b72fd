#include "stream/file_stream.h"

#include <cstring>

#include "fs/confined_result.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/path.h"
#include "platform/codepage.h"
#include "platform/confined_folder.h"

namespace mv {

Result FileStream::Open(uint32_t mode, const String& path, StreamContext* context, const FileRange& range) {
  Result r = Stream::Open(mode, context);
  if (r != kOk) {
    Close();
    return r;
  }
  String internal = ToInternalPath(path);
  const bool in_place = !range.IsWhole();
  if (mode == kWriting && !in_place) {
    String folder = GetFolderPart(internal);
    // A folder that cannot be made shows as the open failing below.
    if (!folder.IsEmpty() && !FolderExists(folder)) MakeFolder(folder);
  }
  const char* how = mode == kReading ? "rb" : in_place ? "r+b" : "w+b";
  if (!file_.Open(internal.c_str(), how) ||
      (in_place && (range.offset > static_cast<uint64_t>(INT64_MAX) ||
                    !file_.Seek(static_cast<int64_t>(range.offset), platform::SeekOrigin::kBegin)))) {
    Close();
    return kCannotOpen;
  }
  left_ = range.length;
  return kOk;
}

Result FileStream::OpenMemory(const void* bytes, size_t size, StreamContext* context) {
  Result r = Stream::Open(kReading, context);
  if (r != kOk || bytes == nullptr) {
    Close();
    return r != kOk ? r : kBadArgument;
  }
  memory_ = static_cast<const uint8_t*>(bytes);
  position_ = 0;
  left_ = size;
  return kOk;
}

Result FileStream::Close() {
  memory_ = nullptr;
  position_ = 0;
  bool writing = IsWriting();
  bool flushed = file_.Close();
  Stream::Close();
  if (!writing || flushed) return kOk;
  return file_.OutOfSpace() ? kDiskFull : kShortWrite;
}

Result FileStream::Read(void* buffer, uint32_t length) {
  if (Stream::Read(buffer, length) != kOk) return GetError();
  if (length > left_) return RecordError(kShortRead);
  if (memory_ != nullptr) {
    std::memcpy(buffer, memory_ + position_, length);
    position_ += length;
  } else if (file_.Read(buffer, length) != length) {
    return RecordError(kShortRead);
  }
  if (left_ != FileRange::kToFileEnd) left_ -= length;
  return GetError();
}

Result FileStream::Write(const void* buffer, uint32_t length) {
  if (Stream::Write(buffer, length) != kOk) return GetError();
  if (length > left_) return RecordError(kShortWrite);
  if (file_.Write(buffer, length) != length) return RecordError(file_.OutOfSpace() ? kDiskFull : kShortWrite);
  if (left_ != FileRange::kToFileEnd) left_ -= length;
  return GetError();
}

uint64_t FileStream::GetRemaining() {
  if (memory_ != nullptr) return left_;
  const int64_t here = file_.Tell();
  if (here < 0 || !file_.Seek(0, platform::SeekOrigin::kEnd)) return 0;
  const int64_t end = file_.Tell();
  file_.Seek(here, platform::SeekOrigin::kBegin);
  const uint64_t to_end = end > here ? static_cast<uint64_t>(end - here) : 0;
  return to_end < left_ ? to_end : left_;
}

FileStream::Mark FileStream::GetMark() {
  return Mark{memory_ != nullptr ? static_cast<int64_t>(position_) : file_.Tell(), left_};
}

Result FileStream::ReturnTo(const Mark& mark) {
  if (GetError() != kOk) return GetError();
  if (mark.position < 0) return RecordError(kShortRead);
  if (memory_ != nullptr) {
    position_ = static_cast<uint64_t>(mark.position);
  } else if (!file_.Seek(mark.position, platform::SeekOrigin::kBegin)) {
    return RecordError(kShortRead);
  }
  left_ = mark.left;
  return kOk;
}

Result SaveTextFile(const String& path, const String& text, bool replace) {
  // Written beside its final name and renamed over it: never through a
  // link at the name, and a file with other hard links is replaced.
  const String internal = ToInternalPath(path);
  String folder = GetFolderPart(internal);
  if (folder.IsEmpty()) folder = "./";
  platform::ConfinedFolder tree;
  if (!tree.Open(folder.c_str())) return kShortWrite;
  return SaveTextFileIn(tree, GetFileName(internal), text, replace);
}

Result SaveTextFileIn(platform::ConfinedFolder& tree, const String& relative, const String& text, bool replace) {
  // The file is for the user's own editors: in the system's text encoding
  // (the locale's UTF-8 on POSIX; the program's code page on Windows) and
  // with the system's line ends.
  String system_text = text;
  if (platform::kTextFilesInUtf8 && !platform::ToSystemText(text.c_str(), &system_text)) return kShortWrite;
  if (platform::kTextLineEnd[1] != '\0') system_text = system_text.Replace("\n", platform::kTextLineEnd);
  platform::ConfinedFile file;
  const auto mode = replace ? platform::CreateMode::kReplace : platform::CreateMode::kNew;
  Result r = ConfinedResult(tree.BeginFile(relative.c_str(), mode, &file), kShortWrite);
  if (r == kOk) r = ConfinedResult(file.Write(system_text.c_str(), static_cast<size_t>(system_text.GetLength())),
                                   kShortWrite);
  if (r == kOk) r = ConfinedResult(file.Finish(platform::FileTimes(), 0, nullptr), kShortWrite);
  return r;
}

}  // namespace mv
