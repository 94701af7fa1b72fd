#include "tools/package_delivery.h"

#include <algorithm>

#include "container/container_file.h"
#include "container/container_format.h"
#include "container/package_reader.h"
#include "fs/confined_result.h"
#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "fs/work_area.h"
#include "platform/files.h"

namespace mv::tools {
namespace {

// The bytes the work takes: the container's and, as far as its cleartext
// header tells, the decrypted content's.
uint64_t NeededBytes(const String& path, const FileRange& range) {
  platform::File file;
  if (!file.Open(path.c_str(), "rb") || !file.Seek(0, platform::SeekOrigin::kEnd)) return 0;
  const int64_t size = file.Tell();
  if (size < 0 || static_cast<uint64_t>(size) < range.offset) return 0;
  const uint64_t container = std::min<uint64_t>(range.length, static_cast<uint64_t>(size) - range.offset);
  if (!file.Seek(static_cast<int64_t>(range.offset), platform::SeekOrigin::kBegin)) return 0;
  std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(container, kHeaderLookahead)));
  const size_t read = head.empty() ? 0 : file.Read(head.data(), head.size());
  TagRecord header;
  uint64_t needed = container;
  if (read > 0 && ReadHeaderFrom(head.data(), read, &header) == kOk) needed += header.GetU32(kHeaderTagTotal, 0);
  return needed;
}

Result DecryptIn(PackageReader* reader, const String& place, const String& path, const FileRange& range,
                 const Password& password, const ProgressCallback* progress, Delivery* delivery) {
  Result r = reader->OpenTemporary(place);
  delivery->work_folder = reader->GetWorkFolderPath();
  reader->SetSourceRange(range);
  if (r == kOk) r = reader->Decrypt(path, password, progress);
  delivery->failed_entry = reader->GetFailedEntry();
  delivery->failed_chunk = reader->GetFailedChunk();
  return r;
}

// The copy brings the files outside recycle-bin folders. The rest of the
// tree follows below the target it reached (an empty package makes it
// too): every folder, empty ones and recycle-bin folders included, and the
// files inside the latter, which the copy leaves out.
struct RestOfTree {
  TargetFolder* target;
  String work;
};

Result DeliverRest(const char*, const char* relative, const char* name, int is_folder, uintptr_t user, uintptr_t,
                   uintptr_t) {
  auto* rest = reinterpret_cast<RestOfTree*>(user);
  if (is_folder) return ConfinedResult(rest->target->GetTree().MakeFolders(relative), kFolderNotMade);
  const String below = String(relative) + name;
  const String delivered = rest->target->GetFolder() + below;
  if (FileExists(delivered)) return kOk;
  return CopySingleFile(rest->work + below, delivered, false, nullptr);
}

Result DeliverRestOfTree(const String& work, TargetFolder* target) {
  Result r = target->Reach();
  RestOfTree rest{target, work};
  return r != kOk ? r : WalkFolder(work, "", &DeliverRest, reinterpret_cast<uintptr_t>(&rest), 0, kWalkIncludeExcluded, 0);
}

}  // namespace

Result DeliverPackage(const String& path, const FileRange& range, const Password& password, const String& target,
                      const ProgressCallback* progress, Delivery* delivery) {
  const uint64_t needed = NeededBytes(path, range);
  const WorkAreaChoice choice = ChooseWorkArea(GatherWorkAreaFacts(), needed);
  delivery->work_folder = choice.folder;
  if (choice.refused) return kDiskFull;
  PackageReader reader;
  Result r = DecryptIn(&reader, choice.folder, path, range, password, progress, delivery);
  // A memory area that filled up after all: wiped there, then the disk.
  if (r == kDiskFull && !choice.fallback.IsEmpty()) {
    reader.Cleanup(nullptr);
    r = DecryptIn(&reader, choice.fallback, path, range, password, progress, delivery);
  }
  if (r == kOk) {
    delivery->decrypted = true;
    reader.GetMessageText(delivery->message);
    TargetFolder folder(target, false);
    r = DirectoryCopy(reader.GetWorkFolderPath(), &folder, nullptr, &delivery->failures);
    if (r == kOk) r = DeliverRestOfTree(reader.GetWorkFolderPath(), &folder);
  }
  const Result wiped = reader.Cleanup(nullptr);
  return r == kOk ? wiped : r;
}

}  // namespace mv::tools
