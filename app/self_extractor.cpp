#include "app/self_extractor.h"

#include <algorithm>
#include <cinttypes>

#include "base/progress.h"
#include "container/container_file.h"
#include "container/leftover_sweep.h"
#include "container/strong_header.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "fs/temp_names.h"
#include "fs/work_area.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace mv {
namespace {

// The bytes the work takes: the container copy and, as far as its
// cleartext header tells, the decrypted content.
uint64_t NeededBytes(const uint8_t* data, size_t length) {
  TagRecord header;
  uint64_t needed = length;
  if (ReadHeaderFrom(data, length, &header) == kOk) needed += header.GetU32(kHeaderTagTotal, 0);
  return needed;
}

// The live section's cleartext header; false without one.
bool ReadLiveHeader(TagRecord* header) {
  const PayloadView payload = FindPayloadHeader();
  const uint8_t* data = payload.IsFound() ? payload.ContainerData() : nullptr;
  return data != nullptr && ReadHeaderFrom(data, payload.data_size, header) == kOk;
}

// Every place a run may have worked in, each once; how many leftovers went.
int SweepPlaces(const WorkAreaFacts& facts) {
  StringArray swept;
  int removed = 0;
  auto sweep = [&swept, &removed](const WorkPlace& place) {
    for (int32_t i = 0; i < swept.GetCount(); ++i) {
      if (swept[i] == place.folder) return;
    }
    swept.Add(place.folder);
    if (place.exists) removed += SweepLeftovers(place.folder);
  };
  for (const WorkPlace& place : facts.memory) sweep(place);
  sweep(facts.disk);
  return removed;
}

// The most one write call takes.
constexpr size_t kWritePiece = size_t{64} << 20;

bool WriteInPieces(platform::File& file, const uint8_t* data, size_t length) {
  for (size_t done = 0; done < length;) {
    const size_t n = std::min(kWritePiece, length - done);
    if (file.Write(data + done, n) != n) return false;
    done += n;
  }
  return true;
}

// Tells the user (when show) that folder has no room for the work and
// returns kDiskFull: how many bytes are missing, or, with missing 0, that
// the work ran out of space although the folder seemed to have room (the
// header announced too little, others wrote there).
Result ReportNoRoom(bool show, const String& folder, uint64_t missing) {
  if (!show) return kDiskFull;
  String text;
  if (missing != 0) {
    String::Format(text, "Not enough free space in \"%s\" to decrypt the package: %" PRIu64 " more bytes are needed.",
                   ToDisplayPath(folder).c_str(), missing);
  } else {
    String::Format(text, "Not enough free space in \"%s\" to decrypt the package: it ran full before the end.",
                   ToDisplayPath(folder).c_str());
  }
  platform::ShowMessage(text.c_str(), kDisplayName,
                        platform::kMessageIconError | platform::kMessageOk | platform::kMessageTaskModal);
  return kDiskFull;
}

}  // namespace

SelfExtractor::~SelfExtractor() { RemoveTempFile(); }

Result SelfExtractor::Extract(const Password& password, const ProgressCallback* progress) {
  return ExtractFrom(FindPayloadHeader(), password, progress);
}

Result SelfExtractor::ExtractInto(TargetDelivery* delivery, const Password& password,
                                  const ProgressCallback* progress_callback) {
  ProgressRange range(progress_callback);
  const PayloadView payload = FindPayloadHeader();
  if (!payload.IsFound()) return kNoPayload;
  const uint8_t* data = payload.ContainerData();
  if (data == nullptr) return kMalformedRecord;
  // The container is read where the section holds it: nothing of it, and
  // nothing decrypted, goes to a temporary place.
  Reset(0);
  SetDelivery(delivery);
  const ProgressScope progress(progress_callback);
  progress.BeginPhase(100);
  const Result r = DecryptBytes(data, payload.data_size, GetProgramFileName(), password, progress_callback);
  progress.EndPhase();
  SetDelivery(nullptr);
  return r;
}

PasswordForm SelfExtractor::PackagePasswordForm() {
  TagRecord header;
  return ReadLiveHeader(&header) ? PasswordFormOf(header) : PasswordForm::kWindows1252;
}

