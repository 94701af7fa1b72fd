#include "container/container_format.h"

#include <cstring>

#include "fs/disk_query.h"
#include "fs/path.h"
#include "platform/files.h"

namespace mv {
namespace {

// Only the last four characters of the lowercased extension take part, so
// only an extension that is exactly "mef" matches.
bool HasContainerExtension(const String& path) {
  String extension = GetFileExtension(GetFileName(path));
  extension.MakeLower();
  return extension.Right(4) == "mef";
}

bool BeginsWithOlderMark(const String& path) {
  platform::File file;
  char head[24];
  if (!file.Open(path.c_str(), "rb") || file.Read(head, sizeof head) != sizeof head) return false;
  return std::memcmp(head, kOlderFormatMark, sizeof kOlderFormatMark - 1) == 0 ||
         std::memcmp(head, kOlderFormatMarkShort, sizeof kOlderFormatMarkShort - 1) == 0;
}

}  // namespace

ContainerKind ClassifyContainer(const String& path) {
  if (!HasContainerExtension(path)) return kContainerCarrier;
  if (QueryFileSize(path) != 0 && BeginsWithOlderMark(path)) return kContainerOlderSealed;
  return kContainerSealed;
}

}  // namespace mv
