#include "wave2script/core/syllable_record.h"

#include <gtest/gtest.h>

#include <vector>

namespace vtr::w2s {
namespace {

TEST(SyllableArrayTest, GrowsByTheCapacityRule) {
  struct Step {
    size_t size;
    int grow_step;
    size_t capacity;
    const char* why;
  };
  const std::vector<Step> steps = {
      {1, -1, 4, "size 0: step 4"},
      {5, -1, 8, "size 1: step 1/8 clamped to 4"},
      {100, -1, 100, "the new size is larger than capacity + step"},
      {101, -1, 112, "size 100: step 12"},
      {3, 50, 112, "shrinking keeps the capacity"},
      {200, -1, 200, "the given step 50: 162 is too small"},
      {201, -1, 250, "the given step 50"},
      {10, 0, 250, "back to the derived step"},
      {300, -1, 300, "10/8 clamped to 4"},
      {0, -1, 0, "size 0 frees everything"},
  };
  SyllableArray records;
  for (const Step& s : steps) {
    records.SetSize(s.size, s.grow_step);
    EXPECT_EQ(records.size(), s.size) << s.why;
    EXPECT_EQ(records.capacity(), s.capacity) << s.why;
  }
  SyllableArray big;
  big.SetSize(16000);
  big.SetSize(16001);
  EXPECT_EQ(big.capacity(), 17024u) << "the step is clamped to 1024";
}

TEST(SyllableArrayTest, KeepsRecordsWhenGrowingAndEmptiesDroppedOnes) {
  SyllableArray records;
  records.SetSize(2);
  records[0].text = "a";
  records[1].speed = 70;
  records.SetSize(50);
  EXPECT_EQ(records[0].text, "a");
  EXPECT_EQ(records[1].speed, 70);
  EXPECT_EQ(records[49], SyllableRecord());
  records.SetSize(1);
  records.SetSize(2);
  EXPECT_EQ(records[1], SyllableRecord()) << "a dropped record comes back empty";
}

TEST(SyllableArrayTest, CopiesAreDeep) {
  SyllableArray a;
  SyllableRecord r;
  r.text = "x";
  r.prefix = "S40";
  a.Add(r);
  a.Add(a[0]);
  SyllableArray b = a;
  b[0].text = "y";
  EXPECT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].text, "x");
  EXPECT_EQ(b[1].prefix, "S40");
  EXPECT_EQ(b.size(), 2u);
}

}  // namespace
}  // namespace vtr::w2s
