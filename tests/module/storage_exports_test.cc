// What another module sees through GetMaxVars, GetFirstUserVar and
// GetFirstArray, read as that module reads it: through the public header.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "tests/module/module_fixture.h"
#include "vellomar.h"

namespace vellomar::testing {
namespace {

using InspectionTest = StartedModuleTest;

const ArrayRecord* FirstArray(const hostsim::ModuleExports& exports) {
  return static_cast<const ArrayRecord*>(exports.get_first_array());
}

TEST_F(LoadedModuleTest, InspectionAtLoad) {
  EXPECT_EQ(exports().get_max_vars(), 0);
  EXPECT_EQ(exports().get_first_user_var(), 15);
  EXPECT_EQ(exports().get_first_array(), nullptr);
}

TEST_F(InspectionTest, WalkFromFirstUserVarToMaxVarsSeesEveryVariable) {
  const struct {
    const char* keyword;
    int32_t max_vars;
  } steps[] = {{"Fuel", 16}, {"Oil", 17}, {"Gear", 18}, {"fuel", 18}};
  for (const auto& step : steps) {
    Id(step.keyword);
    EXPECT_EQ(exports().get_max_vars(), step.max_vars) << step.keyword;
  }
  std::vector<std::string> seen;
  for (int32_t id = exports().get_first_user_var(); id < exports().get_max_vars(); ++id) {
    const char* keyword = nullptr;
    ASSERT_TRUE(panel_.ConvertPropertyToString(id, &keyword)) << id;
    seen.push_back(keyword);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"Fuel", "Oil", "Gear"}));
  session_.Stop();
  EXPECT_EQ(exports().get_max_vars(), 18);
}

TEST_F(InspectionTest, ArrayRecordsInCreationOrder) {
  const char* a = "A";
  const char* b = "B";
  SetNumber("SetArraySize", 4);
  ASSERT_TRUE(gauge_.SetText(Id("CreateNumberArray"), a));
  const double token_a = Number("GetArrayToken");
  SetNumber("SetWriteIndex", 3);
  SetNumber("SetNumberValue", 6.5);
  SetNumber("SetArraySize", 2);
  ASSERT_TRUE(gauge_.SetText(Id("CreateStringArray"), b));
  SetNumber("SetWriteIndex", 1);
  ASSERT_TRUE(gauge_.SetText(Id("SetStringValue"), "second"));

  const ArrayRecord* first = FirstArray(exports());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->name, a);
  EXPECT_EQ(first->size, 4);
  EXPECT_EQ(first->token, token_a);
  EXPECT_EQ(first->strings, nullptr);
  ASSERT_NE(first->numbers, nullptr);
  EXPECT_EQ(first->numbers[3], 6.5);
  EXPECT_EQ(first->reserved, 0u);

  const ArrayRecord* second = first->next;
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->name, b);
  EXPECT_EQ(second->size, 2);
  EXPECT_EQ(second->token, Number("GetArrayToken"));
  EXPECT_EQ(second->numbers, nullptr);
  EXPECT_EQ(second->units_code, -2);
  EXPECT_STREQ(second->strings + 1 * VELLOMAR_TEXT_SLOT_SIZE, "second");
  EXPECT_EQ(second->next, nullptr);
}

TEST_F(InspectionTest, RecordFieldsSitAtTheirFixedOffsets) {
  SetNumber("SetArraySize", 7);
  const char* name = "Layout";
  ASSERT_TRUE(gauge_.SetText(Id("CreateStringArray"), name));
  const auto* bytes = reinterpret_cast<const unsigned char*>(FirstArray(exports()));
  ASSERT_NE(bytes, nullptr);
  // Pointer fields take the pointer width, the rest 32 bits, each at its
  // natural alignment: 0,4,8,12,16,20,24,28 on the 32-bit host.
  const size_t p = sizeof(void*);
  const size_t token_at = 3 * p;
  const size_t numbers_at = (token_at + 4 + p - 1) / p * p;
  const size_t units_at = numbers_at + p;
  auto read32 = [bytes](size_t offset) {
    uint32_t value;
    std::memcpy(&value, bytes + offset, sizeof(value));
    return value;
  };
  auto read_pointer = [bytes](size_t offset) {
    const void* value;
    std::memcpy(&value, bytes + offset, sizeof(value));
    return value;
  };
  EXPECT_EQ(read_pointer(0), nullptr);
  EXPECT_EQ(read_pointer(p), name);
  EXPECT_NE(read_pointer(2 * p), nullptr);
  EXPECT_EQ(read32(token_at), static_cast<uint32_t>(Number("GetArrayToken")));
  EXPECT_EQ(read_pointer(numbers_at), nullptr);
  EXPECT_EQ(static_cast<int32_t>(read32(units_at)), -2);
  EXPECT_EQ(read32(units_at + 4), 7u);
  EXPECT_EQ(read32(units_at + 8), 0u);
  if (p == 4) {
    EXPECT_EQ(sizeof(ArrayRecord), 32u);
  }
}

}  // namespace
}  // namespace vellomar::testing
