// The substitute host's own behaviour: its units table, and gauges that
// resolve keywords through the registry and hold their callbacks.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "hostsim/gauge.h"
#include "tests/module/module_fixture.h"
#include "vellomar.h"

namespace vellomar::testing {
namespace {

using GetUnitsEnum = int32_t(HOSTSIM_STDCALL*)(const char*);

class HostsimTest : public LoadedModuleTest {
 protected:
  void StartModule() {
    host_.FillPanels();
    host_.Start();
    ASSERT_TRUE(host_.Registered(kCallbackName));
  }
  void TearDown() override {
    if (host_.Registered(kCallbackName)) host_.Stop();
    LoadedModuleTest::TearDown();
  }
};

TEST_F(HostsimTest, UnitsEnumAnswersFromTheTableInAnyCase) {
  auto get_units_enum =
      reinterpret_cast<GetUnitsEnum>(host_.service_table()[hostsim::kGetUnitsEnumEntry]);
  const struct {
    const char* name;
    int32_t code;
  } cases[] = {{"number", 50},
               {"NUMBERS", 50},
               {"Enum", 51},
               {"string", 52},
               {"feet", hostsim::kUnknownUnitsCode},
               {"", hostsim::kUnknownUnitsCode}};
  for (const auto& c : cases) EXPECT_EQ(get_units_enum(c.name), c.code) << c.name;
  EXPECT_EQ(get_units_enum(nullptr), hostsim::kUnknownUnitsCode);
}

// The session holds one reference on its aircraft and gauge callbacks, none
// on the host's registration, and gives them all back when it stops.
TEST_F(HostsimTest, SessionHoldsItsCallbacksUntilItStops) {
  std::string error;
  ASSERT_TRUE(session_.Start(3, &error)) << error;
  EXPECT_EQ(session_.panel().get(), host_.Registered(kCallbackName).get());
  EXPECT_EQ(session_.panel().AddRef(), 2u) << "the host's reference alone";
  EXPECT_EQ(session_.panel().Release(), 1u);
  for (const hostsim::CallbackObject& held :
       {hostsim::CallbackObject(session_.aircraft()), hostsim::CallbackObject(session_.gauge())}) {
    ASSERT_TRUE(held);
    EXPECT_EQ(held.AddRef(), 2u) << "the session's reference alone";
    EXPECT_EQ(held.Release(), 1u);
  }
  EXPECT_EQ(session_.Id("GetArrayToken"), 5);
  session_.Stop();
  EXPECT_FALSE(session_.started());
  EXPECT_FALSE(session_.gauge());
  EXPECT_EQ(host_.registration_count(), 0u);
  ASSERT_EQ(host_.registration_calls().size(), 2u) << "registered, then withdrawn";
  session_.Stop();
  EXPECT_EQ(host_.registration_calls().size(), 2u) << "a second stop calls nothing";
}

TEST_F(HostsimTest, NumberArraysCarryTheHostsCodeForNumber) {
  host_.SetUnitsCode("Number", 777);
  StartModule();
  hostsim::Gauge gauge(&host_, 1);
  hostsim::Property size;
  hostsim::Property create;
  ASSERT_EQ(gauge.Resolve(kCallbackName, "SetArraySize", &size), hostsim::Resolution::kResolved);
  ASSERT_EQ(gauge.Resolve(kCallbackName, "CreateNumberArray", &create),
            hostsim::Resolution::kResolved);
  ASSERT_TRUE(size.gauge.SetNumber(size.id, 2));
  ASSERT_TRUE(create.gauge.SetText(create.id, "N"));
  const auto* array = static_cast<const ArrayRecord*>(exports().get_first_array());
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->units_code, 777);
}

TEST_F(HostsimTest, GaugeResolvesThroughTheRegistryInAnyCase) {
  StartModule();
  hostsim::Gauge gauge(&host_, 1);
  const std::string too_long(260, 'k');
  const struct {
    const char* callback;
    const char* keyword;
    hostsim::Resolution resolution;
    int32_t id;
  } cases[] = {
      {kCallbackName, "GetArraySize", hostsim::Resolution::kResolved, 11},
      {"vellomar", "getarraysize", hostsim::Resolution::kResolved, 11},
      {"Vellomar", "Fuel", hostsim::Resolution::kResolved, 15},
      {kCallbackName, "fuel", hostsim::Resolution::kResolved, 15},
      {"NOBODY", "Fuel", hostsim::Resolution::kNoCallback, -7},
      {kCallbackName, too_long.c_str(), hostsim::Resolution::kUnknownKeyword, -7},
  };
  for (const auto& c : cases) {
    hostsim::Property property;
    property.id = -7;
    EXPECT_EQ(gauge.Resolve(c.callback, c.keyword, &property), c.resolution)
        << c.callback << ":" << c.keyword;
    EXPECT_EQ(property.id, c.id) << c.callback << ":" << c.keyword;
  }
}

TEST_F(HostsimTest, GaugeHoldsOneReferenceOnItsCallbacksUntilItGoes) {
  StartModule();
  auto gauge = std::make_unique<hostsim::Gauge>(&host_, 4);
  hostsim::Property first;
  hostsim::Property second;
  ASSERT_EQ(gauge->Resolve(kCallbackName, "GetReadIndex", &first), hostsim::Resolution::kResolved);
  ASSERT_EQ(gauge->Resolve("vellomar", "GetWriteIndex", &second), hostsim::Resolution::kResolved);
  EXPECT_EQ(first.gauge.get(), second.gauge.get()) << "one gauge callback per callback name";
  EXPECT_EQ(first.gauge.AddRef(), 2u) << "the gauge holds the only reference";
  gauge.reset();
  EXPECT_EQ(first.gauge.Release(), 0u) << "the gauge dropped its reference";
}

}  // namespace
}  // namespace vellomar::testing
