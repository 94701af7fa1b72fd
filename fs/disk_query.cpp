#include "fs/disk_query.h"

#include "fs/path.h"
#include "platform/files.h"

namespace mv {
namespace {

// Drive roots are short (D:/); anything longer is looked up as an entry.
constexpr int32_t kLongestRoot = 3;

bool IsKnownDriveType(uint32_t type) {
  return type != platform::kDriveUnknown && type != platform::kDriveNoRootFolder;
}

uint32_t DriveType(const String& drive) {
  if (!IsDriveSpec(drive)) return platform::kDriveUnknown;
  return platform::QueryDriveType((drive + "/").c_str());
}

// Cluster size in 64 bits; 0 when the query fails.
uint64_t ClusterBytes(const platform::DiskSpace& space) {
  return static_cast<uint64_t>(space.sectors_per_cluster) * space.bytes_per_sector;
}

bool DriveSpace(const String& drive, platform::DiskSpace* space) {
  return IsValidDrive(drive) && platform::QueryDiskSpace((drive + "/").c_str(), space);
}

}  // namespace

bool FileExists(const String& path) {
  platform::FolderEntry entry;
  return platform::QueryEntry(path.c_str(), &entry) && !entry.is_folder;
}

bool PathExists(const String& path) {
  platform::FolderEntry entry;
  return platform::QueryEntry(StripTrailingSlash(path).c_str(), &entry);
}

bool FolderExists(const String& folder) {
  if (!IsFolderPath(folder)) return false;
  if (folder.GetLength() <= kLongestRoot) {
    return IsKnownDriveType(platform::QueryDriveType(folder.c_str()));
  }
  platform::FolderEntry entry;
  return platform::QueryEntry(StripTrailingSlash(folder).c_str(), &entry) && entry.is_folder;
}

uint32_t QueryFileSize(const String& path) {
  platform::FolderEntry entry;
  if (!platform::QueryEntry(path.c_str(), &entry) || entry.is_folder) return kUnknownSize;
  if ((entry.size >> 32) != 0) return kUnknownSize;
  return static_cast<uint32_t>(entry.size);
}

uint32_t QueryAllocatedSize(const String& path) {
  if (!FileExists(path)) return kUnknownSize;
  uint32_t size = QueryFileSize(path);
  if (size == 0 || size == kUnknownSize) return 0;
  platform::DiskSpace space;
  if (!platform::QueryDiskSpace(path.c_str(), &space)) return 0;
  uint64_t cluster = ClusterBytes(space);
  if (cluster == 0) return 0;
  uint64_t rounded = (size + cluster - 1) / cluster * cluster;
  return rounded > kUnknownSize - 1ULL ? kUnknownSize : static_cast<uint32_t>(rounded);
}

bool IsValidDrive(const String& drive) { return IsKnownDriveType(DriveType(drive)); }

bool IsCdRomDrive(const String& drive) { return DriveType(drive) == platform::kDriveCdRom; }

bool IsRemovableDrive(const String& drive) {
  return DriveType(drive) == platform::kDriveRemovable;
}

uint32_t GetClusterSize(const String& drive) {
  platform::DiskSpace space;
  if (!DriveSpace(drive, &space)) return 0;
  uint64_t cluster = ClusterBytes(space);
  return cluster > 0xFFFFFFFFu ? 0 : static_cast<uint32_t>(cluster);
}

uint32_t GetFreeClusters(const String& drive) {
  platform::DiskSpace space;
  return DriveSpace(drive, &space) ? space.free_clusters : 0;
}

double GetFreeBytes(const String& drive) {
  platform::DiskSpace space;
  if (!DriveSpace(drive, &space)) return 0.0;
  return static_cast<double>(space.free_clusters) * static_cast<double>(ClusterBytes(space));
}

uint32_t GetFreeSpace(const String& drive) {
  double free_bytes = GetFreeBytes(drive);
  return free_bytes > 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(free_bytes);
}

bool QueryFreeBytesFor(const String& path, uint64_t* free_bytes) {
  String folder = GetFolderPart(ToInternalPath(path));
  while (!folder.IsEmpty() && !FolderExists(folder)) folder = GetParentFolder(folder);
  if (folder.IsEmpty()) folder = "./";
  platform::DiskSpace space;
  if (!platform::QueryDiskSpace(folder.c_str(), &space)) return false;
  *free_bytes = space.free_clusters * ClusterBytes(space);
  return true;
}

}  // namespace mv
