#include "app/self_extractor.h"

#include "base/progress.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/system_helpers.h"
#include "fs/temp_names.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace mv {
namespace {
constexpr char kTempPrefix[] = "qzp_";
constexpr char kTempExtension[] = "mef";
}  // namespace

SelfExtractor::~SelfExtractor() { RemoveTempFile(); }

Result SelfExtractor::Extract(const char* password, const ProgressCallback* progress) {
  return ExtractFrom(FindPayloadHeader(), password, progress);
}

Result SelfExtractor::ExtractFrom(const PayloadView& payload, const char* password,
                                  const ProgressCallback* progress_callback) {
  ProgressRange progress(progress_callback);

  if (!payload.IsFound()) return kNoPayload;
  const uint8_t* data = payload.ContainerData();
  if (data == nullptr) return kMalformedRecord;

  // Created exclusively under a fresh name, so nobody can have prepared the
  // file (or a link in its place) beforehand.
  platform::File file;
  String path;
  if (CreateUniqueFile(GetSystemTempFolder(), String(kTempPrefix), String(kTempExtension), &file, &path) != kOk) {
    return kTempFileNotCreated;
  }
  temp_file_ = path;
  const size_t length = payload.data_size;
  bool written = length == 0 || file.Write(data, length) == length;
  written = file.Close() && written;
  if (!written) {
    platform::ShowMessage("Error writing data to file!!!", "INTERNAL ERROR",
                          platform::kMessageOk | platform::kMessageTaskModal);
    return kShortWrite;
  }
  Result r = Open(String(""));
  if (r != kOk) return r;
  progress.BeginPhase(100);
  r = Decrypt(path, String(password == nullptr ? "" : password), progress_callback);
  progress.EndPhase();
  return r;
}

void SelfExtractor::RemoveTempFile() {
  Cleanup(nullptr);
  // Only the file this object created is deleted, also when the reader never
  // got to see it (a failed write or a work folder that could not be made).
  if (!temp_file_.IsEmpty() && FileExists(temp_file_)) RemoveFile(temp_file_);
  temp_file_.Empty();
}

}  // namespace mv
