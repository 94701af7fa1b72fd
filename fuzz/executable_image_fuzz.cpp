// The packer's executable-image parsing: describing a PE or ELF image,
// reading its payload section and growing it. The input is the image.
// Oracle: an image whose section was grown describes itself without error,
// keeps the section last, and gives back exactly the new contents followed
// by zero padding; an image refused stays as it was.
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
  Bytes image(data, data + size);
  mv::tools::DetectImageKind(image);
  mv::tools::DescribeImage(image);
  Bytes contents;
  std::string error;
  mv::tools::ReadPayloadSection(image, &contents, &error);

  // New contents of a size taken from the image, so that growing, keeping
  // and shrinking (padded) all occur.
  Bytes fresh(1 + size % 9000);
  for (size_t i = 0; i < fresh.size(); ++i) fresh[i] = static_cast<uint8_t>(i * 131 + 7);
  if (!mv::tools::GrowPayloadSection(&image, fresh, &error)) {
    if (image != Bytes(data, data + size)) Fail("a refused image was changed", error);
    return 0;
  }

  const mv::tools::ImageInfo grown = mv::tools::DescribeImage(image);
  if (!grown.error.empty()) Fail("the grown image is not understood:", grown.error);
  if (!grown.payload_is_last) Fail("the grown section is not last", "");
  Bytes back;
  if (!mv::tools::ReadPayloadSection(image, &back, &error)) Fail("the grown section cannot be read:", error);
  if (back.size() < fresh.size()) Fail("the grown section is too short", "");
  for (size_t i = 0; i < back.size(); ++i) {
    if (back[i] != (i < fresh.size() ? fresh[i] : 0)) Fail("the grown section holds other bytes", "");
  }
  return 0;
}
