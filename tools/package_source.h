// A package given to the packer's reading commands: a container file, a
// carrier, or a self-extractor whose container is read from the file where
// its payload section holds it (never run, never copied out).
#pragma once

#include <string>

#include "base/string.h"
#include "container/container_format.h"
#include "stream/file_stream.h"

namespace mv::tools {

class PackageSource {
 public:
  // Resolves path. False with a message when it is none of the three kinds
  // (a self-extractor without a package, or whose header announces more
  // than its section holds, counts as none).
  bool Open(const std::string& path, std::string* error);

  // The file to read, the part of it that is the container (the whole file
  // but for a self-extractor) and how to read it.
  const String& Path() const { return path_; }
  const FileRange& Range() const { return range_; }
  ContainerKind Kind() const { return kind_; }
  bool IsSelfExtractor() const { return !range_.IsWhole(); }

 private:
  String path_;
  FileRange range_;
  ContainerKind kind_ = kContainerNone;
};

}  // namespace mv::tools
