#include "tools/self_extractor_size.h"

#include "app/payload.h"

namespace mv::tools {
namespace {

// The header record, the check region, the last partial block and chunk and
// their padding: a few KiB, rounded up generously.
constexpr uint64_t kWorstFixedBytes = 64 * 1024;

}  // namespace

uint64_t WorstContainerSize(uint64_t content_size) {
  return content_size + content_size / 1024 + kWorstFixedBytes;
}

std::string SelfExtractorSizeProblem(const PayloadGrowth& stub, const PackageSize& size, const std::string& name) {
  const uint64_t header = size.layout == 0 ? PayloadHeader::kPlainSize : PayloadHeader::kLayoutSize;
  const uint64_t contents = header + size.container + size.layout;
  const std::string package = size.at_most ? "the package of " + name + " may take up to " +
                                                 std::to_string(size.container) + " bytes"
                                           : name + " is " + std::to_string(size.container) + " bytes";
  // A container file given is the alternative itself. Inputs are judged by
  // the most their container may take; once written, a container that
  // compressed below the bound goes into a self-extractor after all.
  const std::string container_file =
      size.at_most ? "a container file (morvalis-pack create; one that compressed below the bound fits with "
                     "sfx --container)"
                   : "the container file as it is";
  if (size.container > kMaxPayloadContents || contents > kMaxPayloadContents) {
    return "a self-extractor carries at most " + std::to_string(kMaxPayloadContents) +
           " bytes of package and presentation data (its header counts them in 32 bits), and " + package +
           "; pack fewer files into each self-extractor, or send " + container_file;
  }
  if (stub.Kind() != ImageKind::kPe) return "";
  GrownImage grown;
  std::string ignored;
  if (stub.Lay(contents, &grown, &ignored) && grown.Size() < kMaxWindowsSelfExtractor) return "";
  return "a Windows self-extractor must stay below " + std::to_string(kMaxWindowsSelfExtractor) +
         " bytes (1.75 GiB), as Windows does not start larger programs, and " + package +
         "; make a Linux self-extractor instead, or send " + container_file;
}

}  // namespace mv::tools
