#include "storage/array_store.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "callbacks/property_dispatch.h"
#include "host/panel_services.h"
#include "tests/module/storage_fixture.h"

namespace vellomar::testing {
namespace {

class ArrayStoreTest : public StorageTest {
 protected:
  // Creates with a fresh name text each time, as different gauge lines would.
  bool Create(ArrayKind kind, int32_t pending_size) {
    names_.push_back(std::make_unique<char[]>(2));
    names_.back()[0] = 'A';
    g_storage.pending_size = pending_size;
    return CreateOrSelectArray(kind, names_.back().get());
  }
  static ArrayRecord* Active() { return FindArray(g_storage.active_token); }

  std::vector<std::unique_ptr<char[]>> names_;
};

TEST_F(ArrayStoreTest, PendingSizeDecidesTheSize) {
  const struct {
    int32_t pending;
    bool created;
    int32_t size;
  } cases[] = {
      {5, true, 5},   {1, true, 1},          {1000, true, 1000},    {1001, true, 20},
      {-3, true, 20}, {INT32_MIN, true, 20}, {INT32_MAX, true, 20}, {0, false, 0},
  };
  for (const auto& c : cases) {
    for (ArrayKind kind : {ArrayKind::kNumber, ArrayKind::kString}) {
      g_storage.active_token = 12345;
      ASSERT_EQ(Create(kind, c.pending), c.created) << "pending " << c.pending;
      if (!c.created) {
        EXPECT_EQ(g_storage.active_token, 0u) << "a refused creation clears the token";
        continue;
      }
      const ArrayRecord* array = Active();
      ASSERT_NE(array, nullptr);
      EXPECT_EQ(array->size, c.size) << "pending " << c.pending;
      EXPECT_EQ(array->reserved, 0u);
    }
  }
}

TEST_F(ArrayStoreTest, NewArraysAreZeroFilledOfTheirKind) {
  ASSERT_TRUE(Create(ArrayKind::kString, 5));
  const ArrayRecord* strings = Active();
  EXPECT_EQ(strings->numbers, nullptr);
  EXPECT_EQ(strings->units_code, -2);
  for (g_storage.read_index = 0; g_storage.read_index < 5; ++g_storage.read_index) {
    const char* text = nullptr;
    ASSERT_TRUE(ReadText(&text));
    EXPECT_STREQ(text, "");
  }

  ASSERT_TRUE(Create(ArrayKind::kNumber, 5));
  const ArrayRecord* numbers = Active();
  EXPECT_EQ(numbers->strings, nullptr);
  for (g_storage.read_index = 0; g_storage.read_index < 5; ++g_storage.read_index) {
    double value = 1.0;
    ASSERT_TRUE(ReadNumber(&value));
    EXPECT_EQ(value, 0.0);
  }
}

TEST_F(ArrayStoreTest, NamesMatchByIdentityAcrossKinds) {
  const char* name = "Names";
  g_storage.pending_size = 4;
  ASSERT_TRUE(CreateOrSelectArray(ArrayKind::kNumber, name));
  const uint32_t first = g_storage.active_token;

  // Same pointer: the first array again, whatever the kind or pending size.
  g_storage.pending_size = 9;
  ASSERT_TRUE(Create(ArrayKind::kString, 3));
  ASSERT_TRUE(CreateOrSelectArray(ArrayKind::kString, name));
  EXPECT_EQ(g_storage.active_token, first);
  EXPECT_EQ(Active()->size, 4);
  EXPECT_NE(Active()->numbers, nullptr);

  // Same characters at another address: a new array.
  const std::string copy = name;
  ASSERT_TRUE(CreateOrSelectArray(ArrayKind::kNumber, copy.c_str()));
  EXPECT_NE(g_storage.active_token, first);
  EXPECT_EQ(Active()->name, copy.c_str());

  // Pending size 0 refuses even a known name, and clears the token.
  g_storage.pending_size = 0;
  EXPECT_FALSE(CreateOrSelectArray(ArrayKind::kNumber, name));
  EXPECT_EQ(g_storage.active_token, 0u);
}

TEST_F(ArrayStoreTest, MissingOrEmptyNamesAreRefused) {
  g_storage.pending_size = 3;
  for (const char* name : {static_cast<const char*>(nullptr), ""}) {
    g_storage.active_token = 77;
    EXPECT_FALSE(CreateOrSelectArray(ArrayKind::kString, name));
    EXPECT_EQ(g_storage.active_token, 0u);
  }
  EXPECT_EQ(g_storage.array_head, nullptr);
}

TEST_F(ArrayStoreTest, TokensAreNonzeroUniqueAndFixed) {
  std::set<uint32_t> tokens;
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(Create(i % 2 ? ArrayKind::kNumber : ArrayKind::kString, 2));
    EXPECT_NE(g_storage.active_token, 0u);
    EXPECT_TRUE(tokens.insert(g_storage.active_token).second) << "token reused";
    EXPECT_EQ(Active()->token, g_storage.active_token);
  }
  // Walking the list finds every token in creation order, and the first
  // record's token still selects it.
  const ArrayRecord* first = g_storage.array_head;
  EXPECT_EQ(FindArray(first->token), first);
  if (sizeof(void*) == 4) {
    EXPECT_EQ(first->token,
              static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&g_storage.array_head)));
    EXPECT_EQ(first->next->token, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(first)));
  }
  EXPECT_EQ(FindArray(0), nullptr);
}

