// Every lookup the storage makes through its indexes must find exactly the
// record that a walk of the list from the head finds: after many creations,
// after stop and a new start, and when memory runs out part-way.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "callbacks/property_dispatch.h"
#include "common/ascii_case.h"
#include "storage/array_store.h"
#include "storage/storage_state.h"
#include "storage/user_variables.h"
#include "tests/module/storage_fixture.h"

namespace vellomar::testing {
namespace {

ArrayRecord* WalkToToken(uint32_t token) {
  for (ArrayRecord* array = g_storage.array_head; array != nullptr; array = array->next) {
    if (array->token == token) return array;
  }
  return nullptr;
}

UserVariable* WalkToId(int32_t id) {
  for (UserVariable* variable = g_storage.user_head; variable != nullptr;
       variable = variable->next) {
    if (variable->id == id) return variable;
  }
  return nullptr;
}

std::size_t ArrayCount() {
  std::size_t count = 0;
  for (const ArrayRecord* array = g_storage.array_head; array != nullptr; array = array->next) {
    ++count;
  }
  return count;
}

std::size_t VariableCount() {
  std::size_t count = 0;
  for (const UserVariable* v = g_storage.user_head; v != nullptr; v = v->next) ++count;
  return count;
}

class StorageLookupTest : public StorageTest {
 protected:
  // A name text at an address of its own, alive for the whole test.
  const char* NewName(const char* prefix, std::size_t number) {
    names_.push_back(std::make_unique<char[]>(32));
    std::snprintf(names_.back().get(), 32, "%s%zu", prefix, number);
    return names_.back().get();
  }

  bool CreateArray(std::size_t number) {
    g_storage.pending_size = static_cast<int32_t>(number % 7) + 1;
    const ArrayKind kind = number % 2 == 0 ? ArrayKind::kNumber : ArrayKind::kString;
    return CreateOrSelectArray(kind, NewName("Array", number));
  }

  bool CreateVariable(std::size_t number) {
    // Alternate the case, so that matching ignores it.
    char keyword[32];
    std::snprintf(keyword, sizeof(keyword), number % 2 == 0 ? "fuel%zu" : "FUEL%zu", number);
    int32_t id = -1;
    return Resolve(keyword, &id);
  }

  // Every array is found by its token and selected by its name, and tokens no
  // array has find nothing, as a walk says.
  static void ExpectArraysAgreeWithWalk(const std::string& when) {
    const uint32_t active = g_storage.active_token;
    const int32_t pending = g_storage.pending_size;
    const std::size_t count = ArrayCount();
    g_storage.pending_size = 1;
    std::vector<uint32_t> tokens = {0u, 0xFFFFFFFFu};
    for (uint32_t t = 1; t <= count + 3; ++t) tokens.push_back(t);
    for (ArrayRecord* array = g_storage.array_head; array != nullptr; array = array->next) {
      ASSERT_EQ(FindArray(array->token), array) << when;
      tokens.push_back(array->token + 1);
      tokens.push_back(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(array)));
      ASSERT_TRUE(CreateOrSelectArray(ArrayKind::kNumber, array->name)) << when;
      ASSERT_EQ(g_storage.active_token, array->token) << when << ": selected by " << array->name;
    }
    for (uint32_t token : tokens) {
      ASSERT_EQ(FindArray(token), WalkToToken(token)) << when << ": token " << token;
    }
    ASSERT_EQ(ArrayCount(), count) << when << ": selecting created an array";
    g_storage.active_token = active;
    g_storage.pending_size = pending;
  }

  // Every variable is found by its id and by its name in another case, and
  // ids no variable has find nothing, as a walk says.
  static void ExpectVariablesAgreeWithWalk(const std::string& when) {
    const int32_t max_vars = g_storage.max_vars;
    for (const UserVariable* variable = g_storage.user_head; variable != nullptr;
         variable = variable->next) {
      int32_t id = -1;
      ASSERT_TRUE(Resolve(FoldAscii(variable->name).c_str(), &id)) << when;
      ASSERT_EQ(id, variable->id) << when << ": " << variable->name;
    }
    ASSERT_EQ(g_storage.max_vars, max_vars) << when << ": resolving created a variable";
    const int32_t last = g_storage.user_head != nullptr ? max_vars - 1 : 14;
    for (int32_t id : {INT32_MIN, -1, 0, 14, 15, 16, last - 1, last, last + 1, INT32_MAX}) {
      const UserVariable* walked = WalkToId(id);
      const char* value = nullptr;
      ASSERT_EQ(UserValueOf(id, &value), walked != nullptr) << when << ": id " << id;
      if (walked != nullptr) {
        ASSERT_EQ(value, walked->value) << when << ": id " << id;
      }
      const char* keyword = nullptr;
      if (id >= kFirstUserVariableId) {
        ASSERT_EQ(KeywordOf(kPropertyTable, kPropertyCount, id, &keyword), walked != nullptr)
            << when << ": id " << id;
        if (walked != nullptr) {
          ASSERT_EQ(keyword, walked->name) << when << ": id " << id;
        }
      }
    }
  }

