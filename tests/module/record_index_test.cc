#include "storage/record_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/module/test_allocation.h"

namespace vellomar::testing {
namespace {

struct Keyed {
  uint32_t key;
};

class RecordIndexTest : public ::testing::Test {
 protected:
  void TearDown() override {
    index_.Clear();
    EXPECT_EQ(LiveAllocations(), 0u) << "a table was not freed";
  }

  const Keyed* Find(uint32_t (*hash)(uint32_t), uint32_t key) const {
    return static_cast<const Keyed*>(index_.Find(hash(key), [key](const void* record) {
      return static_cast<const Keyed*>(record)->key == key;
    }));
  }

  RecordIndex index_;
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

}  // namespace
}  // namespace vellomar::testing
