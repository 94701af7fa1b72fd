#include "container/container_file.h"

#include "archive/archive_entry.h"
#include "base/progress.h"
#include "container/container_stream.h"
#include "container/secure_wipe.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/path.h"
#include "platform/confined_folder.h"
#include "stream/memory_stream.h"

namespace mv {
namespace {

// The context of a read: entries write below the base folder, opened once
// for all of them, and the records together may take the default budget
// plus the size of the input.
StreamContext ReadingContext(const ContainerJob& job, platform::ConfinedFolder* tree) {
  StreamContext context{job.base_folder, job.progress, job.measure_only, 0};
  context.failed_chunk = job.failed_chunk;
  uint64_t input = QueryFileSize(job.path);
  if (input == kUnknownSize) input = 0;
  if (job.range.length < input) input = job.range.length;
  context.record_budget = TagValue::kDefaultRecordBudget + input;
  context.drop_entries = job.drop_entries;
  context.failed_entry = job.failed_entry;
  context.entry_read = job.entry_read;
  context.entry_read_user = job.entry_read_user;
  if (job.base_folder != nullptr && job.measure_only == 0 && tree->Open(job.base_folder)) {
    context.base_tree = tree;
  }
  return context;
}

Result ReadSealed(const ContainerJob& job, TagRecord* header, TagRecord* content) {
  platform::ConfinedFolder tree;
  StreamContext context = ReadingContext(job, &tree);
  ContainerStream stream;
  stream.SetFileRange(job.range);
  Result r = stream.Open(Stream::kReading, job.path, job.password, header, &context, false, 0);
  if (r != kOk) return r;
  // The content's bytes pass the progress stream only from here on: with
  // the header's total it scales its reports from the first of them.
  if (job.progress != nullptr) context.expected_total = header->GetU32(kHeaderTagTotal, 0);
  r = content->Serialize(stream);
  Result c = stream.Close();
  return r != kOk ? r : c;
}

Result ReadCarrier(const ContainerJob& job, TagRecord* header, TagRecord* content) {
  platform::ConfinedFolder tree;
  StreamContext context = ReadingContext(job, &tree);
  CarrierContainerStream stream;
  TagRecord carrier_header;
  Result r = stream.Open(Stream::kReading, job.path, job.carrier_format, job.password, &carrier_header, &context);
  if (r != kOk) return r;
  r = content->Serialize(stream);
  Result c = stream.Close();
  if (r == kOk) r = c;
  if (r == kOk && content->GetType() != TypeList) {
    content->Reset();
    return kNotARecord;
  }
  (void)header;
  return r;
}

// The content's serialised size, counted without writing its files' bytes.
Result MeasureContent(const ContainerJob& job, TagRecord* content, uint32_t* size) {
  StreamContext context{job.base_folder, nullptr, 1, 0};
  Stream counter;
  counter.Open(Stream::kWriting, &context);
  Result r = content->Serialize(counter);
  *size = counter.GetCount();
  return r;
}

Result WriteSealed(const ContainerJob& job, TagRecord* header, TagRecord* content) {
  // The rename below works on the internal form; a native path would lose
  // its folder there.
  const String path = ToInternalPath(job.path);
  const bool in_place = !job.range.IsWhole();
  const bool replacing = !in_place && FileExists(path);
  ProgressRange progress(job.progress);

  // The total goes into the header whether or not this write reports
  // progress: every reader's progress is scaled by it.
  StreamContext context{job.base_folder, job.progress, 0, 0};
  {
    progress.BeginPhase(10);
    uint32_t total = 0;
    Result r = MeasureContent(job, content, &total);
    progress.EndPhase();
    if (r != kOk) return r;
    header->SetU32(kHeaderTagTotal, total, true);
    context.expected_total = job.progress != nullptr ? total : 0;
    progress.ReportPercent(10);
  }
  const String temporary = in_place ? path : path + ".tmp";
  progress.BeginPhase(replacing ? 50 : 80);
  Result r;
  {
    ContainerStream stream;
    stream.SetFileRange(job.range);
    const Argon2Cost* strong = job.package_kind == PackageKind::kStrong ? &job.kdf_cost : nullptr;
    r = stream.Open(Stream::kWriting, temporary, job.password, header, &context, false, job.compression, strong);
    if (r == kOk) r = content->Serialize(stream);
    Result c = stream.Close();
    if (r == kOk) r = c;
  }
  progress.EndPhase();
  if (in_place) return r;  // the file is its owner's to keep or remove
  if (r != kOk) {
    RemoveFile(temporary);
    return r;
  }
  if (replacing) {
    progress.ReportPercent(60);
    progress.BeginPhase(40);
    r = WipeFile(path, job.wipe_mode, job.progress);
    progress.EndPhase();
    if (r != kOk) r = RemoveFile(path);
    if (r != kOk) return r;
  }
  return RenameFile(temporary, GetFileName(path));
}

Result WriteCarrier(const ContainerJob& job, TagRecord* header, TagRecord* content) {
  ProgressRange progress(job.progress);

  // The encrypted size does not depend on the password or the vector: the
  // password check is 2 bytes and the chunks follow the compressed bytes.
  progress.BeginPhase(40);
  uint32_t payload = 0;
  {
    StreamContext context{job.base_folder, nullptr, 0, 0};
    Stream counter;
    counter.Open(Stream::kWriting, &context);
    CryptStack crypt;
    TagValue zeros;
    zeros.SetBlobSize(kCarrierVectorSize);
    Result r = crypt.Open(&counter, String(""), &zeros, kCipherBlowfish, kCarrierCompression);
    if (r == kOk) r = content->Serialize(crypt);
    Result c = crypt.Close();
    progress.EndPhase();
    if (r == kOk) r = c;
    if (r != kOk) return r;
    payload = counter.GetCount();
  }
  header->SetU32(kCarrierTagPayloadSize, payload, true);
  progress.ReportPercent(40);
  progress.BeginPhase(50);
  StreamContext context{job.base_folder, job.progress, 0, 0};
  CarrierContainerStream stream;
  Result r = stream.Open(Stream::kWriting, job.path, job.carrier_format, job.password, header, &context);
  if (r == kOk) r = content->Serialize(stream);
  Result c = stream.Close();
  progress.EndPhase();
  return r != kOk ? r : c;
}

}  // namespace

Result ReadContainer(const ContainerJob& job, TagRecord* header, TagRecord* content) {
  RegisterArchiveEntries();
  switch (job.kind) {
    case kContainerSealed:
      return ReadSealed(job, header, content);
    case kContainerCarrier:
      return ReadCarrier(job, header, content);
    default:
      return kUnsupported;
  }
}

Result ReadHeaderFrom(const uint8_t* bytes, size_t length, TagRecord* header) {
  // A context that names no folder: an entry placed in the header has
  // nowhere to go and is refused, as when the header is read from a file.
  StreamContext context;
  MemoryStream stream;
  Result r = stream.OpenRead(bytes, length < kHeaderLookahead ? length : kHeaderLookahead, &context);
  if (r == kOk) r = header->Serialize(stream);
  stream.Close();
  return r;
}

Result WriteContainer(const ContainerJob& job, TagRecord* header, TagRecord* content) {
  RegisterArchiveEntries();
  switch (job.kind) {
    case kContainerSealed:
      return WriteSealed(job, header, content);
    case kContainerCarrier:
      return WriteCarrier(job, header, content);
    default:
      return kUnsupported;
  }
}

}  // namespace mv
