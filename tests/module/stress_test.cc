// Stress and leak runs: storage at its documented limits, a million checked
// operations, and thousands of start/stop cycles, each required to give back
// every byte it took.
//
// Memory is counted as the bytes the process has in use on the heap, taken
// from the AddressSanitizer allocator: the build links its runtime (not its
// instrumentation) into this test, which also brings LeakSanitizer. (The
// stand-alone LeakSanitizer runtime keeps no byte count.) The library is
// pinned in memory for the whole run, so loading it for a host allocates
// nothing, and the count is taken with no host or harness alive: the only
// bytes that can differ are the module's.
#include <gtest/gtest.h>
#include <sanitizer/lsan_interface.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "hostsim/module_library.h"
#include "hostsim/session.h"
#include "tests/module/model/checked_module.h"
#include "tests/module/module_fixture.h"

// From the sanitizer allocator's interface (not among gcc's installed headers).
extern "C" size_t __sanitizer_get_current_allocated_bytes();

namespace vellomar::testing {
namespace {

size_t HeapInUse() { return __sanitizer_get_current_allocated_bytes(); }

// True when LeakSanitizer finds memory nothing refers to any more.
bool LeakReported() { return __lsan_do_recoverable_leak_check() != 0; }

constexpr int kArrays = 1000;
constexpr int kElements = 1000;
constexpr int kVariables = 10000;
constexpr int kOperations = 1000000;
constexpr int kCycles = 10000;

class StressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(pinned_.Open(ModulePath(), &error)) << error;
  }

  hostsim::ModuleLibrary pinned_;
};

// The workload of a busy panel: storage at its limits, then a million reads
// and writes of elements, cursors and variables, every one checked against the
// model, and the whole state compared every 100,000 operations.
TEST_F(StressTest, FullStorageUnderAMillionCheckedOperations) {
  // Texts the module keeps or copies; alive until the module has stopped.
  std::vector<std::string> names;
  std::vector<std::string> keywords;
  std::vector<std::string> values;
  for (int i = 0; i < kArrays; ++i) names.push_back("Array" + std::to_string(i));
  for (int i = 0; i < kVariables; ++i) keywords.push_back("Variable" + std::to_string(i));
  for (int i = 0; i < 64; ++i) values.push_back(std::string(static_cast<size_t>(i * 4), 'v'));
  values.push_back(std::string(259, 'w'));
  values.push_back(std::string(260, 'x'));
  const size_t baseline = HeapInUse();
  {
    hostsim::Session session;
    std::string error;
    ASSERT_TRUE(session.Load(ModulePath(), &error)) << error;
    model::CheckedModule module(&session);
    ASSERT_TRUE(module.Begin()) << module.failure();
    ASSERT_TRUE(module.SetNumber(0, 10, kElements));
    for (int i = 0; i < kArrays; ++i) {
      ASSERT_TRUE(module.SetText(0, i % 2 == 0 ? 6 : 7, names[static_cast<size_t>(i)].c_str()))
          << module.failure();
    }
    for (const std::string& keyword : keywords) {
      ASSERT_TRUE(module.Resolve(0, keyword.c_str(), false)) << module.failure();
    }
    ASSERT_TRUE(module.CheckState()) << module.failure();

    std::mt19937_64 random(2024);
    const auto below = [&random](uint64_t count) {
      return static_cast<uint32_t>(random() % count);
    };
    const auto& arrays = module.model().arrays();
    for (int operation = 0; operation < kOperations; ++operation) {
      const auto user_id = static_cast<int32_t>(15 + below(kVariables + 1));
      const char* value = values[below(values.size())].c_str();
      bool agreed = true;
      switch (below(10)) {
        case 0:
          agreed = module.SetNumber(0, 0, arrays[below(arrays.size())].token);
          break;
        case 1:
          agreed = module.SetNumber(0, below(2) == 0 ? 1 : 3,
                                    static_cast<double>(below(kElements + 2)) - 1.0);
          break;
        case 2:
          agreed = module.SetNumber(0, 9, static_cast<double>(random()) / 7.0);
          break;
        case 3:
          agreed = module.GetNumber(0, 8, false);
          break;
        case 4:
          agreed = module.SetText(0, 14, value);
          break;
        case 5:
          agreed = module.GetText(0, 13, false);
          break;
        case 6:
          agreed = module.SetText(0, user_id, value);
          break;
        case 7:
          agreed = module.GetText(0, user_id, false);
          break;
        case 8:
          agreed = module.GetNumber(0, static_cast<int32_t>(below(15)), false);
          break;
        default:
          agreed = module.Resolve(0, keywords[below(keywords.size())].c_str(), false);
          break;
      }
      ASSERT_TRUE(agreed) << "operation " << operation << ": " << module.failure();
      if (operation % 100000 == 99999) {
        ASSERT_TRUE(module.CheckState()) << "operation " << operation << ": " << module.failure();
      }
    }
    ASSERT_TRUE(module.Finish()) << module.failure();
    EXPECT_FALSE(LeakReported());
  }
  EXPECT_EQ(HeapInUse(), baseline) << "bytes still in use after stop";
}

// Each cycle starts the module with a host of its own, fills every kind of
// storage, drops every callback object and stops: the heap must be back where
// it was after every single cycle.
TEST_F(StressTest, StartStopCyclesGiveBackEveryByte) {
  static const char kNumbers[] = "Numbers";
  static const char kTexts[] = "Texts";
  const size_t baseline = HeapInUse();
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    {
      hostsim::Session session;
      std::string error;
      ASSERT_TRUE(session.Load(ModulePath(), &error)) << error;
      ASSERT_TRUE(session.Start(static_cast<uint32_t>(cycle), &error)) << error;
      const hostsim::PanelObject& panel = session.panel();
      const hostsim::GaugeObject& gauge = session.gauge();
      int32_t fuel = -1;
      int32_t wind = -1;
      ASSERT_TRUE(panel.ConvertStringToProperty("Fuel", &fuel));
      ASSERT_TRUE(panel.ConvertStringToProperty("Wind", &wind));
      ASSERT_TRUE(gauge.SetText(fuel, "full"));
      ASSERT_TRUE(gauge.SetNumber(10, 1 + cycle % 1000));
      ASSERT_TRUE(gauge.SetText(6, kNumbers));
      ASSERT_TRUE(gauge.SetNumber(9, 2.5));
      ASSERT_TRUE(gauge.SetText(7, kTexts));
      ASSERT_TRUE(gauge.SetText(14, "element"));
      session.Stop();
      ASSERT_EQ(session.host().registration_count(), 0u);
    }
    ASSERT_EQ(HeapInUse(), baseline) << "after cycle " << cycle;
  }
  EXPECT_FALSE(LeakReported());
}

}  // namespace
}  // namespace vellomar::testing
