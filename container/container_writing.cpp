#include "container/container_file.h"

#include "archive/archive_entry.h"
#include "base/progress.h"
#include "container/container_stream.h"
#include "container/secure_wipe.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/path.h"
#include "stream/zstd_encoder.h"

namespace mv {
namespace {

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

Result WriteContainer(const ContainerJob& job, TagRecord* header, TagRecord* content) {
  RegisterArchiveEntries();
  RegisterZstdEncoder();
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
