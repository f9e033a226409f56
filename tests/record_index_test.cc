#include "storage/record_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "storage/record_vector.h"
#include "tests/test_allocation.h"

namespace vellomar::testing {
namespace {

struct Keyed {
  uint32_t key;
};

class RecordIndexTest : public ::testing::Test {
 protected:
  void TearDown() override {
    FailAllocationsAfter(-1);
    index_.Clear();
    vector_.Clear();
    EXPECT_EQ(LiveAllocations(), 0u) << "a table was not freed";
  }

  const Keyed* Find(uint32_t (*hash)(uint32_t), uint32_t key) const {
    return static_cast<const Keyed*>(index_.Find(hash(key), [key](const void* record) {
      return static_cast<const Keyed*>(record)->key == key;
    }));
  }

  RecordIndex index_;
  RecordVector vector_;
};

uint32_t Spread(uint32_t key) { return HashKey(key); }
uint32_t Constant(uint32_t) { return 7; }                     // every probe collides
uint32_t SameLowBits(uint32_t key) { return key << 20; }      // collide under every mask below 2^20
uint32_t NearTop(uint32_t key) { return 0xFFFFFFFFu - key; }  // probes wrap past the end

TEST_F(RecordIndexTest, FindsEveryRecordAndNothingElseAcrossGrowth) {
  const struct {
    const char* name;
    uint32_t (*hash)(uint32_t);
    uint32_t count;
  } cases[] = {
      {"spread", Spread, 5000},
      {"constant", Constant, 300},
      {"same low bits", SameLowBits, 2000},
      {"near top", NearTop, 2000},
  };
  for (const auto& c : cases) {
    std::vector<Keyed> records(c.count);
    for (uint32_t i = 0; i < c.count; ++i) {
      records[i].key = 3 * i + 1;
      ASSERT_TRUE(index_.ReserveOneMore()) << c.name << " #" << i;
      index_.Insert(c.hash(records[i].key), &records[i]);
      // The newest and the oldest stay findable through every growth.
      ASSERT_EQ(Find(c.hash, records[i].key), &records[i]) << c.name << " #" << i;
      ASSERT_EQ(Find(c.hash, records[0].key), &records[0]) << c.name << " #" << i;
    }
    EXPECT_EQ(index_.size(), c.count) << c.name;
    for (uint32_t i = 0; i < c.count; ++i) {
      ASSERT_EQ(Find(c.hash, records[i].key), &records[i]) << c.name << " key " << records[i].key;
      ASSERT_EQ(Find(c.hash, records[i].key + 1), nullptr) << c.name << " absent " << i;
    }
    // At most three quarters full, with the key hashes beside the pointers.
    EXPECT_LE(index_.table_bytes(),
              c.count * 8 / 3 * (sizeof(void*) + sizeof(uint32_t)) + 64 * sizeof(void*))
        << c.name;
    index_.Clear();
    EXPECT_EQ(index_.size(), 0u) << c.name;
    EXPECT_EQ(Find(c.hash, records[0].key), nullptr) << c.name << " after clearing";
  }
}

TEST_F(RecordIndexTest, AFailedGrowthLeavesTheIndexAnswering) {
  std::vector<Keyed> records(100);
  uint32_t failures = 0;
  for (uint32_t i = 0; i < records.size(); ++i) {
    records[i].key = i + 1;
    FailAllocationsAfter(0);
    if (!index_.ReserveOneMore()) {
      ++failures;
      ASSERT_EQ(index_.size(), i);
      for (uint32_t j = 0; j < i; ++j) ASSERT_EQ(Find(Spread, records[j].key), &records[j]) << j;
      FailAllocationsAfter(-1);
      ASSERT_TRUE(index_.ReserveOneMore()) << i;
    }
    index_.Insert(Spread(records[i].key), &records[i]);
  }
  // The first insertion and every doubling needed memory.
  EXPECT_EQ(failures, 5u);  // 0, 12, 24, 48, 96
  for (const Keyed& record : records) EXPECT_EQ(Find(Spread, record.key), &record) << record.key;
}

TEST_F(RecordIndexTest, VectorKeepsListOrderAndSurvivesFailedGrowth) {
  std::vector<Keyed> records(100);
  EXPECT_EQ(vector_.Back(), nullptr);
  EXPECT_EQ(vector_.At(0), nullptr);
  for (uint32_t i = 0; i < records.size(); ++i) {
    FailAllocationsAfter(0);
    if (!vector_.ReserveOneMore()) {
      ASSERT_EQ(vector_.size(), i);
      if (i != 0) {
        ASSERT_EQ(vector_.Back(), &records[i - 1]) << i;
      }
      FailAllocationsAfter(-1);
      ASSERT_TRUE(vector_.ReserveOneMore()) << i;
    }
    vector_.Append(&records[i]);
    ASSERT_EQ(vector_.Back(), &records[i]) << i;
  }
  for (std::size_t i = 0; i < records.size(); ++i) EXPECT_EQ(vector_.At(i), &records[i]) << i;
  EXPECT_EQ(vector_.At(records.size()), nullptr);
  EXPECT_EQ(vector_.At(static_cast<std::size_t>(-1)), nullptr);
}

}  // namespace
}  // namespace vellomar::testing
