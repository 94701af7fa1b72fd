// The packer's executable-image parsing: describing a PE or ELF image,
// locating its payload section and laying out the image grown around new
// contents. The input is the image.
// Oracle: a stub that Prepare accepts is laid out around new contents with
// the contents at the section's offset; once assembled (head, contents,
// padding, tail, checksum) and accepted by CheckGrown, it describes itself
// without error, keeps the section last and gives back exactly the new
// contents followed by zero padding. The checksum does not depend on how
// the file is cut into pieces.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/executable_image.h"

namespace {

using mv::tools::Bytes;

void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "executable image: %s %s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Bytes image(data, data + size);
  const mv::tools::MemoryImage view(image);
  mv::tools::DetectImageKind(view);
  mv::tools::DescribeImage(view);
  Bytes contents;
  std::string error;
  mv::tools::ReadPayloadSection(view, &contents, &error);

  mv::tools::PayloadGrowth growth;
  if (!growth.Prepare(image, &error)) return 0;
  // New contents of a size taken from the image, so that growing, keeping
  // and shrinking (padded) all occur.
  Bytes fresh(1 + size % 9000);
  for (size_t i = 0; i < fresh.size(); ++i) fresh[i] = static_cast<uint8_t>(i * 131 + 7);
  mv::tools::GrownImage grown;
  if (!growth.Lay(fresh.size(), &grown, &error)) return 0;
  if (grown.head.size() != growth.ContentsOffset()) Fail("the contents do not begin at the section", "");

  Bytes out = grown.head;
  out.insert(out.end(), fresh.begin(), fresh.end());
  out.resize(out.size() + grown.padding, 0);
  out.insert(out.end(), grown.tail.begin(), grown.tail.end());
  if (out.size() != grown.Size()) Fail("the laid-out parts do not add up to the image's size", "");
  if (grown.checksum_offset != 0) {
    mv::tools::ImageChecksum whole(grown.checksum_offset);
    whole.Add(out.data(), out.size());
    mv::tools::ImageChecksum pieces(grown.checksum_offset);
    const size_t cut = size % (out.size() + 1);
    pieces.Add(out.data(), cut);
    pieces.Add(out.data() + cut, out.size() - cut);
    if (whole.Value() != pieces.Value()) Fail("the checksum depends on the pieces", std::to_string(cut));
  }
  if (!growth.CheckGrown(mv::tools::MemoryImage(out), fresh.size(), &error)) return 0;

  const mv::tools::ImageInfo info = mv::tools::DescribeImage(out);
  if (!info.error.empty()) Fail("the grown image is not understood:", info.error);
  if (!info.payload_is_last) Fail("the grown section is not last", "");
  Bytes back;
  if (!mv::tools::ReadPayloadSection(out, &back, &error)) Fail("the grown section cannot be read:", error);
  if (back.size() < fresh.size()) Fail("the grown section is too short", "");
  for (size_t i = 0; i < back.size(); ++i) {
    if (back[i] != (i < fresh.size() ? fresh[i] : 0)) Fail("the grown section holds other bytes", "");
  }
  return 0;
}
