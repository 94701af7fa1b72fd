// Values in memory and their byte encoding.
#include "stream/tag_value.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "stream/tag_record.h"
#include "tests/stream/record_bytes.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Decode;
using test::Encode;

std::string Text(const String& s) { return s.c_str() != nullptr ? s.c_str() : ""; }

TEST(TagValueTest, EncodingOfEveryType) {
  int32_t handle_target = 5;
  struct Case {
    const char* name;
    void (*make)(TagValue&, void*);
    Bytes encoded;
  } cases[] = {
      {"none", [](TagValue& v, void*) { v.SetTag(3); }, {0, 0, 3, 0, 0, 0, 0, 0}},
      {"u8", [](TagValue& v, void*) { v.SetU8Value(0xAB); }, {10, 0, 0, 0, 1, 0, 0, 0, 0xAB}},
      {"u16", [](TagValue& v, void*) { v.SetU16Value(0x1234); },
       {20, 0, 0, 0, 2, 0, 0, 0, 0x34, 0x12}},
      {"u32", [](TagValue& v, void*) { v.SetU32Value(0x01020304); },
       {40, 0, 0, 0, 4, 0, 0, 0, 4, 3, 2, 1}},
      {"i32", [](TagValue& v, void*) { v.SetI32Value(-2); },
       {41, 0, 0, 0, 4, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}},
      {"double", [](TagValue& v, void*) { v.SetDoubleValue(-2.0); },
       {80, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0}},
      {"handle is never stored", [](TagValue& v, void* p) { v.SetHandle(p, 4); },
       {100, 0, 0, 0, 0, 0, 0, 0}},
      {"text", [](TagValue& v, void*) { v.SetTextValue("ab"); },
       {110, 0, 0, 0, 3, 0, 0, 0, 2, 'a', 'b'}},
      {"null text", [](TagValue& v, void*) { v.SetTextValue(nullptr); },
       {110, 0, 0, 0, 1, 0, 0, 0, 0}},
      {"blob", [](TagValue& v, void*) { v.SetBlob("xyz", 3); },
       {1, 0, 0, 0, 3, 0, 0, 0, 'x', 'y', 'z'}},
      {"empty list", [](TagValue& v, void*) { v.SetType(TypeList); v.SetTag(9); },
       {2, 0, 9, 0, 4, 0, 0, 0, 0, 0, 0, 0}},
      // A record with tag 0 holding one member set by SetU8(21, 1).
      {"record", [](TagValue& v, void*) {
         TagRecord r;
         r.SetU8(21, 1, false);
         v.Assign(r);
       },
       {2, 0, 0, 0, 13, 0, 0, 0, 1, 0, 0, 0, 10, 0, 21, 0, 1, 0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    TagValue value;
    c.make(value, &handle_target);
    EXPECT_EQ(Encode(value), c.encoded) << c.name;
  }
}

TEST(TagValueTest, LongTextMemberLengthCountsItsFiveBytePrefix) {
  TagRecord record;
  record.SetText(4, std::string(300, 'q').c_str(), false);
  Bytes bytes = Encode(record);
  ASSERT_EQ(bytes.size(), 8u + 4 + 8 + 305);
  EXPECT_EQ(bytes[16] | bytes[17] << 8, 305);
  EXPECT_EQ(bytes[4] | bytes[5] << 8, 4 + 8 + 305) << "the record's length";
}

TEST(TagValueTest, NestedRecordsAndLargeBlobsRoundTrip) {
  TagRecord inner;
  inner.SetText(200, "name.txt", false);
  inner.SetU32(5, 123456, false);
  std::string content(3 * 1024 * 1024 + 5, 'b');
  content.back() = 'z';
  TagValue blob;
  blob.SetBlob(content.data(), static_cast<uint32_t>(content.size()));
  inner.Set(110, blob, false);
  TagRecord outer;
  outer.SetU8(100, 1, false);
  outer.Set(300, inner, false);
  TagValue d;
  d.SetDoubleValue(0.25);
  outer.Set(7, d, false);

  TagRecord back;
  ASSERT_EQ(Decode(Encode(outer), back), kOk);
  EXPECT_EQ(TagValue::Compare(back, outer), 0);
  TagRecord inner_back;
  back.GetRecord(inner_back, 300);
  String name;
  inner_back.GetText(name, 200, "");
  EXPECT_EQ(Text(name), "name.txt");
  EXPECT_EQ(inner_back.GetU32(5, 0), 123456u);
}

TEST(TagValueTest, UnknownTypesAndNullTextsReadBackAsBlobAndEmptyText) {
  TagValue value;
  ASSERT_EQ(Decode({55, 0, 6, 0, 3, 0, 0, 0, 'a', 'b', 'c'}, value), kOk);
  EXPECT_EQ(value.GetType(), TypeBlob);
  EXPECT_EQ(value.GetTag(), 6);
  ASSERT_EQ(value.GetLength(), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(value.GetBytes()), 3), "abc");

  value.SetTextValue(nullptr);
  TagValue back;
  ASSERT_EQ(Decode(Encode(value), back), kOk);
  EXPECT_EQ(back.GetType(), TypeText);
  ASSERT_NE(back.GetTextValue(), nullptr);
  EXPECT_STREQ(back.GetTextValue(), "");
}

TEST(TagValueTest, CompareOrdersByTypeThenContent) {
  auto u8 = [](uint8_t n) { TagValue v; v.SetU8Value(n); return v; };
  auto u32 = [](uint32_t n) { TagValue v; v.SetU32Value(n); return v; };
  auto text = [](const char* s) { TagValue v; v.SetTextValue(s); return v; };
  auto blob = [](const char* s) { TagValue v; v.SetBlob(s, static_cast<uint32_t>(std::strlen(s))); return v; };
  auto dbl = [](double n) { TagValue v; v.SetDoubleValue(n); return v; };
  auto list = [](int members) {
    TagRecord r;
    for (int i = 0; i < members; ++i) r.SetU8(1, static_cast<uint8_t>(i), false);
    return TagValue(r);
  };
  struct Case {
    const char* name;
    TagValue a, b;
    int32_t sign;  // expected sign, or an exact value when |value| > 1
  } cases[] = {
      {"u8 3 vs 5", u8(3), u8(5), -2},
      {"u8 vs u32 by type", u8(7), u32(7), -30},
      {"equal u32", u32(9), u32(9), 0},
      {"double by sign", dbl(1.0), dbl(0.5), 1},
      {"text byte-wise", text("abc"), text("abd"), -1},
      {"null text as empty", text(nullptr), text(""), 0},
      {"blob shorter first", blob("zz"), blob("aaa"), -1},
      {"blob bytes", blob("ab"), blob("aa"), 1},
      {"list with more members first", list(3), list(2), -1},
      {"equal lists", list(2), list(2), 0},
  };
  for (const Case& c : cases) {
    int32_t r = TagValue::Compare(c.a, c.b);
    if (c.sign < -1 || c.sign > 1) EXPECT_EQ(r, c.sign) << c.name;
    else EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.name;
  }
  TagRecord a, b;
  a.SetU8(1, 1, false);
  b.SetU8(1, 2, false);
  EXPECT_EQ(TagValue::Compare(a, b), -1);
  EXPECT_EQ(TagValue::Compare(b, a), -1) << "differing lists compare -1 both ways";
}

TEST(TagValueTest, ToText) {
  TagValue read_u16;
  ASSERT_EQ(Decode({20, 0, 0, 0, 2, 0, 0, 0, 0x34, 0x12}, read_u16), kOk);
  TagValue hostile_u8;  // payload length claims more than the number holds
  ASSERT_EQ(Decode({10, 0, 0, 0, 200, 0, 0, 0, 0x7F}, hostile_u8), kOk);
  TagValue hostile_handle;
  ASSERT_EQ(Decode({100, 0, 0, 0, 50, 0, 0, 0}, hostile_handle), kOk);
  struct Case {
    const char* name;
    TagValue value;
    bool hex;
    const char* text;
  } cases[] = {
      {"double 10 digits", [] { TagValue v; v.SetDoubleValue(1.0 / 3); return v; }(), false,
       "0.3333333333"},
      {"blob to first NUL", [] { TagValue v; v.SetBlob("ab\0c", 4); return v; }(), false, "ab"},
      {"hex blob", [] { TagValue v; v.SetBlob("\x01\xAB", 2); return v; }(), true, "01 AB"},
      {"hex number set in memory", [] { TagValue v; v.SetU8Value(1); return v; }(), true, ""},
      {"hex number read from a stream", read_u16, true, "34 12"},
      {"hex inline bytes are capped", hostile_u8, true, "7F 00 00 00 00 00 00 00"},
      {"hex handle read from a stream", hostile_handle, true, ""},
  };
  for (const Case& c : cases) {
    String out("old");
    c.value.ToText(out, c.hex);
    EXPECT_EQ(Text(out), c.text) << c.name;
  }
}

TEST(TagValueTest, BlobOperations) {
  TagValue v;
  v.SetBlobSize(4);
  ASSERT_EQ(v.GetLength(), 4u);
  EXPECT_EQ(v.GetBytes()[3], 0);
  v.SetBlob("ab", 2);
  v.AppendBlob("cd", 2);
  v.AppendBlob(nullptr, 5);
  ASSERT_EQ(v.GetLength(), 4u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.GetBytes()), 4), "abcd");
  v.AppendBlob(v.GetBytes(), 2);  // appending its own bytes
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.GetBytes()), 6), "abcdab");
  v.SetU8Value(1);
  v.AppendBlob("x", 1);
  EXPECT_EQ(v.GetType(), TypeBlob) << "a non-blob is replaced";
  EXPECT_EQ(v.GetLength(), 1u);
  v.SetBlobSize(0);
  EXPECT_EQ(v.GetType(), TypeBlob);
  EXPECT_EQ(v.GetBytes(), nullptr);
}

TEST(TagValueTest, AssignIsDeepAndKeepsTheSourceIntact) {
  TagRecord source;
  source.SetText(1, "text", false);
  source.SetTag(42);
  TagValue copy(source);
  EXPECT_EQ(copy.GetTag(), 42);
  source.SetText(1, "changed", true);
  ASSERT_EQ(copy.GetList()->GetCount(), 1);
  EXPECT_STREQ((*copy.GetList())[0].GetTextValue(), "text");
  // Assigning a member of the value's own list over the value.
  copy.Assign((*copy.GetList())[0]);
  EXPECT_EQ(copy.GetType(), TypeText);
  EXPECT_STREQ(copy.GetTextValue(), "text");
  copy.SetTextValue(copy.GetTextValue());
  EXPECT_STREQ(copy.GetTextValue(), "text");
}

TEST(TagValueTest, EntryTypeIsRefusedWithoutFactory) {
  test::ScopedEntryFactory no_factory(nullptr);
  TagValue v;
  v.SetType(TypeEntry);
  EXPECT_EQ(v.GetType(), TypeNone);
}

}  // namespace
}  // namespace mv
