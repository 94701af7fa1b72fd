// A package given to the packer's reading commands: a container file, a
// carrier, or a self-extractor whose payload section is read from the file
// (never run). For a self-extractor the container is copied into a
// temporary file that goes with this object.
#pragma once

#include <string>

#include "base/result.h"
#include "base/string.h"
#include "platform/temporary_area.h"

namespace mv::tools {

class PackageSource {
 public:
  PackageSource() = default;
  PackageSource(const PackageSource&) = delete;
  PackageSource& operator=(const PackageSource&) = delete;
  ~PackageSource();

  // Resolves path. False with a message when it is none of the three kinds
  // (a self-extractor without a package counts as none).
  bool Open(const std::string& path, std::string* error);

  // The path to hand to the package reader.
  const String& ContainerPath() const { return container_path_; }
  bool IsSelfExtractor() const { return !temp_file_.IsEmpty(); }

 private:
  String container_path_;
  String temp_file_;
  platform::LifeLock temp_lock_;
};

}  // namespace mv::tools
