#include "container/package_reader.h"

#include <cstring>

#include "container/container_file.h"
#include "container/secure_wipe.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "fs/temp_names.h"
#include "stream/carrier_format.h"

namespace mv {
namespace {

// New folders made before one takes the work-folder name (each try fails
// only when that name is taken).
constexpr int kWorkFolderTries = 8;

}  // namespace

Result PackageReader::Reset(uint8_t wipe_mode) {
  open_ = 1;
  wipe_mode_ = wipe_mode;
  header_.Reset();
  content_.Reset();
  password_.Empty();
  work_folder_.Empty();
  work_lock_.Release();
  kind_ = kContainerNone;
  carrier_format_ = 0;
  return kOk;
}

void PackageReader::CloseReader() {
  header_.Reset();
  content_.Reset();
  password_.Empty();
  work_folder_.Empty();
  work_lock_.Release();
  open_ = 0;
}

Result PackageReader::Open(const String& folder) {
  if (folder.IsEmpty()) return OpenTemporary(GetSystemTempFolder());
  Reset(0);
  if (FolderExists(folder) || MakeFolder(folder) != kOk) {
    CloseReader();
    return kFolderNotMade;
  }
  work_folder_ = folder;
  return kOk;
}

Result PackageReader::OpenTemporary(const String& parent) {
  Reset(0);
  // Made under the new-folder name and locked there (a sweep leaves an
  // empty new folder alone while it is fresh), then named as a work folder:
  // from then on the lock alone tells it from a leftover. Another name is
  // tried when the work-folder name is taken.
  const int32_t prefix_length = static_cast<int32_t>(std::strlen(kNewWorkFolderPrefix));
  for (int attempt = 0; attempt < kWorkFolderTries; ++attempt) {
    String made;
    if (CreateTempFolder(parent, String(kNewWorkFolderPrefix), &made) != kOk) break;
    const String unnamed = StripTrailingSlash(made);
    const String name = GetFileName(unnamed);
    const String work_name = String(kWorkFolderPrefix) + name.Mid(prefix_length, name.GetLength() - prefix_length);
    if (work_lock_.Hold(made.c_str()) && RenameFolder(made, work_name) == kOk) {
      work_folder_ = GetFolderPart(unnamed) + work_name + "/";
      return kOk;
    }
    work_lock_.Release();
    RemoveEmptyFolder(made);
  }
  CloseReader();
  return kFolderNotMade;
}

Result PackageReader::Identify(const String& path) {
  if (!open_) return kNotOpen;
  if (path.IsEmpty()) return kEmptyPath;
  source_path_ = path;
  carrier_format_ = 0;
  if (!range_.IsWhole() || !FileExists(path)) {
    kind_ = kContainerSealed;
    return kOk;
  }
  kind_ = ClassifyContainer(path);
  if (kind_ == kContainerOlderSealed) return kOldFormat;
  if (kind_ == kContainerCarrier) carrier_format_ = DetectCarrierFormat(path);
  return kOk;
}

Result PackageReader::Decrypt(const String& path, const Password& password, const ProgressCallback* progress) {
  if (!open_) return kNotOpen;
  if (!FileExists(path)) return kFileNotFound;
  Result r = Identify(path);
  if (r != kOk) return r;
  password_ = password;
  ContainerJob job;
  job.kind = kind_;
  job.carrier_format = carrier_format_;
  job.path = source_path_;
  job.range = range_;
  return ReadJob(job, progress);
}

Result PackageReader::DecryptBytes(const uint8_t* data, size_t length, const String& name, const Password& password,
                                   const ProgressCallback* progress) {
  if (!open_) return kNotOpen;
  if (data == nullptr) return kBadArgument;
  source_path_ = name;
  kind_ = kContainerSealed;
  carrier_format_ = 0;
  password_ = password;
  ContainerJob job;
  job.path = name;
  job.bytes = data;
  job.bytes_length = length;
  return ReadJob(job, progress);
}

Result PackageReader::ReadJob(ContainerJob& job, const ProgressCallback* progress) {
  job.password = password_;
  job.base_folder = delivery_ != nullptr ? nullptr : work_folder_.c_str();
  job.delivery = delivery_;
  job.progress = progress;
  job.drop_entries = keep_entries_ || (list_only_ && entry_read_ == nullptr) ? 0 : 1;
  job.measure_only = list_only_ ? 1 : 0;
  job.entry_read = entry_read_;
  job.entry_read_user = entry_read_user_;
  failed_entry_.Empty();
  job.failed_entry = &failed_entry_;
  failed_chunk_ = 0;
  job.failed_chunk = &failed_chunk_;
  return ReadContainer(job, &header_, &content_);
}

void PackageReader::GetMessageText(String& out) const { content_.GetText(out, kContentTagMessage, ""); }

Result PackageReader::Cleanup(const ProgressCallback* progress) {
  Result r = kOk;
  if (!work_folder_.IsEmpty() && FolderExists(work_folder_)) {
    r = WipeFolder(work_folder_, wipe_mode_, progress, false);
  }
  CloseReader();
  return r;
}

}  // namespace mv
