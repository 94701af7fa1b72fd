#include "tools/package_source.h"

#include <algorithm>

#include "app/payload.h"
#include "fs/disk_query.h"
#include "platform/files.h"
#include "tools/executable_image.h"

namespace mv::tools {

bool PackageSource::Open(const std::string& path, std::string* error) {
  path_ = String(path.c_str());
  range_ = FileRange();
  if (!FileExists(path_)) {
    *error = "no such file: " + path;
    return false;
  }
  char head[4] = {};
  {
    platform::File file;
    if (!file.Open(path_.c_str(), "rb")) {
      *error = "cannot open '" + path + "'";
      return false;
    }
    file.Read(head, sizeof head);
  }
  const bool executable = (head[0] == 'M' && head[1] == 'Z') || (head[0] == 0x7F && head[1] == 'E' &&
                                                                   head[2] == 'L' && head[3] == 'F');
  if (!executable) {
    kind_ = ClassifyContainer(path_);
    return true;
  }
  FileImage image;
  SectionSpan span;
  if (!image.Open(path)) {
    *error = "cannot open '" + path + "'";
    return false;
  }
  if (!LocatePayloadSection(image, &span, error)) {
    *error = "'" + path + "' is not a self-extractor: " + *error;
    return false;
  }
  // The header lies within the first 256000 bytes of the section; only
  // those are read.
  Bytes start(static_cast<size_t>(std::min<uint64_t>(span.size, PayloadHeader::kSearchLimit + PayloadHeader::kLayoutSize)));
  if (!image.ReadAt(span.offset, start.data(), start.size())) {
    *error = "cannot read '" + path + "'";
    return false;
  }
  const PayloadView view = FindPayloadHeaderIn(start.data(), start.size());
  if (!view.IsFound()) {
    *error = "'" + path + "' carries no package";
    return false;
  }
  const uint64_t header_at = static_cast<uint64_t>(view.header - start.data());
  const uint64_t available = span.size - header_at;
  if (view.header_size > available || view.data_size > available - view.header_size) {
    *error = "'" + path + "' announces a package of " + std::to_string(view.data_size) +
             " bytes, more than its _qzpk_ section holds";
    return false;
  }
  range_.offset = span.offset + header_at + view.header_size;
  range_.length = view.data_size;
  kind_ = kContainerSealed;
  return true;
}

}  // namespace mv::tools
