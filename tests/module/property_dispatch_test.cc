// Every property read and write through the gauge callback's raw slots.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/module/module_fixture.h"
#include "vellomar.h"

namespace vellomar::testing {
namespace {

// What a host can observe of the storage without changing it.
struct Observed {
  double read_index, write_index, token;
  int32_t max_vars;
  std::vector<std::string> arrays;  // name pointer, size and contents per array

  bool operator==(const Observed& other) const {
    return read_index == other.read_index && write_index == other.write_index &&
           token == other.token && max_vars == other.max_vars && arrays == other.arrays;
  }
};

class DispatchTest : public StartedModuleTest {
 protected:
  Observed Observe() const {
    Observed observed{};
    gauge_.GetNumber(2, &observed.read_index);
    gauge_.GetNumber(4, &observed.write_index);
    gauge_.GetNumber(5, &observed.token);
    observed.max_vars = exports().get_max_vars();
    for (auto* array = static_cast<const ArrayRecord*>(exports().get_first_array());
         array != nullptr; array = array->next) {
      std::string entry(reinterpret_cast<const char*>(&array->name), sizeof(array->name));
      entry += std::to_string(array->size) + ":" + std::to_string(array->token);
      const size_t bytes = static_cast<size_t>(array->size) *
                           (array->numbers != nullptr ? sizeof(double) : VELLOMAR_TEXT_SLOT_SIZE);
      const char* data = array->numbers != nullptr ? reinterpret_cast<const char*>(array->numbers)
                                                   : array->strings;
      entry.append(data, bytes);
      observed.arrays.push_back(entry);
    }
    return observed;
  }

  // A number array 'N' and then a string array 'S', both of size 4, with one
  // element of each written; `active` names the one left active. Indices 1.
  void Populate(char active) {
    SetNumber("SetArraySize", 4);
    ASSERT_TRUE(gauge_.SetText(Id("CreateNumberArray"), kNumbers));
    SetNumber("SetWriteIndex", 1);
    SetNumber("SetNumberValue", 2.5);
    ASSERT_TRUE(gauge_.SetText(Id("CreateStringArray"), kStrings));
    ASSERT_TRUE(gauge_.SetText(Id("SetStringValue"), "s1"));
    SetNumber("SetReadIndex", 1);
    ASSERT_TRUE(gauge_.SetText(Id("Fuel"), "full"));
    if (active == 'N') {
      ASSERT_TRUE(gauge_.SetText(Id("CreateNumberArray"), kNumbers));
    }
  }

