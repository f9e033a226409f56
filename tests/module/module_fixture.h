// Loads a fresh copy of the built module for each test and starts it the way
// the simulator does, through a substitute-host session: Panels filled,
// DLLStart, the VELLOMAR registration taken from the host's registry, one
// aircraft and one gauge callback asked for. Every call into the module goes
// through its exports or raw slots.
#ifndef VELLOMAR_TESTS_MODULE_FIXTURE_H_
#define VELLOMAR_TESTS_MODULE_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "hostsim/host.h"
#include "hostsim/session.h"
#include "hostsim/slots.h"

namespace vellomar::testing {

using hostsim::kCallbackName;
using hostsim::NewGauge;

inline std::string ModulePath() {
  const char* path = std::getenv("VELLOMAR_MODULE");
  return path != nullptr ? path : VELLOMAR_MODULE_PATH;
}

// The module loaded, not started.
class LoadedModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(session_.Load(ModulePath(), &error)) << error;
    ASSERT_EQ(exports().get_max_vars(), 0) << "the module was not loaded afresh";
  }
  void TearDown() override { session_.Unload(); }

  const hostsim::ModuleExports& exports() const { return session_.exports(); }

  hostsim::Session session_;
  hostsim::Host& host_ = session_.host();
};

// The module started, with an aircraft and a gauge callback held by the
// session; panel_, aircraft_ and gauge_ are its handles.
class StartedModuleTest : public LoadedModuleTest {
 protected:
  void SetUp() override {
    LoadedModuleTest::SetUp();
    if (HasFatalFailure()) return;
    std::string error;
    ASSERT_TRUE(session_.Start(1, &error)) << error;
    panel_ = session_.panel();
    aircraft_ = session_.aircraft();
    gauge_ = session_.gauge();
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
