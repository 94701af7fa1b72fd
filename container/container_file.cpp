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
  uint64_t input = job.bytes != nullptr ? job.bytes_length : QueryFileSize(job.path);
  if (input == kUnknownSize) input = 0;
  if (job.range.length < input) input = job.range.length;
  context.record_budget = TagValue::kDefaultRecordBudget + input;
  context.drop_entries = job.drop_entries;
  context.failed_entry = job.failed_entry;
  context.entry_read = job.entry_read;
  context.entry_read_user = job.entry_read_user;
  context.delivery = job.delivery;
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
  if (job.bytes != nullptr) stream.SetMemorySource(job.bytes, job.bytes_length);
  Result r = stream.Open(Stream::kReading, job.path, job.password, header, &context, false, 0);
  if (r != kOk) return r;
  // Only authenticated content may reach the user's folder directly.
  if (job.delivery != nullptr && !stream.IsStrong()) return kUnsupported;
  // The content's bytes pass the progress stream only from here on: with
  // the header's total it scales its reports from the first of them.
  if (job.progress != nullptr) context.expected_total = header->GetU32(kHeaderTagTotal, 0);
  r = content->Serialize(stream);
  if (r == kOk) r = stream.CheckEnd();
  Result c = stream.Close();
  return r != kOk ? r : c;
}

Result ReadCarrier(const ContainerJob& job, TagRecord* header, TagRecord* content) {
  if (job.delivery != nullptr) return kUnsupported;
  platform::ConfinedFolder tree;
  StreamContext context = ReadingContext(job, &tree);
  CarrierContainerStream stream;
  TagRecord carrier_header;
  Result r = stream.Open(Stream::kReading, job.path, job.carrier_format, job.password, &carrier_header, &context);
  if (r != kOk) return r;
  r = content->Serialize(stream);
  Result c = stream.Close();
  if (r == kOk) r = c;
  if (r == kOk && content->GetType() != kTypeList) {
    content->Reset();
    return kNotARecord;
  }
  (void)header;
  return r;
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

}  // namespace mv
