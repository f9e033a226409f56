// Loads a fresh copy of the built module for each test and starts it the way
// the simulator does: Panels filled, DLLStart, the VELLOMAR registration taken
// from the host's registry, one aircraft and one gauge callback asked for.
// Every call into the module goes through its exports or raw slots.
#ifndef VELLOMAR_TESTS_MODULE_FIXTURE_H_
#define VELLOMAR_TESTS_MODULE_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "hostsim/host.h"
#include "hostsim/slots.h"

namespace vellomar::testing {

inline std::string ModulePath() {
  const char* path = std::getenv("VELLOMAR_MODULE");
  return path != nullptr ? path : VELLOMAR_MODULE_PATH;
}

// A gauge callback for `container_id`, through a short-lived aircraft
// callback. The caller owns the one reference.
inline hostsim::GaugeObject NewGauge(hostsim::PanelObject panel, uint32_t container_id = 0) {
  hostsim::AircraftObject aircraft(panel.CreateAircraftCCallback(container_id));
  if (!aircraft) return hostsim::GaugeObject();
  hostsim::GaugeObject gauge(aircraft.CreateGaugeCCallback());
  aircraft.Release();
  return gauge;
}

// The module loaded, not started.
class LoadedModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(host_.Load(ModulePath(), &error)) << error;
    ASSERT_EQ(exports().get_max_vars(), 0) << "the module was not loaded afresh";
  }
  void TearDown() override { host_.Unload(); }

  const hostsim::ModuleExports& exports() const { return host_.exports(); }

  hostsim::Host host_;
};

// The module started, with an aircraft and a gauge callback held.
class StartedModuleTest : public LoadedModuleTest {
 protected:
  void SetUp() override {
    LoadedModuleTest::SetUp();
    if (HasFatalFailure()) return;
    host_.FillPanels();
    host_.Start();
    panel_ = host_.Registered("VELLOMAR");
    ASSERT_TRUE(panel_) << "nothing registered under VELLOMAR";
    aircraft_ = hostsim::AircraftObject(panel_.CreateAircraftCCallback(1));
    ASSERT_TRUE(aircraft_);
    gauge_ = hostsim::GaugeObject(aircraft_.CreateGaugeCCallback());
    ASSERT_TRUE(gauge_);
  }
  void TearDown() override {
    if (gauge_) gauge_.Release();
    if (aircraft_) aircraft_.Release();
    if (panel_) host_.Stop();
    LoadedModuleTest::TearDown();
  }

  int32_t Id(const char* keyword) const {
    int32_t id = -1;
    EXPECT_TRUE(panel_.ConvertStringToProperty(keyword, &id)) << keyword;
    return id;
  }
  double Number(const char* keyword) const {
    double value = -12345.0;
    EXPECT_TRUE(gauge_.GetNumber(Id(keyword), &value)) << keyword;
    return value;
  }
  void SetNumber(const char* keyword, double value) const {
    EXPECT_TRUE(gauge_.SetNumber(Id(keyword), value)) << keyword << " := " << value;
  }

  hostsim::PanelObject panel_;
  hostsim::AircraftObject aircraft_;
  hostsim::GaugeObject gauge_;
};

}  // namespace vellomar::testing

#endif  // VELLOMAR_TESTS_MODULE_FIXTURE_H_
