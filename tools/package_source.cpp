#include "tools/package_source.h"

#include <vector>

#include "app/payload.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/system_helpers.h"
#include "fs/temp_names.h"
#include "platform/files.h"
#include "tools/executable_image.h"
#include "tools/package_content.h"

namespace mv::tools {
namespace {
// A self-extractor larger than this is not read into memory.
constexpr size_t kMaxImage = size_t{1} << 32;
}  // namespace

PackageSource::~PackageSource() {
  if (!temp_file_.IsEmpty() && FileExists(temp_file_)) RemoveFile(temp_file_);
}

bool PackageSource::Open(const std::string& path, std::string* error) {
  String internal(path.c_str());
  if (!FileExists(internal)) {
    *error = "no such file: " + path;
    return false;
  }
  char head[4] = {};
  {
    platform::File file;
    if (!file.Open(internal.c_str(), "rb")) {
      *error = "cannot open '" + path + "'";
      return false;
    }
    file.Read(head, sizeof head);
  }
  const bool executable = (head[0] == 'M' && head[1] == 'Z') || (head[0] == 0x7F && head[1] == 'E' &&
                                                                   head[2] == 'L' && head[3] == 'F');
  if (!executable) {
    container_path_ = internal;
    return true;
  }
  Bytes image;
  if (!ReadBinaryFile(path, kMaxImage, &image, error)) return false;
  Bytes section;
  if (!ReadPayloadSection(image, &section, error)) {
    *error = "'" + path + "' is not a self-extractor: " + *error;
    return false;
  }
  PayloadView view = FindPayloadHeaderIn(section.data(), section.size());
  const uint8_t* data = view.ContainerData();
  if (data == nullptr) {
    *error = "'" + path + "' carries no package";
    return false;
  }
  platform::File file;
  String temp;
  if (CreateUniqueFile(GetSystemTempFolder(), String("qzp_"), String("mef"), &file, &temp) != kOk) {
    *error = "cannot create a temporary file";
    return false;
  }
  temp_file_ = temp;
  bool written = view.data_size == 0 || file.Write(data, view.data_size) == view.data_size;
  if (!file.Close() || !written) {
    *error = "cannot write a temporary file";
    return false;
  }
  container_path_ = temp;
  return true;
}

}  // namespace mv::tools
