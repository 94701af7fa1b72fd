// Writing a self-extractor in flat memory, whatever the package's size:
// the stub's image up to its payload section, the payload header's room,
// the container (streamed in by the container writer, in place, or copied
// from a container file), the presentation data, then the rest of the
// grown image; last the headers are patched in place (and a PE image's
// checksum summed over the file). Everything goes to a temporary file
// beside the output name, created exclusively and owner-only, which takes
// the output's name only once the image describes itself as the stub did;
// on any failure it is removed, so that nothing half-written is ever found
// at the output name. The written self-extractor stays owner-only, plus
// the permission to run it.
#pragma once

#include <cstdint>
#include <string>

#include "base/string.h"
#include "stream/file_stream.h"
#include "tools/executable_image.h"

namespace mv::tools {

// The presentation data a self-extractor may carry besides its package:
// the description, link and disclaimer texts and a picture (a BMP file).
struct SectionLayout {
  bool present = false;
  String description;
  String link;
  String disclaimer;
  Bytes bitmap;
  // The bytes it takes in the section (each text with its NUL, then the
  // picture); 0 when there is none.
  uint64_t Size() const;
};

class SelfExtractorWriter {
 public:
  SelfExtractorWriter() = default;
  SelfExtractorWriter(const SelfExtractorWriter&) = delete;
  SelfExtractorWriter& operator=(const SelfExtractorWriter&) = delete;
  // Removes the temporary file unless Finish put it in place.
  ~SelfExtractorWriter();

  // Makes the temporary file beside out and writes the stub's image up to
  // where the container goes. stub (prepared) and layout must outlive the
  // writer. replace: a file found at out when the image is finished is
  // replaced; otherwise Finish refuses it (kOutputExists). False with a
  // message naming out and the cause.
  bool Begin(const PayloadGrowth& stub, const std::string& out, const SectionLayout& layout, bool replace,
             std::string* error);
  // Where the container writer writes: the temporary file, in place from
  // the container's offset on.
  const String& TemporaryPath() const { return temporary_; }
  FileRange ContainerRange() const;
  // Copies the container file at path into place.
  bool CopyContainer(const std::string& path, std::string* error);
  // With the container in place: appends the presentation data, the rest
  // of the image and its patched headers, checks the image and gives it
  // the output's name (replacing a file there when Begin was told to). False with a message
  // naming out and the cause, a package larger than the image may carry
  // included (tools/self_extractor_size.h).
  bool Finish(std::string* error);
  // The container's bytes, once Finish has measured them.
  uint64_t ContainerSize() const { return container_size_; }

 private:
  bool Fail(std::string* error, const std::string& why) const;

  const PayloadGrowth* stub_ = nullptr;
  const SectionLayout* layout_ = nullptr;
  std::string out_;
  String out_path_;
  String temporary_;
  uint64_t container_offset_ = 0;
  uint64_t container_size_ = 0;
  bool replace_ = false;
  bool finished_ = false;
};

}  // namespace mv::tools
