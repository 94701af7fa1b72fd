// Archive entries decoded into a base folder: the input is a content record
// as it comes out of a decrypted package after one byte of flags: bit 0
// asks for a measuring pass, which reads the entries without writing
// anything, bit 1 for executables' branches to be restored as they are
// written (the filtering coding of the strong kind).
// Oracle: entries write only below the base folder top/base/ of the
// sandbox; nothing appears beside it or above it, a measuring pass leaves
// the base folder empty, and the base folder's tree can be deleted again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "archive/archive_entry.h"
#include "fs/file_operations.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_sandbox.h"
#include "stream/memory_stream.h"
#include "stream/tag_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const mv::fuzz::Sandbox sandbox({"base"});
  mv::RegisterArchiveEntries();
  mv::fuzz::Input input(data, size);
  const uint8_t flags = input.Byte();
  const uint32_t measure_only = flags & 1;
  const std::vector<uint8_t> record_bytes = input.Rest();

  const mv::String base = sandbox.Path("base/");
  if (mv::MakeFolder(base) != mv::kOk) {
    std::fprintf(stderr, "archive entry: the base folder %s cannot be made\n", base.c_str());
    std::abort();
  }
  {
    mv::StreamContext context{base.c_str(), nullptr, measure_only, 0};
    context.branch_filter = flags >> 1 & 1;
    mv::MemoryStream in;
    in.OpenRead(record_bytes, &context);
    mv::TagRecord content;
    content.Serialize(in);
  }
  sandbox.CheckConfined();
  std::error_code error;
  if (measure_only != 0 && !std::filesystem::is_empty(base.c_str(), error)) {
    std::fprintf(stderr, "archive entry: a measuring pass wrote into %s\n", base.c_str());
    std::abort();
  }
  if (mv::DeleteFolderTree(base) != mv::kOk) {
    std::fprintf(stderr, "archive entry: the tree below %s cannot be deleted\n", base.c_str());
    std::abort();
  }
  mv::fuzz::Sandbox::CheckGone(base);
  return 0;
}
