// Values in memory and their byte encoding.
#include "stream/tag_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stream/tag_record.h"
#include "tests/stream/record_bytes.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Decode;
using test::Encode;

TEST(TagValueTest, EncodingOfEveryType) {
  int32_t handle_target = 5;
  struct Case {
    const char* name;
    void (*make)(TagValue&, void*);
    Bytes encoded;
  } cases[] = {
      {"none", [](TagValue& v, void*) { v.SetTag(3); }, {0, 0, 3, 0, 0, 0, 0, 0}},
      {"u32", [](TagValue& v, void*) { v.SetU32Value(0x01020304); },
       {40, 0, 0, 0, 4, 0, 0, 0, 4, 3, 2, 1}},
      {"double", [](TagValue& v, void*) { v.SetDoubleValue(-2.0); },
       {80, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0}},
      {"handle is never stored", [](TagValue& v, void* p) { v.SetHandle(p, 4); },
       {100, 0, 0, 0, 0, 0, 0, 0}},
      {"text", [](TagValue& v, void*) { v.SetTextValue("ab"); },
       {110, 0, 0, 0, 3, 0, 0, 0, 2, 'a', 'b'}},
      {"blob", [](TagValue& v, void*) { v.SetBlob("xyz", 3); },
       {1, 0, 0, 0, 3, 0, 0, 0, 'x', 'y', 'z'}},
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

TEST(TagValueTest, UnknownTypesAndNullTextsReadBackAsBlobAndEmptyText) {
  TagValue value;
  ASSERT_EQ(Decode({55, 0, 6, 0, 3, 0, 0, 0, 'a', 'b', 'c'}, value), kOk);
  EXPECT_EQ(value.GetType(), TypeBlob);
  EXPECT_EQ(value.GetTag(), 6);
  EXPECT_EQ(test::BytesOf(value), (Bytes{'a', 'b', 'c'}));

  value.SetTextValue(nullptr);
  TagValue back;
  ASSERT_EQ(Decode(Encode(value), back), kOk);
  ASSERT_NE(back.GetTextValue(), nullptr);
  EXPECT_STREQ(back.GetTextValue(), "");
}

TEST(TagValueTest, AssignIsDeepAndKeepsTheSourceIntact) {
  TagRecord source;
  source.SetText(1, "text", false);
  source.SetTag(42);
  TagValue copy(source);
  source.SetText(1, "changed", true);
  ASSERT_EQ(copy.GetList()->GetCount(), 1);
  EXPECT_STREQ((*copy.GetList())[0].GetTextValue(), "text");
  // Assigning a member of the value's own list over the value.
  copy.Assign((*copy.GetList())[0]);
  EXPECT_EQ(copy.GetType(), TypeText);
  copy.SetTextValue(copy.GetTextValue());
  EXPECT_STREQ(copy.GetTextValue(), "text");
}

}  // namespace
}  // namespace mv