TEST_F(ArrayStoreTest, ElementAccessChecksArrayIndexAndKind) {
  ASSERT_TRUE(Create(ArrayKind::kNumber, 4));
  const uint32_t numbers = g_storage.active_token;
  ASSERT_TRUE(Create(ArrayKind::kString, 4));
  const uint32_t strings = g_storage.active_token;

  const struct {
    uint32_t token;
    int32_t index;
    bool number_ok;
    bool text_ok;
  } cases[] = {
      {numbers, 0, true, false},   {numbers, 3, true, false},
      {numbers, 4, false, false},  {numbers, -1, false, false},
      {strings, 3, false, true},   {strings, 4, false, false},
      {strings, -1, false, false}, {strings, INT32_MIN, false, false},
      {0, 0, false, false},        {numbers + strings + 999, 0, false, false},
  };
  for (const auto& c : cases) {
    g_storage.active_token = c.token;
    g_storage.read_index = g_storage.write_index = c.index;
    double number = -5.0;
    const char* text = "unchanged";
    EXPECT_EQ(WriteNumber(2.5), c.number_ok) << c.token << "/" << c.index;
    EXPECT_EQ(ReadNumber(&number), c.number_ok) << c.token << "/" << c.index;
    EXPECT_EQ(number, c.number_ok ? 2.5 : -5.0);
    EXPECT_EQ(WriteText("abc"), c.text_ok) << c.token << "/" << c.index;
    EXPECT_EQ(ReadText(&text), c.text_ok) << c.token << "/" << c.index;
    EXPECT_STREQ(text, c.text_ok ? "abc" : "unchanged");
  }
}

TEST_F(ArrayStoreTest, TextElementsRefuseMissingAndOverLongTexts) {
  ASSERT_TRUE(Create(ArrayKind::kString, 2));
  g_storage.write_index = g_storage.read_index = 1;
  const char* slot = nullptr;
  ASSERT_TRUE(WriteText("kept"));
  ASSERT_TRUE(ReadText(&slot));
  EXPECT_FALSE(WriteText(nullptr));
  EXPECT_FALSE(WriteText(std::string(260, 'x').c_str()));
  EXPECT_STREQ(slot, "kept");
  ASSERT_TRUE(WriteText(std::string(259, 'x').c_str()));
  EXPECT_EQ(std::string(slot), std::string(259, 'x'));
  // The neighbouring slot is untouched by a full one.
  g_storage.read_index = 0;
  ASSERT_TRUE(ReadText(&slot));
  EXPECT_STREQ(slot, "");
}

