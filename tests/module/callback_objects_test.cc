// The three callback objects through their raw slots, as the host calls them.
#include <gtest/gtest.h>

#include <string>

#include "tests/module/module_fixture.h"

namespace vellomar::testing {
namespace {

using CallbackObjectsTest = StartedModuleTest;

TEST_F(CallbackObjectsTest, EveryObjectCountsReferencesFromOne) {
  hostsim::AircraftObject aircraft(panel_.CreateAircraftCCallback(3));
  hostsim::GaugeObject gauge(aircraft.CreateGaugeCCallback());
  const hostsim::CallbackObject objects[] = {aircraft, gauge};
  for (const hostsim::CallbackObject& object : objects) {
    EXPECT_EQ(object.AddRef(), 2u);
    EXPECT_EQ(object.AddRef(), 3u);
    EXPECT_EQ(object.Release(), 2u);
    EXPECT_EQ(object.Release(), 1u);
    EXPECT_EQ(object.Release(), 0u) << "destroyed here; the sanitizers see any later use";
  }
}

TEST_F(CallbackObjectsTest, QueryInterfaceIsAlwaysNull) {
  const hostsim::CallbackObject objects[] = {panel_, aircraft_, gauge_};
  for (const hostsim::CallbackObject& object : objects) {
    for (const char* name : {"IPanelCCallback", "IGaugeCCallback", "", "anything"}) {
      EXPECT_EQ(object.QueryInterface(name), nullptr) << name;
    }
    EXPECT_EQ(object.QueryInterface(nullptr), nullptr);
  }
}

TEST_F(CallbackObjectsTest, PanelCallbackVersionIsOne) { EXPECT_EQ(panel_.GetVersion(), 1u); }

TEST_F(CallbackObjectsTest, PropertyTableListsTheFifteenKeywords) {
  // The entries as the 32-bit host lays them out, with natural alignment
  // where addresses are wider.
  struct Entry {
    const char* keyword;
    const char* units_name;
    int32_t units_code;
  };
  const struct {
    const char* keyword;
    const char* units_name;
    int32_t units_code;
  } expected[] = {
      {"SetActiveArray", "Number", 50},    {"SetReadIndex", "Number", 50},
      {"GetReadIndex", "Number", 50},      {"SetWriteIndex", "Number", 50},
      {"GetWriteIndex", "Number", 50},     {"GetArrayToken", "Number", 50},
      {"CreateNumberArray", "String", -2}, {"CreateStringArray", "String", -2},
      {"GetNumberValue", "Number", 50},    {"SetNumberValue", "Number", 50},
      {"SetArraySize", "Number", 50},      {"GetArraySize", "Number", 50},
      {"GetArrayName", "String", -2},      {"GetStringValue", "String", -2},
      {"SetStringValue", "String", -2},
  };
  uint32_t length = 0;
  const auto* table = static_cast<const Entry*>(panel_.GetPropertyTable(&length));
  ASSERT_EQ(length, 15u);
  for (uint32_t i = 0; i < length; ++i) {
    EXPECT_STREQ(table[i].keyword, expected[i].keyword) << i;
    EXPECT_STREQ(table[i].units_name, expected[i].units_name) << i;
    EXPECT_EQ(table[i].units_code, expected[i].units_code) << i;

    // The conversions answer from the same table.
    int32_t id = -1;
    const char* keyword = nullptr;
    int32_t units = 0;
    EXPECT_TRUE(panel_.ConvertStringToProperty(expected[i].keyword, &id));
    EXPECT_EQ(id, static_cast<int32_t>(i));
    EXPECT_TRUE(panel_.ConvertPropertyToString(id, &keyword));
    EXPECT_EQ(keyword, table[i].keyword);
    EXPECT_TRUE(panel_.GetPropertyUnits(id, &units));
    EXPECT_EQ(units, expected[i].units_code);
  }
}

TEST_F(CallbackObjectsTest, ConversionsCreateAndFindUserVariables) {
  EXPECT_EQ(Id("GETSTRINGVALUE"), 13);
  EXPECT_EQ(Id("Fuel"), 15);
  EXPECT_EQ(Id("FUEL"), 15);
  EXPECT_EQ(Id("Oil"), 16);
  const char* keyword = nullptr;
  ASSERT_TRUE(panel_.ConvertPropertyToString(15, &keyword));
  EXPECT_STREQ(keyword, "Fuel");
  int32_t units = 0;
  ASSERT_TRUE(panel_.GetPropertyUnits(16, &units));
  EXPECT_EQ(units, -2);

  keyword = "unchanged";
  units = 99;
  for (int32_t id : {17, -1, INT32_MIN, INT32_MAX}) {
    EXPECT_FALSE(panel_.ConvertPropertyToString(id, &keyword)) << id;
    EXPECT_FALSE(panel_.GetPropertyUnits(id, &units)) << id;
  }
  EXPECT_STREQ(keyword, "unchanged");
  EXPECT_EQ(units, 99);

  int32_t id = -1;
  EXPECT_FALSE(panel_.ConvertStringToProperty(nullptr, &id));
  EXPECT_FALSE(panel_.ConvertStringToProperty("New", nullptr));
  EXPECT_FALSE(panel_.ConvertStringToProperty(std::string(260, 'k').c_str(), &id));
  EXPECT_FALSE(panel_.ConvertPropertyToString(0, nullptr));
  EXPECT_FALSE(panel_.GetPropertyUnits(0, nullptr));
  EXPECT_EQ(id, -1);
  EXPECT_EQ(exports().get_max_vars(), 17) << "no variable created by the failures";
}

TEST_F(CallbackObjectsTest, UpdatesDoNothingAndNoDrawablesAreOffered) {
  aircraft_.Update();
  gauge_.Update();
  for (int32_t id : {0, 13, 15, -1, INT32_MAX}) {
    EXPECT_EQ(gauge_.CreateGaugeCDrawable(id, nullptr), nullptr) << id;
    EXPECT_EQ(gauge_.CreateGaugeCDrawable(id, this), nullptr) << id;
  }
}

TEST_F(CallbackObjectsTest, GaugesOfDifferentAircraftShareTheStorage) {
  hostsim::GaugeObject other = NewGauge(panel_, 7);
  ASSERT_TRUE(other);
  const int32_t fuel = Id("Fuel");
  ASSERT_TRUE(gauge_.SetText(fuel, "half"));
  const char* value = nullptr;
  ASSERT_TRUE(other.GetText(fuel, &value));
  EXPECT_STREQ(value, "half");

  ASSERT_TRUE(other.SetNumber(Id("SetReadIndex"), 5));
  EXPECT_EQ(Number("GetReadIndex"), 5.0);
  other.Release();
}

}  // namespace
}  // namespace vellomar::testing
