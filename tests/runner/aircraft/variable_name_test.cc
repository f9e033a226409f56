// The one reader of variable names, for scripts and scenarios alike, and the
// one table of mouse events: their forms and their boundaries.
#include "runner/aircraft/variable_name.h"

#include <gtest/gtest.h>

#include <string>

#include "runner/aircraft/mouse_events.h"

namespace runner {
namespace {

// "K callback|name#index ,unit" with the parts that are there; units show as
// the units table spells them, "?" for one it lacks.
std::string Describe(const VariableName& variable) {
  std::string text(1, variable.kind);
  text += " ";
  if (!variable.callback.empty()) text += variable.callback + "|";
  text += variable.name;
  if (variable.index != 0) text += "#" + std::to_string(variable.index);
  if (variable.has_unit) {
    text += " ," + (variable.unit != nullptr ? std::string(variable.unit->name) : "?");
  }
  return text;
}

struct NameCase {
  const char* written;
  const char* expected;  // Describe(), or the error's name
};

TEST(VariableNameTest, ReadsEveryForm) {
  const NameCase cases[] = {
      {"A:PLANE ALTITUDE", "A PLANE ALTITUDE"},
      {"a:plane altitude, FEET", "A plane altitude ,foot"},
      {"l:x", "L x"},
      {" \tA: X \r\n,\n feet ", "A X ,foot"},
      {"A :X", "kNoKind"},
      {"A:GENERAL ENG RPM:1, rpm", "A GENERAL ENG RPM#1 ,rpm"},
      {"A:GENERAL ENG RPM : 2 , rpm", "A GENERAL ENG RPM#2 ,rpm"},
      {"A:X:999999999", "A X#999999999"},
      {"A:X:1000000000", "A X:1000000000"},
      {"A:X:0", "A X"},
      {"A:X:", "A X:"},
      {"A:X:-1", "A X:-1"},
      {"A:X:1a", "A X:1a"},
      {"A:X:1:2", "A X:1#2"},
      {"E:X:1", "E X:1"},
      {"L:X:1", "L X:1"},
      {"A:X, feet, ignored", "A X ,foot"},
      {"A:X, furlongs", "A X ,?"},
      {"L:'a,b', number", "L 'a,b' ,number"},
      {"C:fs9gps:WaypointDistance", "C fs9gps|WaypointDistance"},
      {"c:fs9gps:1:WaypointDistance, nmiles", "C fs9gps|WaypointDistance#1 ,nautical mile"},
      {"C: fs9gps : 2 : Name ", "C fs9gps|Name#2"},
      {"C:fs9gps:Name:3", "C fs9gps|Name#3"},
      {"C:fs9gps:2:Name:3", "C fs9gps|Name:3#2"},
      {"C:fs9gps:x:Name", "C fs9gps|x:Name"},
      {"G:Var1", "G Var1"},
      {"Z:y", "Z y"},
      {"", "kNoKind"},
      {"A", "kNoKind"},
      {"AB:X", "kNoKind"},
      {", feet", "kNoKind"},
      {"A:", "kNoName"},
      {"A: \t, feet", "kNoName"},
      {"A:X,", "kNoUnit"},
      {"A:X, ", "kNoUnit"},
      {"C:fs9gps", "kNoProperty"},
      {"C: :Name", "kNoCallback"},
      {"C:fs9gps: ", "kNoPropertyName"},
  };
  const char* const kErrors[] = {
      "", "kNoKind", "kNoName", "kNoUnit", "kNoProperty", "kNoCallback", "kNoPropertyName"};
  for (const NameCase& test : cases) {
    VariableName variable;
    VariableNameError error = VariableNameError::kNone;
    const bool read = ParseVariableName(test.written, &variable, &error);
    EXPECT_EQ(read, error == VariableNameError::kNone) << test.written;
    EXPECT_EQ(read ? Describe(variable) : kErrors[static_cast<int>(error)], test.expected)
        << '"' << test.written << '"';
  }
}

TEST(VariableNameTest, KeepsWhatTheCallbackReadsAndWhatWasWritten) {
  VariableName variable;
  VariableNameError error = VariableNameError::kNone;
  ASSERT_TRUE(ParseVariableName(" C:fs9gps: 2:Name , string ", &variable, &error));
  EXPECT_EQ(variable.property, "2:Name");
  EXPECT_EQ(variable.unit_name, "string");
  EXPECT_EQ(variable.written, "C:fs9gps: 2:Name , string");
}

TEST(MouseEventsTest, NamesMatchInAnyCaseAndShowAsTheTableSpellsThem) {
  const struct {
    const char* name;
    const char* expected;
  } cases[] = {
      {"LeftSingle", "LeftSingle"},
      {"leftsingle", "LeftSingle"},
      {"WHEELDOWN", "WheelDown"},
      {" Leave\t", "Leave"},
      {"MiddleRelease", "MiddleRelease"},
      {"Move", "Move"},
      {"LeftAll", ""},
      {"", ""},
      {"LeftSingl", ""},
      {"LeftSingleX", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(MouseEventName(c.name), c.expected) << c.name;
}

TEST(MouseEventsTest, KindListsTakeTheirEvents) {
  const struct {
    const char* kinds;
    const char* event;
    bool taken;
  } cases[] = {
      // No kind: the press of a left click only, not its release.
      {"", "LeftSingle", true},
      {"", "leftsingle", true},
      {"", "WheelUp", false},
      {" ", "LeftRelease", false},
      {"LeftSingle", "LeftSingle", true},
      {"LeftSingle", "leftsingle", true},
      {"leftsingle", "LeftSingle", true},
      {"LeftSingle", "LeftDouble", false},
      {"LeftSingle+RightSingle", "RightSingle", true},
      {"LeftSingle + WheelDown", "WheelDown", true},
      {"LeftSingle+", "RightSingle", false},
      {"LeftAll", "LeftRelease", true},
      {"leftall", "LeftDrag", true},
      {"LeftAll", "RightSingle", false},
      {"LeftAll", "Leave", false},
      {"RightAll", "RightDouble", true},
      {"MiddleAll", "MiddleDrag", true},
      {"MiddleAll", "Move", false},
      {"WheelUp+MiddleAll", "MiddleSingle", true},
      {"Custom", "custom", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MouseKindsTake(c.kinds, c.event), c.taken) << c.kinds << " " << c.event;
  }
}

TEST(MouseEventsTest, TheFirstKindIsTheEventOfAPlainClick) {
  const struct {
    const char* kinds;
    const char* expected;
  } cases[] = {
      {"", ""},
      {"LeftSingle+RightSingle", "LeftSingle"},
      {"wheelup+WheelDown", "WheelUp"},
      {" RightAll ", "RightSingle"},
      {"middleall", "MiddleSingle"},
      {"Custom+LeftSingle", "Custom"},
      {"+LeftSingle", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FirstMouseEvent(c.kinds), c.expected) << c.kinds;
}

}  // namespace
}  // namespace runner
