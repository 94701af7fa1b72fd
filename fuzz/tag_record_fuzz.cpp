// Decodes arbitrary bytes as a record through a memory stream. Whatever is
// accepted must survive the operations callers apply to decoded records:
// lookups, copying, comparing, sorting and text conversion. It is not
// written again: writing measures every nested list first, so its cost
// doubles with each level of nesting that the input may hold.
#include <cstddef>
#include <cstdint>

#include "stream/memory_stream.h"
#include "stream/tag_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mv::MemoryStream in;
  in.OpenRead(data, size);
  mv::TagRecord record;
  if (record.Serialize(in) != mv::kOk) return 0;

  mv::String text;
  record.GetText(text, 200, "");
  mv::TagRecord nested;
  record.GetRecord(nested, 300);
  record.ToText(text, true);
  mv::TagRecord copy(record);
  if (mv::TagValue::Compare(copy, record) != 0) __builtin_trap();
  copy.Sort();
  return 0;
}
