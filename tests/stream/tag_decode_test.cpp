// Decoding records from untrusted bytes: truncated, garbage and hostile
// input gives a result code, never a crash or an unbounded allocation (real
// archive entries nested in their own records are refused in the entry
// tests).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "stream/tag_entry.h"
#include "stream/tag_record.h"
#include "tests/stream/record_bytes.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Decode;

void PutU32(Bytes& out, uint32_t n) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
}

// A list head: type 2, tag 0, the length field and the count.
Bytes ListHead(uint32_t length, uint32_t count) {
  Bytes out = {2, 0, 0, 0};
  PutU32(out, length);
  PutU32(out, count);
  return out;
}

Bytes Nested(int depth) {
  Bytes out;
  for (int i = 1; i < depth; ++i) {
    Bytes head = ListHead(0xFFFFFFFF, 1);
    out.insert(out.end(), head.begin(), head.end());
  }
  Bytes innermost = ListHead(4, 0);
  out.insert(out.end(), innermost.begin(), innermost.end());
  return out;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Repeat(const Bytes& member, size_t times) {
  Bytes out;
  for (size_t i = 0; i < times; ++i) out.insert(out.end(), member.begin(), member.end());
  return out;
}

// A text member written with the long length prefix although it is short.
Bytes LongPrefixedText(const char* text) {
  uint32_t n = static_cast<uint32_t>(std::strlen(text));
  Bytes out = {110, 0, 7, 0};
  PutU32(out, 5 + n);
  out.push_back(255);
  PutU32(out, n);
  out.insert(out.end(), text, text + n);
  return out;
}

TEST(TagDecodeTest, HostileCountsLengthsAndDepths) {
  const Bytes none_member = {0, 0, 0, 0, 0, 0, 0, 0};
  constexpr uint64_t kSmallBudget = 64 * 1024;
  struct Case {
    const char* name;
    Bytes bytes;
    Result result;
  } cases[] = {
      // Other writers fill a list's length field as they like: only the
      // count is relied on, and the memory it costs.
      {"count at the bound of the length", Concat(ListHead(20, 2), Repeat(none_member, 2)), kOk},
      {"length field smaller than the members", Concat(ListHead(5, 2), Repeat(none_member, 2)), kOk},
      {"length field of zero", Concat(ListHead(0, 1), LongPrefixedText("short")), kOk},
      {"members past the memory budget", Concat(ListHead(0, 10000), Repeat(none_member, 10000)),
       kRecordTooLarge},
      {"text past the memory budget", [] {
         Bytes b = {110, 0, 0, 0, 0, 0, 0, 0, 255};
         PutU32(b, 100000);
         return Concat(b, Bytes(100000, 'x'));
       }(), kRecordTooLarge},
      {"count above the hard cap", ListHead(0xFFFFFFFF, TagValue::kMaxListCount + 1),
       kMalformedRecord},
      {"largest count, few members present", ListHead(0xFFFFFFFF, TagValue::kMaxListCount),
       kShortRead},
      {"blob above the cap", [] {
         Bytes b = {1, 0, 0, 0};
         PutU32(b, TagValue::kMaxBlobLength + 1);
         return b;
       }(), kMalformedRecord},
      {"truncated blob", {1, 0, 0, 0, 9, 0, 0, 0, 1, 2}, kShortRead},
      {"huge text", {110, 0, 0, 0, 5, 0, 0, 0, 255, 0xFF, 0xFF, 0xFF, 0x7F}, kMalformedRecord},
      {"lists nested to the limit", Nested(TagValue::kMaxReadDepth), kOk},
      {"lists nested a hundred thousand deep", Nested(100000), kMalformedRecord},
      {"archive entry without a factory", {0x1C, 0x0C, 0, 0, 0, 0, 0, 0}, kMalformedRecord},
  };
  test::ScopedEntryFactory no_factory(nullptr);
  StreamContext context;
  context.record_budget = kSmallBudget;
  for (const Case& c : cases) {
    TagRecord record;
    EXPECT_EQ(Decode(c.bytes, record, &context), c.result) << c.name;
  }
}

}  // namespace
}  // namespace mv
