// Gives each storage test the state of a freshly loaded module.
#ifndef VELLOMAR_TESTS_STORAGE_FIXTURE_H_
#define VELLOMAR_TESTS_STORAGE_FIXTURE_H_

#include <gtest/gtest.h>

#include "host/panel_services.h"
#include "storage/array_store.h"
#include "storage/storage_state.h"
#include "storage/user_variables.h"
#include "tests/module/test_allocation.h"

namespace vellomar::testing {

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    Reset();
    EXPECT_EQ(LiveAllocations(), 0u) << "storage leaked after release";
  }

  static void Reset() {
    FailAllocationsAfter(-1);
    ReleaseUserVariables();
    ReleaseArrays();
    g_storage = StorageState{};
    Panels = nullptr;
    ImportTable.panels.pointer = nullptr;
  }

  static bool Resolve(const char* keyword, int32_t* id) {
    return ResolveKeyword(kPropertyTable, kPropertyCount, keyword, id);
  }
};

}  // namespace vellomar::testing

#endif  // VELLOMAR_TESTS_STORAGE_FIXTURE_H_
