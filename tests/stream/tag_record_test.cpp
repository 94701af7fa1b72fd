// Lookups by tag, replacement and typed getters of records.
#include "stream/tag_record.h"

#include <gtest/gtest.h>

#include "tests/stream/record_bytes.h"

namespace mv {
namespace {

TEST(TagRecordTest, DuplicateTagsAppendAndTheFirstWins) {
  TagRecord record;
  TagValue v, w, x;
  v.SetU32Value(1);
  w.SetU32Value(2);
  x.SetU32Value(3);
  record.Set(7, v, false);
  record.Set(7, w, false);
  EXPECT_EQ(record.GetU32(7, 0), 1u);
  record.Set(7, x, true);
  EXPECT_EQ(record.GetU32(7, 0), 3u) << "replace hits the first";
  EXPECT_EQ(record.Member(1).GetU32Value(), 2u) << "and only the first";
  record.Set(8, x, true);
  EXPECT_EQ(record.Find(8), 2) << "replace without a match appends";
}

TEST(TagRecordTest, ARecordReadAsAnotherTypeBecomesAListAgainOnSet) {
  TagRecord record;
  ASSERT_EQ(test::Decode({10, 0, 0, 0, 1, 0, 0, 0, 4}, record), kOk);
  EXPECT_EQ(record.GetCount(), 0);
  EXPECT_EQ(record.Find(0), -1);
  EXPECT_EQ(record.SetU8(1, 2, true), kOk);
  EXPECT_EQ(record.GetType(), TypeList);
  EXPECT_EQ(record.GetU8(1, 0), 2);
}

}  // namespace
}  // namespace mv
