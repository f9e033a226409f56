// Callback objects as the module builds them: container ids and running out
// of memory, which a host cannot arrange from outside.
#include <gtest/gtest.h>

#include "callbacks/aircraft_callback.h"
#include "callbacks/gauge_callback.h"
#include "callbacks/panel_callback.h"
#include "tests/module/storage_fixture.h"

namespace vellomar::testing {
namespace {

using CallbacksTest = StorageTest;

TEST_F(CallbacksTest, GaugeCallbacksCopyTheirAircraftsContainerId) {
  CABINPanelCallback* panel = CABINPanelCallback::Create();
  ASSERT_NE(panel, nullptr);
  IAircraftCCallback* aircraft = panel->CreateAircraftCCallback(7);
  ASSERT_NE(aircraft, nullptr);
  EXPECT_EQ(static_cast<CABINAircraftCallback*>(aircraft)->container_id(), 7u);
  IGaugeCCallback* gauge = aircraft->CreateGaugeCCallback();
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(static_cast<CABINGaugeCallback*>(gauge)->container_id(), 7u);
  EXPECT_EQ(gauge->Release(), 0u);
  EXPECT_EQ(aircraft->Release(), 0u);
  EXPECT_EQ(panel->Release(), 0u);
}

TEST_F(CallbacksTest, OutOfMemoryGivesNullObjects) {
  CABINPanelCallback* panel = CABINPanelCallback::Create();
  IAircraftCCallback* aircraft = panel->CreateAircraftCCallback(1);
  FailAllocationsAfter(0);
  EXPECT_EQ(CABINPanelCallback::Create(), nullptr);
  EXPECT_EQ(panel->CreateAircraftCCallback(2), nullptr);
  EXPECT_EQ(aircraft->CreateGaugeCCallback(), nullptr);
  FailAllocationsAfter(-1);
  aircraft->Release();
  panel->Release();
}

}  // namespace
}  // namespace vellomar::testing
