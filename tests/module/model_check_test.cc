// Random sequences of host operations, each checked against the reference
// model after every step. A failure names the seed and the step, so the
// sequence can be replayed on its own.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/module/model/checked_module.h"
#include "tests/module/model/operation_generator.h"
#include "tests/module/model/random_choices.h"
#include "tests/module/module_fixture.h"

namespace vellomar::testing {
namespace {

constexpr uint64_t kSequences = 60;
constexpr int kStepsPerSequence = 400;

TEST(ModelCheckTest, RandomSequencesAgreeWithTheModel) {
  hostsim::Session session;
  std::string error;
  ASSERT_TRUE(session.Load(ModulePath(), &error)) << error;
  size_t operations = 0;
  for (uint64_t seed = 1; seed <= kSequences; ++seed) {
    model::OperationGenerator generator;  // keeps the texts alive past Finish
    model::CheckedModule module(&session);
    model::RandomChoices choices(seed);
    ASSERT_TRUE(module.Begin()) << "seed " << seed << ": " << module.failure();
    for (int step = 0; step < kStepsPerSequence; ++step) {
      ASSERT_TRUE(generator.Step(module, choices) && module.CheckState())
          << "seed " << seed << ", step " << step << ": " << module.failure();
    }
    ASSERT_TRUE(module.Finish()) << "seed " << seed << ": " << module.failure();
    operations = std::max(operations, module.operations().size());
  }
  // Sequences this long reach most operations; far fewer means the generator
  // stopped exercising the module.
  EXPECT_GT(operations, 100u);
}

}  // namespace
}  // namespace vellomar::testing