TEST_F(ArrayStoreTest, UnknownActiveTokenFailsSizeAndName) {
  ASSERT_TRUE(Create(ArrayKind::kNumber, 4));
  int32_t size = 0;
  const char* name = nullptr;
  ASSERT_TRUE(ActiveSize(&size));
  ASSERT_TRUE(ActiveName(&name));
  EXPECT_EQ(size, 4);
  EXPECT_EQ(name, names_.back().get());

  g_storage.active_token = 0xDEADBEEF;
  size = -1;
  name = "unchanged";
  EXPECT_FALSE(ActiveSize(&size));
  EXPECT_FALSE(ActiveName(&name));
  EXPECT_EQ(size, -1);
  EXPECT_STREQ(name, "unchanged");
}

// The host's get_units_enum, with the host's calling convention, counting calls.
int g_units_calls = 0;
std::string g_units_asked;
int32_t VELLOMAR_STDCALL CountingUnitsEnum(const char* unit) {
  ++g_units_calls;
  g_units_asked = unit;
  return 777;
}

TEST_F(ArrayStoreTest, UnitsCodeComesFromTheHostOrIsMinusOneWithoutIt) {
  ASSERT_TRUE(Create(ArrayKind::kNumber, 1));
  EXPECT_EQ(Active()->units_code, -1) << "no panel-services table known";

  int& calls = g_units_calls;
  std::string& asked = g_units_asked;
  calls = 0;
  PanelServiceEntry table[kPanelServiceEntryCount] = {};
  table[kGetUnitsEnumEntry] = reinterpret_cast<PanelServiceEntry>(&CountingUnitsEnum);
  ImportTable.panels.pointer = table;
  ASSERT_TRUE(Create(ArrayKind::kNumber, 1));
  EXPECT_EQ(Active()->units_code, 777);
  EXPECT_EQ(asked, "number");
  ASSERT_TRUE(CreateOrSelectArray(ArrayKind::kNumber, Active()->name));
  EXPECT_EQ(calls, 1) << "selecting an existing array asks nothing";
  ASSERT_TRUE(Create(ArrayKind::kString, 1));
  EXPECT_EQ(Active()->units_code, -2);
  EXPECT_EQ(calls, 1) << "asked only for number arrays";
  ImportTable.panels.pointer = nullptr;
}

TEST_F(ArrayStoreTest, OutOfMemoryLeavesNothingHalfMade) {
  ASSERT_TRUE(Create(ArrayKind::kString, 3));
  const uint32_t before = g_storage.active_token;
  for (int successes : {0, 1}) {  // the record, then the buffer, cannot be had
    FailAllocationsAfter(successes);
    EXPECT_FALSE(Create(ArrayKind::kNumber, 3)) << successes;
    EXPECT_EQ(g_storage.array_head->next, nullptr) << successes;
    EXPECT_EQ(g_storage.active_token, before) << successes;
  }
  FailAllocationsAfter(-1);
  ASSERT_TRUE(Create(ArrayKind::kNumber, 3));
}

TEST_F(ArrayStoreTest, ReleaseEmptiesTheListAndKeepsCursors) {
  ASSERT_TRUE(Create(ArrayKind::kNumber, 3));
  ASSERT_TRUE(Create(ArrayKind::kString, 3));
  const uint32_t token = g_storage.active_token;
  g_storage.read_index = 2;
  g_storage.write_index = -4;
  ReleaseArrays();
  EXPECT_EQ(g_storage.array_head, nullptr);
  EXPECT_EQ(g_storage.active_token, token);
  EXPECT_EQ(g_storage.read_index, 2);
  EXPECT_EQ(g_storage.write_index, -4);
  EXPECT_EQ(g_storage.pending_size, 3);
  EXPECT_EQ(LiveAllocations(), 0u);
}

}  // namespace
}  // namespace vellomar::testing
