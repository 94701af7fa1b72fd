// How large a self-extractor may be, told before any work: the packer checks
// a package against these bounds before it asks for the password, and a
// packer window can show the same line as soon as a selection passes one.
#pragma once

#include <cstdint>
#include <string>

#include "tools/executable_image.h"

namespace mv::tools {

// Windows starts no executable image of 2 GiB or more: "Executable images
// (both DLLs and EXEs) are restricted to a maximum size of 2 gigabytes"
// (Microsoft Learn, x64 Software Conventions, "Image Format",
// learn.microsoft.com/en-us/previous-versions/3hs5w5e3(v=vs.140)), and loads
// are reported to fail from about 1.8 GiB. Under Wine every size up to
// 3.9 GiB started (which says nothing of Windows). A Windows self-extractor
// therefore stays below 1.75 GiB, file and image alike.
inline constexpr uint64_t kMaxWindowsSelfExtractor = 1879048192;

// The payload header announces the container in 32 bits and places the
// presentation data by 32-bit offsets from itself: header, container and
// presentation data together stay within 4294967295 bytes.
inline constexpr uint64_t kMaxPayloadContents = 0xFFFFFFFF;

// The most bytes a container may take for content_size bytes of content
// (files and records as the packer counts them), whatever compression does
// to them: content that does not shrink is stored with a few bytes per block
// and chunk, far less than the thousandth allowed here, plus the header.
uint64_t WorstContainerSize(uint64_t content_size);

// A package as a self-extractor would carry it.
struct PackageSize {
  uint64_t container = 0;  // the container's bytes, or the most it may take
  bool at_most = false;    // container is an upper bound (nothing compressed yet)
  uint64_t layout = 0;     // the presentation data's bytes
};

// "" when the stub can carry the package; otherwise the one line that
// names the bound, the package (name: the container file or the inputs)
// and what the sender can do instead.
std::string SelfExtractorSizeProblem(const PayloadGrowth& stub, const PackageSize& size, const std::string& name);

}  // namespace mv::tools
