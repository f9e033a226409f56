#include "storage/user_variables.h"

#include <gtest/gtest.h>

#include <string>

#include "common/ascii_case.h"
#include "tests/module/storage_fixture.h"

namespace vellomar::testing {
namespace {

using UserVariablesTest = StorageTest;

TEST_F(UserVariablesTest, TableKeywordsResolveInAnyCaseWithoutCreatingVariables) {
  for (uint32_t i = 0; i < kPropertyCount; ++i) {
    // As listed, folded, and with every letter's case swapped.
    std::string swapped = kPropertyTable[i].keyword;
    for (char& c : swapped) c = static_cast<char>(c ^ 0x20);
    for (const std::string& spelling :
         {std::string(kPropertyTable[i].keyword), FoldAscii(kPropertyTable[i].keyword), swapped}) {
      int32_t id = -1;
      ASSERT_TRUE(Resolve(spelling.c_str(), &id)) << spelling;
      EXPECT_EQ(id, static_cast<int32_t>(i)) << spelling;
    }
  }
  EXPECT_EQ(g_storage.user_head, nullptr);
  EXPECT_EQ(g_storage.max_vars, 0);
}

// Texts a table lookup that folds by bytes could mistake for a keyword: they
// differ in length, or in a byte that is not the letter in either case.
TEST_F(UserVariablesTest, NearMissesOfTableKeywordsBecomeVariables) {
  const char* const near_misses[] = {
      "SetActiveArra",
      "SetActiveArrayy",
      "SetActiveArray ",
      " SetActiveArray",
      "Set@ctiveArray",
      "Set!ctiveArray",
      "Set\xC1"
      "ctiveArray",
      "CreateNumberArra",
      "CreateNumberArrays",
      "GetArrayNam\x05",
      "GetArraySiz",
      "GetArraySize\x7F",
  };
  int32_t expected = kFirstUserVariableId;
  for (const char* keyword : near_misses) {
    int32_t id = -1;
    ASSERT_TRUE(Resolve(keyword, &id)) << keyword;
    EXPECT_EQ(id, expected++) << keyword;
  }
}

TEST_F(UserVariablesTest, NewKeywordsBecomeVariablesNumberedFrom15) {
  int32_t id = 0;
  ASSERT_TRUE(Resolve("Fuel", &id));
  EXPECT_EQ(id, 15);
  EXPECT_EQ(g_storage.max_vars, 16);

  ASSERT_TRUE(Resolve("fuel", &id));
  EXPECT_EQ(id, 15);
  const char* name = nullptr;
  ASSERT_TRUE(KeywordOf(kPropertyTable, kPropertyCount, 15, &name));
  EXPECT_STREQ(name, "Fuel") << "the first spelling is kept";

  ASSERT_TRUE(Resolve("Oil", &id));
  EXPECT_EQ(id, 16);
  EXPECT_EQ(g_storage.max_vars, 17);
  ASSERT_TRUE(Resolve("Gear", &id));
  EXPECT_EQ(id, 17);
  EXPECT_EQ(g_storage.max_vars, 18);
}

TEST_F(UserVariablesTest, EmptyKeywordIsAVariableLikeAnyOther) {
  int32_t id = 0;
  ASSERT_TRUE(Resolve("", &id));
  EXPECT_EQ(id, 15);
  int32_t again = 0;
  ASSERT_TRUE(Resolve("", &again));
  EXPECT_EQ(again, 15);
  const char* name = nullptr;
  ASSERT_TRUE(KeywordOf(kPropertyTable, kPropertyCount, 15, &name));
  EXPECT_STREQ(name, "");
}

TEST_F(UserVariablesTest, OverLongKeywordsAreRefusedEveryTime) {
  const std::string longest(259, 'k');
  const std::string too_long(260, 'k');
  int32_t id = -7;
  EXPECT_FALSE(Resolve(too_long.c_str(), &id));
  EXPECT_FALSE(Resolve(too_long.c_str(), &id));
  EXPECT_EQ(id, -7) << "a failure never writes the out-parameter";
  EXPECT_EQ(g_storage.user_head, nullptr);

  ASSERT_TRUE(Resolve(longest.c_str(), &id));
  EXPECT_EQ(id, 15);
  ASSERT_TRUE(Resolve(longest.c_str(), &id));
  EXPECT_EQ(id, 15);
}

TEST_F(UserVariablesTest, MissingArgumentsFailAndChangeNothing) {
  int32_t id = -7;
  EXPECT_FALSE(Resolve(nullptr, &id));
  EXPECT_FALSE(Resolve("Fuel", nullptr));
  EXPECT_EQ(id, -7);
  EXPECT_EQ(g_storage.user_head, nullptr);
  EXPECT_EQ(g_storage.max_vars, 0);
  EXPECT_FALSE(KeywordOf(kPropertyTable, kPropertyCount, 0, nullptr));
  EXPECT_FALSE(UnitsOf(kPropertyTable, kPropertyCount, 0, nullptr));
}

TEST_F(UserVariablesTest, IdsMapBackToKeywordsAndUnits) {
  int32_t id = 0;
  ASSERT_TRUE(Resolve("Fuel", &id));
  const struct {
    int32_t id;
    bool found;
    const char* keyword;
    int32_t units;
  } cases[] = {
      {0, true, "SetActiveArray", 50}, {7, true, "CreateStringArray", -2},
      {11, true, "GetArraySize", 50},  {14, true, "SetStringValue", -2},
      {15, true, "Fuel", -2},          {16, false, nullptr, 0},
      {-1, false, nullptr, 0},         {INT32_MIN, false, nullptr, 0},
  };
  for (const auto& c : cases) {
    const char* keyword = "unchanged";
    int32_t units = 12345;
    EXPECT_EQ(KeywordOf(kPropertyTable, kPropertyCount, c.id, &keyword), c.found) << c.id;
    EXPECT_EQ(UnitsOf(kPropertyTable, kPropertyCount, c.id, &units), c.found) << c.id;
    if (c.found) {
      EXPECT_STREQ(keyword, c.keyword) << c.id;
      EXPECT_EQ(units, c.units) << c.id;
    } else {
      EXPECT_STREQ(keyword, "unchanged") << c.id;
      EXPECT_EQ(units, 12345) << c.id;
    }
  }
}

TEST_F(UserVariablesTest, ValuesLiveInTheVariablesSlot) {
  int32_t id = 0;
  ASSERT_TRUE(Resolve("Fuel", &id));
  const char* value = nullptr;
  ASSERT_TRUE(UserValueOf(id, &value));
  EXPECT_STREQ(value, "");

  ASSERT_TRUE(SetUserValue(id, "full"));
  EXPECT_STREQ(value, "full") << "a handed-out reference shows later writes";

  EXPECT_FALSE(SetUserValue(id, nullptr));
  EXPECT_FALSE(SetUserValue(id, std::string(260, 'x').c_str()));
  EXPECT_STREQ(value, "full");
  ASSERT_TRUE(SetUserValue(id, std::string(259, 'x').c_str()));
  EXPECT_EQ(std::string(value), std::string(259, 'x'));

  for (int32_t other : {0, 13, 14, 16, -1}) {
    const char* untouched = "unchanged";
    EXPECT_FALSE(UserValueOf(other, &untouched)) << other;
    EXPECT_STREQ(untouched, "unchanged");
    EXPECT_FALSE(SetUserValue(other, "x")) << other;
  }
}

TEST_F(UserVariablesTest, ReleaseKeepsMaxVarsAndRestartsIdsAt15) {
  int32_t id = 0;
  for (const char* keyword : {"A", "B", "C"}) ASSERT_TRUE(Resolve(keyword, &id));
  EXPECT_EQ(g_storage.max_vars, 18);
  ReleaseUserVariables();
  EXPECT_EQ(g_storage.user_head, nullptr);
  EXPECT_EQ(g_storage.max_vars, 18);

  ASSERT_TRUE(Resolve("B", &id));
  EXPECT_EQ(id, 15);
  EXPECT_EQ(g_storage.max_vars, 16);
}

TEST_F(UserVariablesTest, OutOfMemoryCreatesNothing) {
  int32_t id = 0;
  ASSERT_TRUE(Resolve("A", &id));
  FailAllocationsAfter(0);
  id = -7;
  EXPECT_FALSE(Resolve("B", &id));
  EXPECT_EQ(id, -7);
  EXPECT_EQ(g_storage.max_vars, 16);
  EXPECT_EQ(g_storage.user_head->next, nullptr);
  // Existing variables still resolve without memory.
  ASSERT_TRUE(Resolve("a", &id));
  EXPECT_EQ(id, 15);

  FailAllocationsAfter(-1);
  ASSERT_TRUE(Resolve("B", &id));
  EXPECT_EQ(id, 16);
}

}  // namespace
}  // namespace vellomar::testing
