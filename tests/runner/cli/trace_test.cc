// The trace's storage lines: what changed between two frames' storage,
// compared entry by entry, whatever the names of the arrays and variables.
// The frames printed with --changes, --from and --to.
#include "runner/cli/trace.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "runner/base/units.h"
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

// Three frames of one gauge: a text that changes in the third, a value
// that changes in the second, an element hidden in the second only, a
// colour script, a click that sends an event and a warning in the second,
// and a variable set in the third.
std::vector<std::vector<GaugeFrame>> ThreeFrames() {
  static const std::string kHidden = "Element 'Box'";
  static const std::string kColour = "Element 'Box' <FillColorScript>";
  using Happening = GaugeFrame::Happening;
  std::vector<std::vector<GaugeFrame>> frames(3, std::vector<GaugeFrame>(1));
  for (int i = 0; i < 3; ++i) {
    GaugeFrame& gauge = frames[static_cast<size_t>(i)][0];
    gauge.file = "g.xml";
    gauge.strings = {{"Element 'T' <String>", i < 2 ? "x" : "y"}};
    gauge.values = {
        {"Element 'S' <Select>", i == 1 ? 2.0 : 1.0, SiteKind::kSelect, i == 1 ? -1 : 0}};
    gauge.scripts = {{&kColour, Value::Text("red")}};
    if (i == 1) {
      gauge.hidden = {&kHidden};
      gauge.clicks = {{"Area #1", "Gear", "LeftSingle", ""}};
      gauge.events = {{0, "GEAR_TOGGLE", 0}};
      gauge.messages = {MakeDiagnostic(Severity::kWarning, {"g.xml", 3, 4}, "divided by zero",
                                       "Element 'S' <Select>", 2)};
      gauge.happened = {{Happening::Kind::kClick, 0},
                        {Happening::Kind::kEvent, 0},
                        {Happening::Kind::kMessage, 0}};
    }
    if (i == 2) gauge.changes = {{"L:n", 0.5, FindUnit("degrees"), 30}};
  }
  return frames;
}

const char kFrame1[] =
    "frame 1\n"
    "gauge g.xml\n"
    "  text Element 'T' <String>: \"x\"\n"
    "  value Element 'S' <Select>: 1, case 1\n"
    "  script Element 'Box' <FillColorScript>: \"red\"\n";
const char kFrame2[] =
    "frame 2\n"
    "gauge g.xml\n"
    "  click Area #1 'Gear' LeftSingle\n"
    "  event K:GEAR_TOGGLE 0\n"
    "vellomar-run: g.xml:3:4: warning: divided by zero [Element 'S' <Select>, frame 2]\n"
    "  hidden Element 'Box'\n"
    "  text Element 'T' <String>: \"x\"\n"
    "  value Element 'S' <Select>: 2, no case\n"
    "  script Element 'Box' <FillColorScript>: \"red\"\n";
const char kFrame3[] =
    "frame 3\n"
    "gauge g.xml\n"
    "  text Element 'T' <String>: \"y\"\n"
    "  value Element 'S' <Select>: 1, case 1\n"
    "  script Element 'Box' <FillColorScript>: \"red\"\n"
    "  set L:n, degree = 30\n";

struct FramesCase {
  const char* name;
  Trace::Frames frames;
  std::string expected;
};

TEST(TraceTest, ChangesFromAndTo) {
  const FramesCase cases[] = {
      {"every frame whole", {1, 0, false}, std::string(kFrame1) + kFrame2 + kFrame3},
      {"--changes",
       {1, 0, true},
       std::string(kFrame1) +
           "frame 2\n"
           "gauge g.xml\n"
           "  click Area #1 'Gear' LeftSingle\n"
           "  event K:GEAR_TOGGLE 0\n"
           "vellomar-run: g.xml:3:4: warning: divided by zero [Element 'S' <Select>, frame 2]\n"
           "  hidden Element 'Box'\n"
           "  value Element 'S' <Select>: 2, no case\n"
           "frame 3\n"
           "gauge g.xml\n"
           "  shown Element 'Box'\n"
           "  text Element 'T' <String>: \"y\"\n"
           "  value Element 'S' <Select>: 1, case 1\n"
           "  set L:n, degree = 30\n"},
      {"--from 2 --to 2", {2, 2, false}, kFrame2},
      {"--changes --from 3: the first frame printed is whole, messages shown",
       {3, 0, true},
       std::string("frame 2\n"
                   "gauge g.xml\n"
                   "vellomar-run: g.xml:3:4: warning: divided by zero [Element 'S' <Select>, frame "
                   "2]\n") +
           kFrame3},
      {"--to 1: a later frame's message is still shown",
       {1, 1, false},
       std::string(kFrame1) +
           "frame 2\n"
           "gauge g.xml\n"
           "vellomar-run: g.xml:3:4: warning: divided by zero [Element 'S' <Select>, frame 2]\n"},
  };
  for (const FramesCase& test : cases) {
    std::ostringstream out;
    Trace trace(Trace::Mode::kTrace, &out, test.frames);
    const std::vector<std::vector<GaugeFrame>> frames = ThreeFrames();
    for (int frame = 1; frame <= 3; ++frame) {
      trace.BeginFrame(frame);
      trace.Gauges(frame, frames[static_cast<size_t>(frame - 1)]);
    }
    EXPECT_EQ(out.str(), test.expected) << test.name;
  }
}

}  // namespace
}  // namespace runner
