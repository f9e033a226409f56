// Start, stop and the records the host reads, through the exports only.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "tests/module/module_fixture.h"
#include "vellomar.h"

namespace vellomar::testing {
namespace {

using hostsim::ServiceEntry;

class LifecycleTest : public LoadedModuleTest {
 protected:
  // Creates one array of 2 elements per name through `gauge`.
  static void CreateArrays(hostsim::PanelObject panel, hostsim::GaugeObject gauge,
                           const char* creation_keyword, std::initializer_list<const char*> names) {
    int32_t size = 0, create = 0;
    ASSERT_TRUE(panel.ConvertStringToProperty("SetArraySize", &size));
    ASSERT_TRUE(panel.ConvertStringToProperty(creation_keyword, &create));
    ASSERT_TRUE(gauge.SetNumber(size, 2));
    for (const char* name : names) ASSERT_TRUE(gauge.SetText(create, name)) << name;
  }

  hostsim::ImportTableRecord& import_table() const { return *exports().import_table; }
  ServiceEntry*& panels() const { return *exports().panels; }
};

TEST_F(LifecycleTest, RecordsAtLoad) {
  EXPECT_EQ(panels(), nullptr);
  EXPECT_EQ(import_table().panels.id, 0x0000000Fu);
  EXPECT_EQ(import_table().panels.table, nullptr);
  EXPECT_EQ(import_table().end.id, 0u);
  EXPECT_EQ(import_table().end.table, nullptr);

  const hostsim::LinkageRecord& linkage = *exports().linkage;
  EXPECT_EQ(linkage.module_id, 0x00000013u);
  EXPECT_EQ(linkage.start, exports().dll_start);
  EXPECT_EQ(linkage.stop, exports().dll_stop);
  EXPECT_EQ(linkage.word1, 0u);
  EXPECT_EQ(linkage.word2, 0u);
  EXPECT_EQ(linkage.version, 0x00000900u);
  EXPECT_EQ(linkage.gauges[0], nullptr);
}

TEST_F(LifecycleTest, StartWithoutPanelsDoesNothing) {
  ServiceEntry other[1] = {};
  import_table().panels.table = other;
  host_.Start();
  EXPECT_TRUE(host_.registration_calls().empty());
  EXPECT_EQ(import_table().panels.table, other);
  import_table().panels.table = nullptr;
}

TEST_F(LifecycleTest, StartRegistersOneCallbackHeldOnlyByTheHost) {
  ServiceEntry other[1] = {};
  import_table().panels.table = other;
  host_.FillPanels();
  host_.Start();
  EXPECT_EQ(import_table().panels.table, host_.service_table()) << "Panels copied over";
  ASSERT_EQ(host_.registration_calls().size(), 1u);
  EXPECT_EQ(host_.registration_calls()[0].name, "VELLOMAR");
  hostsim::PanelObject panel = host_.Registered(kCallbackName);
  ASSERT_TRUE(panel);
  // The host's reference is the only one: one more makes 2, dropping it 1.
  EXPECT_EQ(panel.AddRef(), 2u);
  EXPECT_EQ(panel.Release(), 1u);

  host_.Stop();
  ASSERT_EQ(host_.registration_calls().size(), 2u);
  EXPECT_EQ(host_.registration_calls()[1].name, "VELLOMAR");
  EXPECT_EQ(host_.registration_calls()[1].callback, nullptr);
  EXPECT_EQ(host_.registration_count(), 0u) << "the host dropped its reference";
  EXPECT_EQ(exports().get_first_array(), nullptr);
}

TEST_F(LifecycleTest, StopWithoutTableCallsNothingButFreesStorage) {
  host_.FillPanels();
  host_.Start();
  hostsim::PanelObject panel = host_.Registered(kCallbackName);
  hostsim::GaugeObject gauge = NewGauge(panel);
  CreateArrays(panel, gauge, "CreateStringArray", {"A"});
  ASSERT_NE(exports().get_first_array(), nullptr);

  import_table().panels.table = nullptr;
  host_.Stop();
  EXPECT_EQ(host_.registration_calls().size(), 1u) << "stop called the host";
  EXPECT_EQ(exports().get_first_array(), nullptr);
  gauge.Release();
}

TEST_F(LifecycleTest, GaugeModuleLoadingStopsWithoutHavingRegistered) {
  // A host that loads the module as a gauge module fills only ImportTable.
  import_table().panels.table = host_.service_table();
  exports().linkage->start();
  EXPECT_TRUE(host_.registration_calls().empty());
  exports().linkage->stop();
  ASSERT_EQ(host_.registration_calls().size(), 1u);
  EXPECT_EQ(host_.registration_calls()[0].callback, nullptr);
}

TEST_F(LifecycleTest, RestartBeginsWithEmptyStorageAndTheOldCursors) {
  host_.FillPanels();
  for (int run = 0; run < 2; ++run) {
    host_.Start();
    hostsim::PanelObject panel = host_.Registered(kCallbackName);
    ASSERT_TRUE(panel);
    hostsim::GaugeObject gauge = NewGauge(panel);
    int32_t id = 0;
    ASSERT_TRUE(panel.ConvertStringToProperty(run == 0 ? "First" : "Second", &id));
    EXPECT_EQ(id, 15) << "run " << run;
    EXPECT_EQ(exports().get_max_vars(), 16) << "run " << run;

    double read_index = 0;
    ASSERT_TRUE(gauge.GetNumber(2, &read_index));
    EXPECT_EQ(read_index, run == 0 ? 0.0 : 6.0) << "cursors survive stop";
    ASSERT_TRUE(gauge.SetNumber(1, 6.0));
    gauge.Release();
    host_.Stop();
    EXPECT_EQ(exports().get_max_vars(), 16) << "max-vars survives stop";
  }
}

TEST_F(LifecycleTest, TokensFollowTheLinkRuleAndSurviveRestarts) {
  host_.FillPanels();
  uint32_t first_token = 0;
  for (int run = 0; run < 3; ++run) {
    host_.Start();
    hostsim::PanelObject panel = host_.Registered(kCallbackName);
    hostsim::GaugeObject gauge = NewGauge(panel);
    CreateArrays(panel, gauge, "CreateNumberArray", {"A", "B", "C"});

    const auto* first = static_cast<const ArrayRecord*>(exports().get_first_array());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->next, nullptr);
    ASSERT_NE(first->next->next, nullptr);
    const ArrayRecord* records[] = {first, first->next, first->next->next};
    for (int i = 1; i < 3; ++i) {
      if (sizeof(void*) == 4) {
        // The address of the link that refers to the record: the previous
        // record, whose next field comes first.
        EXPECT_EQ(records[i]->token,
                  static_cast<uint32_t>(reinterpret_cast<uintptr_t>(records[i - 1])));
      } else {
        EXPECT_EQ(records[i]->token, static_cast<uint32_t>(i + 1)) << "position from 1";
      }
    }
    EXPECT_NE(first->token, 0u);
    if (run == 0) first_token = first->token;
    EXPECT_EQ(first->token, first_token) << "run " << run;
    gauge.Release();
    host_.Stop();
  }
}

TEST_F(LifecycleTest, SecondStartRegistersASecondCallback) {
  host_.FillPanels();
  host_.Start();
  host_.Start();
  EXPECT_EQ(host_.registration_count(), 2u);
  EXPECT_NE(host_.Registered("vellomar").get(), nullptr);
  host_.Stop();
  EXPECT_EQ(host_.registration_count(), 0u);
}

}  // namespace
}  // namespace vellomar::testing