  static constexpr const char* kNumbers = "N";
  static constexpr const char* kStrings = "S";
};

// Which ids each operation serves, with a number array ('N') or a string
// array ('S') active and a user variable at id 15.
struct Row {
  int32_t id;
  const char* read_number;  // operation succeeds with: "N", "S", "NS" or ""
  const char* read_text;
  const char* write_number;
  const char* write_text;
};

const Row kRows[] = {
    {0, "", "", "NS", ""},
    {1, "", "", "NS", ""},
    {2, "NS", "", "", ""},
    {3, "", "", "NS", ""},
    {4, "NS", "", "", ""},
    {5, "NS", "", "", ""},
    {6, "", "", "", "NS"},
    {7, "", "", "", "NS"},
    {8, "N", "", "", ""},
    {9, "", "", "N", ""},
    {10, "", "", "NS", ""},
    {11, "NS", "", "", ""},
    {12, "", "NS", "", ""},
    {13, "", "S", "", ""},
    {14, "", "", "", "S"},
    {15, "", "NS", "", "NS"},
    {16, "", "", "", ""},
    {-1, "", "", "", ""},
    {std::numeric_limits<int32_t>::min(), "", "", "", ""},
    {std::numeric_limits<int32_t>::max(), "", "", "", ""},
};

enum class Op { kReadNumber, kReadText, kWriteNumber, kWriteText };

const char* const kOpNames[] = {"ReadNumber", "ReadText", "WriteNumber", "WriteText"};

void PrintTo(const Row& row, std::ostream* os) { *os << "id " << row.id; }
void PrintTo(Op op, std::ostream* os) { *os << kOpNames[static_cast<int>(op)]; }

class DispatchMatrixTest : public DispatchTest,
                           public ::testing::WithParamInterface<std::tuple<Row, char, Op>> {};

TEST_P(DispatchMatrixTest, SucceedsExactlyWhereServedAndFailsWithDefaults) {
  const auto& [row, active, op] = GetParam();
  Populate(active);
  if (HasFatalFailure()) return;
  const Observed before = Observe();

  auto expected = [active](const char* served) { return std::strchr(served, active) != nullptr; };
  switch (op) {
    case Op::kReadNumber: {
      double value = -5.0;
      const bool ok = gauge_.GetNumber(row.id, &value);
      EXPECT_EQ(ok, expected(row.read_number));
      if (!ok) {
        EXPECT_EQ(value, 1.0) << "failed number reads leave 1.0";
      }
      EXPECT_FALSE(gauge_.GetNumber(row.id, nullptr));
      EXPECT_TRUE(Observe() == before) << "a read changed the storage";
      break;
    }
    case Op::kReadText: {
      const char* value = "unset";
      const bool ok = gauge_.GetText(row.id, &value);
      EXPECT_EQ(ok, expected(row.read_text));
      if (!ok) {
        EXPECT_STREQ(value, "null") << "failed text reads leave \"null\"";
      }
      EXPECT_FALSE(gauge_.GetText(row.id, nullptr));
      EXPECT_TRUE(Observe() == before) << "a read changed the storage";
      break;
    }
    case Op::kWriteNumber: {
      const bool ok = gauge_.SetNumber(row.id, 2.0);
      EXPECT_EQ(ok, expected(row.write_number));
      if (!ok) {
        EXPECT_TRUE(Observe() == before) << "a failed write changed the storage";
      }
      break;
    }
    case Op::kWriteText: {
      const bool ok = gauge_.SetText(row.id, "text");
      EXPECT_EQ(ok, expected(row.write_text));
      if (!ok) {
        EXPECT_TRUE(Observe() == before) << "a failed write changed the storage";
      }
      break;
    }
  }
}

std::string MatrixCaseName(const ::testing::TestParamInfo<DispatchMatrixTest::ParamType>& info) {
  const int64_t id = std::get<0>(info.param).id;
  return (id < 0 ? "IdMinus" + std::to_string(-id) : "Id" + std::to_string(id)) + "_" +
         std::get<1>(info.param) + "Active_" + kOpNames[static_cast<int>(std::get<2>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(AllIds, DispatchMatrixTest,
                         ::testing::Combine(::testing::ValuesIn(kRows), ::testing::Values('N', 'S'),
                                            ::testing::Values(Op::kReadNumber, Op::kReadText,
                                                              Op::kWriteNumber, Op::kWriteText)),
                         MatrixCaseName);

TEST_F(DispatchTest, CursorReadsBeforeAnyArray) {
  EXPECT_EQ(Number("GetArrayToken"), 0.0);
  EXPECT_EQ(Number("GetReadIndex"), 0.0);
  EXPECT_EQ(Number("GetWriteIndex"), 0.0);
  for (const char* keyword : {"GetStringValue", "GetArrayName"}) {
    const char* value = nullptr;
    EXPECT_FALSE(gauge_.GetText(Id(keyword), &value)) << keyword;
    EXPECT_STREQ(value, "null");
  }
  double value = 0;
  EXPECT_FALSE(gauge_.GetNumber(Id("GetArraySize"), &value));
  EXPECT_EQ(value, 1.0);
}

TEST_F(DispatchTest, NumberWritesConvertAsDocumented) {
  const struct {
    const char* set;
    const char* get;
    double written;
    double read;
  } cases[] = {
      {"SetReadIndex", "GetReadIndex", 3.7, 3.0},
      {"SetReadIndex", "GetReadIndex", -0.5, 0.0},
      {"SetWriteIndex", "GetWriteIndex", -2.9, -2.0},
      {"SetWriteIndex", "GetWriteIndex", 1e12, 2147483647.0},
      {"SetWriteIndex", "GetWriteIndex", -1e12, -2147483648.0},
      {"SetReadIndex", "GetReadIndex", std::numeric_limits<double>::quiet_NaN(), 0.0},
      {"SetActiveArray", "GetArrayToken", 4294967295.0, 4294967295.0},
      {"SetActiveArray", "GetArrayToken", -1.0, 4294967295.0},
      {"SetActiveArray", "GetArrayToken", 4294967296.0 + 7.0, 7.0},
      {"SetActiveArray", "GetArrayToken", std::numeric_limits<double>::infinity(), 0.0},
      {"SetActiveArray", "GetArrayToken", 9.3e18, 0.0},
  };
  for (const auto& c : cases) {
    SetNumber(c.set, c.written);
    EXPECT_EQ(Number(c.get), c.read) << c.set << " := " << c.written;
  }
}

TEST_F(DispatchTest, RoundTripThroughANumberArray) {
  SetNumber("SetArraySize", 3);
  ASSERT_TRUE(gauge_.SetText(Id("CreateNumberArray"), "N"));
  SetNumber("SetWriteIndex", 2);
  SetNumber("SetNumberValue", 1.5);
  SetNumber("SetReadIndex", 2);
  EXPECT_EQ(Number("GetNumberValue"), 1.5);
  EXPECT_EQ(Number("GetArraySize"), 3.0);

  // Values are stored unchanged, -0.0 and NaN included.
  for (double stored : {-0.0, std::numeric_limits<double>::quiet_NaN(), 1e308, -4.25}) {
    SetNumber("SetNumberValue", stored);
    const double read = Number("GetNumberValue");
    EXPECT_EQ(std::memcmp(&read, &stored, sizeof(read)), 0) << stored;
  }

  SetNumber("SetReadIndex", 3);
  double value = 0;
  EXPECT_FALSE(gauge_.GetNumber(Id("GetNumberValue"), &value));
  EXPECT_EQ(value, 1.0);
}

TEST_F(DispatchTest, TheRequestOfAGaugeScriptEndToEnd) {
  SetNumber("SetArraySize", 10);
  const char* name = "Names";
  ASSERT_TRUE(gauge_.SetText(Id("CreateStringArray"), name));
  SetNumber("SetWriteIndex", 3);
  ASSERT_TRUE(gauge_.SetText(Id("SetStringValue"), "abc"));
  SetNumber("SetReadIndex", 3);
  const char* value = nullptr;
  ASSERT_TRUE(gauge_.GetText(Id("GetStringValue"), &value));
  EXPECT_STREQ(value, "abc");
  const double token = Number("GetArrayToken");
  EXPECT_NE(token, 0.0);

  const char* got_name = nullptr;
  ASSERT_TRUE(gauge_.GetText(Id("GetArrayName"), &got_name));
  EXPECT_EQ(got_name, name) << "the name is the host's own text";

  // Another array becomes active; writing the token back selects 'Names'.
  ASSERT_TRUE(gauge_.SetText(Id("CreateNumberArray"), "Other"));
  EXPECT_NE(Number("GetArrayToken"), token);
  SetNumber("SetActiveArray", token);
  EXPECT_EQ(Number("GetArraySize"), 10.0);

  // The reference handed out shows later writes to its slot.
  ASSERT_TRUE(gauge_.SetText(Id("SetStringValue"), "xyz"));
  EXPECT_STREQ(value, "xyz");
}

TEST_F(DispatchTest, IndexOutsideTheArrayFailsOnlyWhenAnElementIsTouched) {
  SetNumber("SetArraySize", 2);
  ASSERT_TRUE(gauge_.SetText(Id("CreateStringArray"), "S"));
  SetNumber("SetWriteIndex", -1);  // accepted: nothing checks it yet
  EXPECT_FALSE(gauge_.SetText(Id("SetStringValue"), "x"));
  SetNumber("SetWriteIndex", 2);
  EXPECT_FALSE(gauge_.SetText(Id("SetStringValue"), "x"));
  SetNumber("SetActiveArray", 123456);  // no array has it
  for (const char* keyword : {"GetArraySize", "GetNumberValue"}) {
    double value = 0;
    EXPECT_FALSE(gauge_.GetNumber(Id(keyword), &value)) << keyword;
  }
  EXPECT_EQ(Number("GetArrayToken"), 123456.0);
}

TEST_F(DispatchTest, TextWritesThatFailChangeNothing) {
  SetNumber("SetArraySize", 2);
  ASSERT_TRUE(gauge_.SetText(Id("CreateStringArray"), "S"));
  const double token = Number("GetArrayToken");
  EXPECT_FALSE(gauge_.SetText(Id("SetActiveArray"), "1"));
  EXPECT_EQ(Number("GetArrayToken"), token);

  const int32_t fuel = Id("Fuel");
  ASSERT_TRUE(gauge_.SetText(fuel, "kept"));
  EXPECT_FALSE(gauge_.SetText(fuel, nullptr));
  EXPECT_FALSE(gauge_.SetText(fuel, std::string(260, 'x').c_str()));
  EXPECT_FALSE(gauge_.SetText(Id("SetStringValue"), nullptr));
  const char* value = nullptr;
  ASSERT_TRUE(gauge_.GetText(fuel, &value));
  EXPECT_STREQ(value, "kept");
  EXPECT_EQ(Number("GetArrayToken"), token);
  ASSERT_TRUE(gauge_.SetText(fuel, std::string(259, 'x').c_str()));

  // A creation without a name fails and clears the active token.
  EXPECT_FALSE(gauge_.SetText(Id("CreateNumberArray"), nullptr));
  EXPECT_EQ(Number("GetArrayToken"), 0.0);
}

TEST_F(DispatchTest, NumberArraysCarryTheHostsUnitsCode) {
  host_.SetUnitsCode("number", 4242);
  SetNumber("SetArraySize", 1);
  ASSERT_TRUE(gauge_.SetText(Id("CreateNumberArray"), "N"));
  ASSERT_TRUE(gauge_.SetText(Id("CreateStringArray"), "S"));
  const auto* first = static_cast<const ArrayRecord*>(exports().get_first_array());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->units_code, 4242);
  ASSERT_NE(first->next, nullptr);
  EXPECT_EQ(first->next->units_code, -2);
}

// A host may pass a text the module handed out straight back, into the very
// slot it refers to: the copy must cope with source and target being one.
TEST_F(DispatchTest, TextsTheModuleHandedOutCanBeWrittenBack) {
  const int32_t fuel = Id("Fuel");
  ASSERT_TRUE(gauge_.SetText(fuel, "full"));
  const char* value = nullptr;
  ASSERT_TRUE(gauge_.GetText(fuel, &value));
  EXPECT_TRUE(gauge_.SetText(fuel, value));
  EXPECT_STREQ(value, "full");

  SetNumber("SetArraySize", 2);
  ASSERT_TRUE(gauge_.SetText(Id("CreateStringArray"), "S"));
  ASSERT_TRUE(gauge_.SetText(Id("SetStringValue"), "element"));
  const char* element = nullptr;
  ASSERT_TRUE(gauge_.GetText(Id("GetStringValue"), &element));
  EXPECT_TRUE(gauge_.SetText(Id("SetStringValue"), element));
  EXPECT_STREQ(element, "element");
}

}  // namespace
}  // namespace vellomar::testing