  std::vector<std::unique_ptr<char[]>> names_;
};

TEST_F(StorageLookupTest, LookupsAgreeWithTheWalkAsStorageGrows) {
  for (std::size_t i = 0; i < 3000; ++i) {
    ASSERT_TRUE(CreateArray(i)) << i;
    ASSERT_TRUE(CreateVariable(i)) << i;
    if (i % 500 == 0 || i == 2999) {
      ExpectArraysAgreeWithWalk("after " + std::to_string(i + 1));
      ExpectVariablesAgreeWithWalk("after " + std::to_string(i + 1));
    }
  }
  EXPECT_EQ(ArrayCount(), 3000u);
  EXPECT_EQ(g_storage.max_vars, 3015);
}

TEST_F(StorageLookupTest, LookupsAgreeAfterStopAndANewStart) {
  std::vector<const char*> old_names;
  for (std::size_t i = 0; i < 40; ++i) {
    ASSERT_TRUE(CreateArray(i));
    ASSERT_TRUE(CreateVariable(i));
    old_names.push_back(g_storage.array_tail->name);
  }
  ReleaseUserVariables();
  ReleaseArrays();
  ExpectArraysAgreeWithWalk("after stop");
  ExpectVariablesAgreeWithWalk("after stop");

  // A name text that made an array before the stop makes a new one after it.
  g_storage.pending_size = 2;
  ASSERT_TRUE(CreateOrSelectArray(ArrayKind::kString, old_names[5]));
  EXPECT_EQ(ArrayCount(), 1u);
  for (std::size_t i = 100; i < 120; ++i) {
    ASSERT_TRUE(CreateArray(i));
    ASSERT_TRUE(CreateVariable(i));
  }
  ExpectArraysAgreeWithWalk("after a new start");
  ExpectVariablesAgreeWithWalk("after a new start");
  int32_t id = -1;
  ASSERT_TRUE(Resolve("fuel0", &id));
  EXPECT_EQ(id, 35) << "a name from before the stop is a new variable";
}

TEST_F(StorageLookupTest, ActiveArrayFollowsTheTokenAndForgetsReleasedRecords) {
  for (double value : {10.0, 20.0, 30.0}) {
    g_storage.pending_size = 1;
    ASSERT_TRUE(CreateOrSelectArray(ArrayKind::kNumber, NewName("N", names_.size())));
    ASSERT_TRUE(WriteNumber(value));
  }
  std::vector<uint32_t> tokens;
  for (const ArrayRecord* a = g_storage.array_head; a != nullptr; a = a->next) {
    tokens.push_back(a->token);
  }
  const struct {
    uint32_t token;
    bool found;
    double value;
  } reads[] = {
      {tokens[0], true, 10.0}, {tokens[2], true, 30.0},   {0, false, 0.0},
      {tokens[1], true, 20.0}, {0xFFFFFFFFu, false, 0.0}, {tokens[1], true, 20.0},
  };
  for (const auto& r : reads) {
    g_storage.active_token = r.token;
    double value = -1.0;
    ASSERT_EQ(ReadNumber(&value), r.found) << "token " << r.token;
    if (r.found) {
      EXPECT_EQ(value, r.value) << "token " << r.token;
    }
  }

  // After a stop the first new array takes the first array's token again; the
  // record remembered for that token must not outlive the stop.
  ReleaseArrays();
  g_storage.pending_size = 1;
  ASSERT_TRUE(CreateOrSelectArray(ArrayKind::kNumber, NewName("N", names_.size())));
  EXPECT_EQ(g_storage.active_token, tokens[0]);
  double value = -1.0;
  ASSERT_TRUE(ReadNumber(&value));
  EXPECT_EQ(value, 0.0);
  g_storage.active_token = tokens[1];
  EXPECT_FALSE(ReadNumber(&value)) << "the second array is gone";
}

// Memory that runs out at any point of a creation leaves the lists and the
// indexes as they were, and the next creation with memory succeeds. Sizes
// run past several index growths, so failures hit those too.
TEST_F(StorageLookupTest, OutOfMemoryLeavesListsAndIndexesInStep) {
  // A creation takes at most four allocations: both indexes growing at once,
  // the record and its buffer.
  constexpr int kMostAllocations = 4;
  for (std::size_t i = 0; i < 70; ++i) {
    bool array_made = false;
    bool variable_made = false;
    for (int successes = 0; successes <= kMostAllocations; ++successes) {
      const std::size_t arrays = ArrayCount();
      const std::size_t variables = VariableCount();
      const int32_t max_vars = g_storage.max_vars;
      const uint32_t active = g_storage.active_token;
      const std::string when =
          "#" + std::to_string(i) + " with " + std::to_string(successes) + " allocations left";
      if (!array_made) {
        FailAllocationsAfter(successes);
        array_made = CreateArray(i);
        FailAllocationsAfter(-1);
        ASSERT_EQ(ArrayCount(), arrays + (array_made ? 1 : 0)) << when;
        if (!array_made) {
          ASSERT_EQ(g_storage.active_token, active) << when;
        }
      }
      if (!variable_made) {
        FailAllocationsAfter(successes);
        variable_made = CreateVariable(i);
        FailAllocationsAfter(-1);
        ASSERT_EQ(VariableCount(), variables + (variable_made ? 1 : 0)) << when;
        if (!variable_made) {
          ASSERT_EQ(g_storage.max_vars, max_vars) << when;
        }
      }
      if (successes == 0) {
        ASSERT_FALSE(array_made || variable_made) << when;
      }
    }
    ASSERT_TRUE(array_made && variable_made) << "#" << i;
    if (i % 10 == 0) {
      ExpectArraysAgreeWithWalk("at #" + std::to_string(i));
      ExpectVariablesAgreeWithWalk("at #" + std::to_string(i));
    }
  }
  ExpectArraysAgreeWithWalk("at the end");
  ExpectVariablesAgreeWithWalk("at the end");
}

}  // namespace
}  // namespace vellomar::testing