bool SelfExtractor::CarriesStrongKind() {
  TagRecord header;
  return ReadLiveHeader(&header) && header.GetU8(kHeaderTagCipher, kCipherBlowfish) == kCipherStrong;
}

Result SelfExtractor::ExtractFrom(const PayloadView& payload, const Password& password,
                                  const ProgressCallback* progress_callback) {
  ProgressRange progress(progress_callback);

  if (!payload.IsFound()) return kNoPayload;
  const uint8_t* data = payload.ContainerData();
  if (data == nullptr) return kMalformedRecord;
  const size_t length = payload.data_size;

  const uint64_t needed = NeededBytes(data, length);
  // Leftovers first: what they free counts as room.
  WorkAreaFacts facts = GatherWorkAreaFacts();
  if (SweepPlaces(facts) > 0) facts = GatherWorkAreaFacts();
  const WorkAreaChoice choice = ChooseWorkArea(facts, needed);
  if (choice.refused) {
    place_ = choice.folder;
    return ReportNoRoom(show_messages_, choice.folder, choice.missing);
  }
  in_memory_ = choice.in_memory;
  if (choice.memory_short) {
    NotifyProgress(progress_callback, kProgressStatusText, static_cast<int32_t>(TextId::kMemoryShort));
  }
  String folder = choice.folder;
  Result r = ExtractIn(folder, data, length, password, progress_callback);
  // The memory area full after all, or refusing the temporary file or the
  // work folder: the disk takes the work, as it would have without it.
  if ((r == kDiskFull || r == kTempFileNotCreated || r == kFolderNotMade) && !choice.fallback.IsEmpty()) {
    // Wiped there first: what was decrypted in memory goes before the disk
    // sees anything.
    RemoveTempFile();
    if (r == kDiskFull) {
      NotifyProgress(progress_callback, kProgressStatusText, static_cast<int32_t>(TextId::kMemoryAreaFull));
    }
    in_memory_ = false;
    folder = choice.fallback;
    const uint64_t missing = MissingRoom(folder, needed);
    if (missing != 0) {
      place_ = folder;
      return ReportNoRoom(show_messages_, folder, missing);
    }
    r = ExtractIn(folder, data, length, password, progress_callback);
  }
  if (r == kDiskFull) {
    RemoveTempFile();
    return ReportNoRoom(show_messages_, folder, MissingRoom(folder, needed));
  }
  return r;
}

Result SelfExtractor::ExtractIn(const String& folder, const uint8_t* data, size_t length, const Password& password,
                                const ProgressCallback* progress_callback) {
  place_ = folder;
  // Created exclusively under a fresh name, so nobody can have prepared the
  // file (or a link in its place) beforehand; locked before a byte is
  // written, so no other run takes it for a leftover.
  platform::File file;
  String path;
  if (CreateUniqueFile(folder, String(kContainerCopyPrefix), String(kContainerCopyExtension), &file, &path) != kOk) {
    return kTempFileNotCreated;
  }
  temp_file_ = path;
  if (!temp_lock_.Hold(path.c_str())) return kTempFileNotCreated;
  bool written = WriteInPieces(file, data, length);
  written = file.Close() && written;
  if (!written) {
    if (file.OutOfSpace()) return kDiskFull;
    if (show_messages_) {
      platform::ShowMessage(UserText(TextId::kWriteFailed).c_str(), "INTERNAL ERROR",
                            platform::kMessageOk | platform::kMessageTaskModal);
    }
    return kShortWrite;
  }
  Result r = OpenTemporary(folder);
  if (r != kOk) return r;
  const ProgressScope progress(progress_callback);
  progress.BeginPhase(100);
  r = Decrypt(path, password, progress_callback);
  progress.EndPhase();
  return r;
}

void SelfExtractor::RemoveTempFile() {
  Cleanup(nullptr);
  // Only the file this object created is deleted, also when the reader never
  // got to see it (a failed write or a work folder that could not be made).
  if (!temp_file_.IsEmpty() && FileExists(temp_file_)) RemoveFile(temp_file_);
  temp_file_.Empty();
  temp_lock_.Release();
}

}  // namespace mv
