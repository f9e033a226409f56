// The trace's storage lines: what changed between two frames' storage,
// compared entry by entry, whatever the names of the arrays and variables.
#include "runner/cli/trace.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "runner/cli/dump.h"

namespace runner {
namespace {

using Kind = StorageEntry::Kind;

struct StorageCase {
  const char* name;
  std::vector<StorageEntry> before;
  std::vector<StorageEntry> after;
  const char* expected;  // the trace of `after`
};

// A name that reads like the trace's own punctuation.
const std::string kOdd = "a': b, token 7";

const StorageCase kStorageCases[] = {
    {"nothing changed",
     {{Kind::kArray, "a", 0, "string, size 2", 1}, {Kind::kElement, "a", 0, "'x'", 0}},
     {{Kind::kArray, "a", 0, "string, size 2", 1}, {Kind::kElement, "a", 0, "'x'", 0}},
     ""},
    {"a token alone is no change",
     {{Kind::kArray, "a", 0, "number, size 1", 1}},
     {{Kind::kArray, "a", 0, "number, size 1", 9}},
     ""},
    {"changed, new and gone",
     {{Kind::kElement, "a", 0, "'x'", 0}, {Kind::kElement, "a", 1, "'y'", 0}},
     {{Kind::kElement, "a", 0, "'z'", 0}, {Kind::kUserVariable, "Fuel", 15, "full", 0}},
     "storage gone array 'a' [1] 'y'\n"
     "storage array 'a' [0] 'z'\n"
     "storage user variable 15 'Fuel' = 'full'\n"},
    {"an array named like a dump line",
     {{Kind::kArray, "a", 0, "string, size 1", 1},
      {Kind::kElement, "a", 0, "'x'", 0},
      {Kind::kArray, kOdd, 0, "string, size 1", 2},
      {Kind::kElement, kOdd, 0, "'x'", 0}},
     {{Kind::kArray, "a", 0, "string, size 1", 1},
      {Kind::kElement, "a", 0, "'x'", 0},
      {Kind::kArray, kOdd, 0, "string, size 1", 2},
      {Kind::kElement, kOdd, 0, "'y'", 0}},
     "storage array 'a': b, token 7' [0] 'y'\n"},
    {"its element gone, the other array's kept",
     {{Kind::kElement, "a", 0, "'x'", 0}, {Kind::kElement, kOdd, 0, "'x'", 0}},
     {{Kind::kElement, "a", 0, "'x'", 0}},
     "storage gone array 'a': b, token 7' [0] 'x'\n"},
    {"a variable named like an assignment",
     {{Kind::kUserVariable, "x = 1", 15, "a", 0}},
     {{Kind::kUserVariable, "x = 1", 15, "b", 0}},
     "storage user variable 15 'x = 1' = 'b'\n"},
};

TEST(TraceTest, StorageDiffsEntryByEntry) {
  for (const StorageCase& test : kStorageCases) {
    std::ostringstream out;
    Trace trace(Trace::Mode::kTrace, &out);
    trace.Storage(test.before);
    out.str("");
    trace.Storage(test.after);
    EXPECT_EQ(out.str(), test.expected) << test.name;
  }
}

}  // namespace
}  // namespace runner
