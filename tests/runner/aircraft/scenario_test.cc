// The simulated aircraft's scenario files, --set and --click, and the
// command line that carries them.
#include "runner/aircraft/scenario.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/base/number_format.h"
#include "runner/cli/options.h"

namespace runner {
namespace {

// Units show as the units table spells them ("foot" for "feet").
std::string Describe(const VariableName& variable) {
  std::string text(1, variable.kind);
  text += ":";
  if (!variable.callback.empty()) text += variable.callback + "|";
  text += variable.name;
  if (variable.index != 0) text += "#" + std::to_string(variable.index);
  if (variable.unit != nullptr) text += "," + std::string(variable.unit->name);
  return text;
}

std::string Describe(const Assignment& assignment) {
  return Describe(assignment.variable) + "=" +
         (assignment.is_text ? "'" + assignment.text + "'" : std::to_string(assignment.number));
}

std::string Describe(const Scenario& scenario) {
  std::string out;
  for (const Assignment& assignment : scenario.initial) out += Describe(assignment) + " ";
  for (const auto& [frame, assignment] : scenario.changes) {
    out += "@" + std::to_string(frame) + " " + Describe(assignment) + " ";
  }
  for (const Ramp& ramp : scenario.ramps) {
    out += "ramp " + Describe(ramp.variable) + " " + std::to_string(ramp.from) + ".." +
           std::to_string(ramp.until) +
           (ramp.has_start ? " from " + std::to_string(ramp.start) : "") + " to " +
           std::to_string(ramp.end) + " ";
  }
  for (const ClickRequest& click : scenario.clicks) {
    out += "click '" + click.where + "'@" + std::to_string(click.frame) +
           (click.event.empty() ? "" : ":" + click.event) + " ";
  }
  for (const EventAction& action : scenario.events) {
    using Kind = EventAction::Kind;
    const char* verbs[] = {" sets ", " toggles ", " increments ", " decrements ", " swaps "};
    out += "K:" + action.event + verbs[static_cast<int>(action.kind)] + Describe(action.variable) +
           (action.has_value ? " to " + std::to_string(action.value) : "");
    if (action.kind == Kind::kSwap) out += " and " + Describe(action.other);
    if (action.kind == Kind::kIncrement || action.kind == Kind::kDecrement) {
      out += " by " + FormatNumber(action.step) +
             (action.has_minimum ? " from " + FormatNumber(action.minimum) : "") +
             (action.has_maximum ? " to " + FormatNumber(action.maximum) : "") +
             (action.wrap ? " wrapping" : "") +
             (action.fraction > 0 ? " fraction " + FormatNumber(action.fraction) : "") +
             (action.whole > 0 ? " whole " + FormatNumber(action.whole) : "");
    }
    out += " ";
  }
  for (const Expectation& expectation : scenario.expectations) {
    out += "expect@" + std::to_string(expectation.frame) + " line " +
           std::to_string(expectation.place.line);
    if (!expectation.name.empty()) out += " '" + expectation.name + "'";
    if (expectation.tolerance != Expectation::kDefaultTolerance) {
      out += " tolerance " + FormatNumber(expectation.tolerance);
    }
    for (const Expectation::Text& text : expectation.texts) {
      out += " text " + text.element + (text.expected.pattern != nullptr ? "~" : "=") +
             text.expected.text;
    }
    for (const Expectation::Variable& value : expectation.values) {
      out += " value " + Describe(value.variable) + "=" +
             (value.expected.is_text ? value.expected.text : FormatNumber(value.expected.number));
    }
    if (expectation.has_events) out += " events";
    for (const Expectation::Event& event : expectation.events) {
      out +=
          " " + event.name + (event.has_parameter ? "(" + FormatNumber(event.parameter) + ")" : "");
    }
    out += " ";
  }
  return out;
}

// TOML tables keep their keys sorted, so a scenario's variables are listed in
// name order, whatever order the file gives them in.
struct ScenarioCase {
  const char* name;
  const char* toml;
  const char* expected;  // null: an error containing `error`
  const char* error = "";
};

const ScenarioCase kScenarioCases[] = {
    {"initial values of every kind",
     "[set]\n"
     "\"A:INDICATED ALTITUDE, feet\" = 3500\n"
     "\"A:GENERAL ENG RPM:2, number\" = 2400.5\n"
     "\"A:GPS WP NEXT ID, string\" = \"KSEA\"\n"
     "\"E:SIMULATION RATE\" = true\n"
     "\"C:fs9gps:WaypointAirportIdent:2, string\" = \"EGLL\"\n"
     "\"C:fs9gps:3:WaypointAirportCity\" = \"Lyon\"\n",
     "A:GENERAL ENG RPM#2,number=2400.500000 A:GPS WP NEXT ID,string='KSEA' "
     "A:INDICATED ALTITUDE,foot=3500.000000 C:fs9gps|WaypointAirportCity#3='Lyon' "
     "C:fs9gps|WaypointAirportIdent#2,string='EGLL' E:SIMULATION RATE=1.000000 "},
    {"changes, ramps and clicks at frames",
     "[[at]]\nframe = 3\nset = { \"A:X, knots\" = 120 }\nclick = \"Next page\"\n"
     "[[at]]\nframe = 5\nuntil = 9\nramp = { \"A:Y, feet\" = 100, \"A:Z\" = [1, 2] }\n"
     "click = [\"#2\", \"Mode: A:RightSingle\"]\n",
     "@3 A:X,knot=120.000000 ramp A:Y,foot 5..9 to 100.000000 ramp A:Z 5..9 from 1.000000 to "
     "2.000000 click 'Next page'@3 click '#2'@5 click 'Mode: A'@5:RightSingle "},
    {"event actions",
     "[events]\nGEAR_TOGGLE = { toggle = \"A:GEAR HANDLE POSITION, bool\" }\n"
     "HEADING_BUG_SET = { set = \"A:AUTOPILOT HEADING LOCK DIR, degrees\" }\n"
     "AP_MASTER = { set = \"A:AUTOPILOT MASTER\", value = 1 }\n",
     "K:AP_MASTER sets A:AUTOPILOT MASTER to 1.000000 K:GEAR_TOGGLE toggles A:GEAR HANDLE "
     "POSITION,bool K:HEADING_BUG_SET sets A:AUTOPILOT HEADING LOCK DIR,degree "},
    {"L: variables preset, in any unit",
     "[set]\n\"L:AP bug, degrees\" = 350\n[[at]]\nframe = 2\nset = { \"l:n\" = 4 }\n",
     "L:AP bug,degree=350.000000 @2 L:n=4.000000 "},
    {"increments, decrements and swaps: a COM radio",
     "[events]\n"
     "COM_RADIO_WHOLE_INC = { increment = \"A:COM STANDBY FREQUENCY:1, MHz\", min = 118, "
     "max = 136, wrap = true, whole = 1 }\n"
     "COM_RADIO_FRACT_DEC = { decrement = \"A:COM STANDBY FREQUENCY:1, MHz\", step = 0.025, "
     "min = 0, max = 0.975, wrap = true, fraction = 1 }\n"
     "COM_STBY_RADIO_SWAP = { swap = [\"A:COM ACTIVE FREQUENCY:1, MHz\", "
     "\"A:COM STANDBY FREQUENCY:1, kHz\"] }\n"
     "HDG_DOWN = { decrement = \"A:HDG, degrees\", step = 5, min = 0 }\n",
     "K:COM_RADIO_FRACT_DEC decrements A:COM STANDBY FREQUENCY#1,MHz by 0.025 from 0 to 0.975 "
     "wrapping fraction 1 K:COM_RADIO_WHOLE_INC increments A:COM STANDBY FREQUENCY#1,MHz by 1 from "
     "118 to 136 wrapping whole 1 K:COM_STBY_RADIO_SWAP swaps A:COM ACTIVE FREQUENCY#1,MHz and "
     "A:COM "
     "STANDBY FREQUENCY#1,KHz K:HDG_DOWN decrements A:HDG,degree by 5 from 0 "},
    {"expectations of every kind",
     "[[expect]]\nframe = 12\nname = \"climb\"\ntolerance = 0.5\n"
     "text = { \"Readout\" = \"ALT 3500\", \"#3\" = \"~^FL\\\\d{3}$\" }\n"
     "value = { \"L:AP bug, degrees\" = 350, \"A:GEAR, bool\" = true }\n"
     "events = [\"GEAR_TOGGLE\", \"K:HEADING_BUG_SET 123\"]\n"
     "storage = { \"C:VELLOMAR:CurrentWpt, string\" = \"SEA\" }\n"
     "[[expect]]\nframe = 2\nevents = []\n",
     "expect@12 line 1 'climb' tolerance 0.5 text #3~^FL\\d{3}$ text Readout=ALT 3500 value "
     "C:VELLOMAR|CurrentWpt,string=SEA value A:GEAR,bool=1 value L:AP bug,degree=350 events "
     "GEAR_TOGGLE HEADING_BUG_SET(123) expect@2 line 9 events "},
    {"kinds in any case and every form a script writes",
     "[set]\n\"a:X : 3 , feet\" = 1\n\"c:fs9gps:2:Name\" = 'x'\n\"e:Zulu Time, hours\" = 2\n"
     "\"A:Y, feet, ignored\" = 4\n\"m:X\" = 5\n",
     "A:Y,foot=4.000000 A:X#3,foot=1.000000 C:fs9gps|Name#2='x' E:Zulu Time,hour=2.000000 "
     "M:X=5.000000 "},
    {"mouse events in any case, shown as the table spells them",
     "[[at]]\nframe = 1\nclick = [\"A:rightsingle\", \"B:LeftAll\", \"C: WheelUp\"]\n",
     "click 'A'@1:RightSingle click 'B:LeftAll'@1 click 'C'@1:WheelUp "},
    {"not TOML", "[set\n", nullptr, "s.toml:1:"},
    {"unknown unit", "[set]\n\"A:X, furlongs\" = 1\n", nullptr,
     "s.toml:2:19: error: 'A:X, furlongs': unknown unit"},
    {"G: is each gauge's", "[set]\n\"g:Var1\" = 1\n", nullptr, "'g:Var1': a scenario sets A:"},
    {"a text for a length", "[set]\n\"A:INDICATED ALTITUDE, feet\" = \"high\"\n", nullptr,
     "s.toml:2:32: error: 'A:INDICATED ALTITUDE, feet' is a number in feet, not a text"},
    {"true for a length", "[[at]]\nframe = 2\nset = { \"A:X, feet\" = true }\n", nullptr,
     "s.toml:3:23: error: 'A:X, feet' is in feet: true and false"},
    {"a text for an L: variable", "[set]\n\"L:X\" = \"a\"\n", nullptr, "L: variables hold numbers"},
    {"a set and a ramp of one variable in one frame",
     "[[at]]\nframe = 2\nuntil = 6\nramp = { \"A:X, feet\" = 9 }\n"
     "[[at]]\nframe = 4\nset = { \"a:x, meters\" = 1 }\n",
     nullptr,
     "s.toml:7:25: error: 'a:x, meters' is set at frame 4 (line 7) and ramped from frame 2 to 6 "
     "(line "
     "4): one frame"},
    {"two ramps of one variable at once",
     "[[at]]\nframe = 2\nuntil = 6\nramp = { \"E:X\" = 9 }\n"
     "[[at]]\nframe = 6\nuntil = 8\nramp = { \"P:X\" = 1 }\n",
     nullptr,
     "s.toml:8:18: error: 'P:X' is ramped from frame 2 to 6 (line 4) and again from frame 6"},
    {"a ramp of an L: variable", "[[at]]\nframe = 1\nuntil = 3\nramp = { \"L:X\" = 9 }\n", nullptr,
     "a ramp changes a number of the simulated aircraft"},
    {"an event with two actions", "[events]\nX = { toggle = \"A:X\", increment = \"A:X\" }\n",
     nullptr, "give only one of"},
    {"wrap without limits", "[events]\nX = { increment = \"A:X\", max = 3, wrap = true }\n",
     nullptr, "wrap needs both min and max"},
    {"a step for set", "[events]\nX = { set = \"A:X\", step = 3 }\n", nullptr,
     "s.toml:2:27: error: X: 'step' does not go here"},
    {"a swap of a length and an angle",
     "[events]\nX = { swap = [\"A:X, feet\", \"A:Y, degrees\"] }\n", nullptr,
     "do not measure the same thing"},
    {"an event setting an L: variable", "[events]\nX = { set = \"L:X\" }\n", nullptr,
     "not L: variables"},
    {"expect without frame", "[[expect]]\ntext = {}\n", nullptr, "needs frame"},
    {"expect with an unknown key", "[[expect]]\nframe = 1\ntexts = {}\n", nullptr,
     "s.toml:3:9: error: unknown key 'texts' in [[expect]]"},
    {"a bad regular expression", "[[expect]]\nframe = 1\ntext = { \"#1\" = \"~(\" }\n", nullptr,
     "s.toml:3:17: error: text of '#1': '(' is not a regular expression"},
    {"storage other than the module's",
     "[[expect]]\nframe = 1\nstorage = { \"A:X, string\" = \"a\" }\n", nullptr,
     "storage is read by module keyword"},
    {"an event parameter that is not a number", "[[expect]]\nframe = 1\nevents = [\"X one\"]\n",
     nullptr, "PARAMETER, a number"},
    {"no kind", "[set]\n\"X\" = 1\n", nullptr, "'X' is not a variable"},
    {"no name", "[set]\n\"A: \" = 1\n", nullptr, "'A:' has no name"},
    {"no unit after the comma", "[set]\n\"A:X,\" = 1\n", nullptr, "units missing after ','"},
    {"C: without a property", "[set]\n\"C:fs9gps\" = 1\n", nullptr, "write C:CALLBACK:NAME"},
    {"C: with an index and no name", "[set]\n\"C:fs9gps:2:\" = 1\n", nullptr, "has no name"},
    {"a text for a number unit", "[set]\n\"A:X, string\" = 1\n", nullptr, "give it in quotes"},
    {"unknown section", "[sets]\n", nullptr, "unknown section 'sets'"},
    {"at without frame", "[[at]]\nset = {}\n", nullptr, "needs frame"},
    {"ramp without until", "[[at]]\nframe = 2\nramp = { \"A:X\" = 1 }\n", nullptr, "until"},
    {"frame 0", "[[at]]\nframe = 0\n", nullptr, "frame number from 1"},
    {"event without target", "[events]\nX = { value = 1 }\n", nullptr, "either toggle"},
};

TEST(ScenarioTest, Reads) {
  for (const ScenarioCase& test : kScenarioCases) {
    Scenario scenario;
    Diagnostic diagnostic;
    const bool read = ParseScenario("s.toml", test.toml, &scenario, &diagnostic);
    const std::string problem = read ? "" : FormatDiagnostic(diagnostic);
    if (test.expected != nullptr) {
      ASSERT_TRUE(read) << test.name << ": " << problem;
      EXPECT_EQ(Describe(scenario), test.expected) << test.name;
    } else {
      EXPECT_FALSE(read) << test.name;
      EXPECT_NE(problem.find(test.error), std::string::npos) << test.name << ": " << problem;
    }
  }
}

// A scenario played over frames: what the simulated aircraft holds before
// each frame, and what its K: events do.
TEST(ScenarioTest, PlaysOverFrames) {
  Scenario scenario;
  Diagnostic problem;
  ASSERT_TRUE(
      ParseScenario("s.toml",
                    "[set]\n\"A:ALT, feet\" = 100\n"
                    "[[at]]\nframe = 2\nuntil = 6\n"
                    "ramp = { \"A:ALT, feet\" = 500, \"A:VS, feet per minute\" = [10, 50] }\n"
                    "[[at]]\nframe = 4\nset = { \"A:SPEED, knots\" = 120 }\n"
                    "[events]\nGEAR_TOGGLE = { toggle = \"A:GEAR, bool\" }\n"
                    "HDG_SET = { set = \"A:HDG, degrees\" }\n"
                    "AP_ON = { set = \"A:AP, bool\", value = 1 }\n",
                    &scenario, &problem))
      << FormatDiagnostic(problem);
  SimState sim;
  ScenarioPlayer player(&scenario, &sim);
  const auto read = [&sim](const char* name, const char* unit) {
    const SimVariable* variable = sim.Find('A', "", name, 0);
    return std::to_string(static_cast<int>(FromBase(*FindUnit(unit), variable->base) + 0.5));
  };
  std::string frames;
  player.Start();
  for (int frame = 1; frame <= 7; ++frame) {
    player.BeforeFrame(frame);
    frames += std::to_string(frame) + ": " + read("ALT", "feet") + " " +
              read("VS", "feet per minute") + " " + read("SPEED", "knots") + "\n";
  }
  // The ramp starts from the value it finds at its first frame, or from the
  // START it was given, and holds its end after its last frame.
  EXPECT_EQ(frames,
            "1: 100 0 0\n2: 100 10 0\n3: 200 20 0\n4: 300 30 120\n5: 400 40 120\n"
            "6: 500 50 120\n7: 500 50 120\n");

  std::string events;
  const auto fire = [&](const char* event, double parameter) {
    sim.Fire(0, event, parameter);
    events += std::string(event) + " -> " + read("GEAR", "bool") + " " + read("HDG", "degrees") +
              " " + read("AP", "bool") + "\n";
  };
  fire("GEAR_TOGGLE", 7);
  fire("gear_toggle", 0);
  fire("HDG_SET", 90);
  fire("AP_ON", 0);
  fire("OTHER", 5);
  EXPECT_EQ(events,
            "GEAR_TOGGLE -> 1 0 0\ngear_toggle -> 0 0 0\nHDG_SET -> 0 90 0\nAP_ON -> 0 90 1\n"
            "OTHER -> 0 90 1\n");
}

// A COM radio's whole and fraction knobs and its swap button, a knob that
// stops at its limit, L: presets handed to the gauges' engine, and the
// unset list, which leaves out what something set after it was read.
TEST(ScenarioTest, PlaysKnobsSwapsAndPresets) {
  Scenario scenario;
  Diagnostic problem;
  ASSERT_TRUE(ParseScenario(
      "s.toml",
      "[set]\n\"A:COM ACTIVE FREQUENCY:1, MHz\" = 118.5\n"
      "\"A:COM STANDBY FREQUENCY:1, MHz\" = 136.975\n\"L:Bug, degrees\" = 90\n"
      "[events]\n"
      "WHOLE_INC = { increment = \"A:COM STANDBY FREQUENCY:1, MHz\", min = 118, max = 136, "
      "wrap = true, whole = 1 }\n"
      "FRACT_INC = { increment = \"A:COM STANDBY FREQUENCY:1, kHz\", step = 25, min = 0, "
      "max = 975, wrap = true, fraction = 1000 }\n"
      "FRACT_DEC = { decrement = \"A:COM STANDBY FREQUENCY:1, MHz\", step = 0.025, min = 0, "
      "max = 0.975, wrap = true, fraction = 1 }\n"
      "SWAP = { swap = [\"A:COM ACTIVE FREQUENCY:1, MHz\", \"A:COM STANDBY FREQUENCY:1, MHz\"] }\n"
      "HDG_INC = { increment = \"A:HDG, degrees\", step = 40, max = 100 }\n",
      &scenario, &problem))
      << FormatDiagnostic(problem);
  SimState sim;
  ScenarioPlayer player(&scenario, &sim);
  std::string locals;
  player.set_local_writer([&locals](const Assignment& assignment) {
    locals += assignment.variable.name + "=" + FormatNumber(assignment.number) + " " +
              assignment.variable.unit->name;
  });
  SimVariable* heading = sim.Find('A', "", "HDG", 0);
  sim.NoteUnsetRead(*heading, "degrees");
  sim.NoteUnsetRead(*sim.Find('A', "", "OTHER", 0), "feet");
  player.Start();
  EXPECT_EQ(locals, "Bug=90 degree");
  const auto mhz = [&sim](const char* name) {
    const SimVariable* variable = sim.Find('A', "", name, 1);
    return FormatNumber(FromBase(*FindUnit("MHz"), variable->base));
  };
  std::string radio;
  for (const char* event :
       {"WHOLE_INC", "FRACT_INC", "FRACT_INC", "FRACT_DEC", "SWAP", "FRACT_DEC", "WHOLE_INC"}) {
    sim.Fire(0, event, 0);
    radio += std::string(event) + " " + mhz("COM ACTIVE FREQUENCY") + " " +
             mhz("COM STANDBY FREQUENCY") + "\n";
  }
  EXPECT_EQ(radio,
            "WHOLE_INC 118.5 118.975\nFRACT_INC 118.5 118\nFRACT_INC 118.5 118.025\n"
            "FRACT_DEC 118.5 118\nSWAP 118 118.5\nFRACT_DEC 118 118.475\n"
            "WHOLE_INC 118 119.475\n");
  std::string headings;
  for (int i = 0; i < 3; ++i) {
    sim.Fire(0, "HDG_INC", 0);
    headings += FormatNumber(FromBase(*FindUnit("degrees"), heading->base)) + " ";
  }
  EXPECT_EQ(headings, "40 80 100 ") << "an unset heading is 0; the knob stops at max";
  EXPECT_EQ(sim.unset_reads(), std::vector<std::string>{"A:OTHER, feet"});
}

struct OptionCase {
  const char* option;
  const char* expected;  // null: refused
};

TEST(ScenarioTest, SetOption) {
  const OptionCase cases[] = {
      {"A:INDICATED ALTITUDE, feet=3500", "A:INDICATED ALTITUDE,foot=3500.000000"},
      {"A:ATC ID, string='VLM 1'", "A:ATC ID,string='VLM 1'"},
      {"A:ATC ID, string=VLM1", "A:ATC ID,string='VLM1'"},
      {"A:X=\"a=b\"", "A:X='a=b'"},
      {"a:X : 2, feet=1", "A:X#2,foot=1.000000"},
      {"A:X, bool=true", "A:X,bool=1.000000"},
      {"A:X, bool=FALSE", "A:X,bool=0.000000"},
      {"A:ATC ID, string='it''s'", "A:ATC ID,string='it's'"},
      {"A:X=\"a \"\"b\"\"\"", "A:X='a \"b\"'"},
      {"A:X, bool=yes", nullptr},
      {"A:X, feet=12ft", nullptr},
      {"A:X, feet=", nullptr},
      {"A:X, feet", nullptr},
      {"X=1", nullptr},
  };
  for (const OptionCase& test : cases) {
    Assignment assignment;
    std::string problem;
    const bool read = ParseSetOption(test.option, &assignment, &problem);
    EXPECT_EQ(read, test.expected != nullptr) << test.option << ": " << problem;
    if (read && test.expected != nullptr) {
      EXPECT_EQ(Describe(assignment), test.expected) << test.option;
    }
  }
}

TEST(ScenarioTest, ClickOption) {
  const OptionCase cases[] = {
      {"Next page@3", "'Next page'@3"},
      {"#2@10:RightSingle", "'#2'@10:RightSingle"},
      {"#2@1:wheelup", "'#2'@1:WheelUp"},
      {"#2@1:LeftAll", nullptr},
      {"#2@1:", nullptr},
      {"mail@home@4", "'mail@home'@4"},
      {"Next", nullptr},
      {"@3", nullptr},
      {"Next@0", nullptr},
      {"Next@x", nullptr},
  };
  for (const OptionCase& test : cases) {
    ClickRequest click;
    std::string problem;
    const bool read = ParseClickOption(test.option, &click, &problem);
    EXPECT_EQ(read, test.expected != nullptr) << test.option << ": " << problem;
    if (read && test.expected != nullptr) {
      EXPECT_EQ("'" + click.where + "'@" + std::to_string(click.frame) +
                    (click.event.empty() ? "" : ":" + click.event),
                test.expected)
          << test.option;
    }
  }
}

std::string Describe(const Options& options) {
  std::string out;
  for (const Source& source : options.sources) {
    const char* kinds[] = {"script", "gauge", "stdin", "expression", "template"};
    out += std::string(kinds[static_cast<int>(source.kind)]) + ":" + source.name +
           (source.text.empty() ? "" : "=" + source.text) + " ";
  }
  out += "frames=" + std::to_string(options.frames);
  if (options.dump) out += " dump";
  if (options.strict) out += " strict";
  if (options.quiet) out += " quiet";
  if (options.json) out += " json";
  if (!options.module.empty()) out += " module=" + options.module;
  if (!options.sim.empty()) out += " sim=" + options.sim;
  for (const std::string& set : options.sets) out += " set=" + set;
  for (const std::string& click : options.clicks) out += " click=" + click;
  return out;
}

struct CommandLineCase {
  std::vector<std::string> args;
  const char* expected;  // null: a bad command line whose message contains `error`
  const char* error = "";
};

TEST(OptionsTest, ReadsCommandLines) {
  const CommandLineCase cases[] = {
      {{"a.rpn", "-e", "1 2 +", "G.XML", "-s", "%(1)%!d!", "-", "-e", "3"},
       "script:a.rpn expression:-e=1 2 + gauge:G.XML template:-s=%(1)%!d! stdin:<stdin> "
       "expression:-e#2=3 frames=1"},
      {{"--frames", "20", "--dump", "--strict", "--quiet", "--module", "m.so", "g.xml"},
       "gauge:g.xml frames=20 dump strict quiet module=m.so"},
      {{"--json", "g.xml"}, "gauge:g.xml frames=1 json"},
      {{"--sim", "s.toml", "--set", "A:X, feet=1", "--set", "A:Y=2", "--click", "Next@2", "g.xml",
        "--click", "#1@3"},
       "gauge:g.xml frames=1 sim=s.toml set=A:X, feet=1 set=A:Y=2 click=Next@2 click=#1@3"},
      {{"--frames=3", "--", "-odd.xml", "--dump"}, "gauge:-odd.xml script:--dump frames=3"},
      {{"--frames", "1", "G.xMl", ".XML", "xml", "a.xml2"},
       "gauge:G.xMl gauge:.XML script:xml script:a.xml2 frames=1"},
      {{"--frames", "0", "g.xml"}, nullptr, "--frames"},
      {{"--frames", "x", "g.xml"}, nullptr, "--frames"},
      {{"--bogus", "g.xml"}, nullptr, "--bogus"},
      {{"--frames"}, nullptr, "--frames"},
      {{"-", "-"}, nullptr, "standard input ('-') given twice"},
      {{"--dump"}, nullptr, "no gauge file or script given"},
  };
  for (const CommandLineCase& test : cases) {
    Options options;
    std::string problem;
    const bool read = ParseOptions(test.args, &options, &problem);
    std::string line;
    for (const std::string& arg : test.args) line += arg + " ";
    if (test.expected != nullptr) {
      ASSERT_TRUE(read) << line << ": " << problem;
      EXPECT_EQ(Describe(options), test.expected) << line;
    } else {
      EXPECT_FALSE(read) << line;
      EXPECT_NE(problem.find(test.error), std::string::npos) << line << ": " << problem;
    }
  }
}

TEST(OptionsTest, Help) {
  Options options;
  std::string problem;
  ASSERT_TRUE(ParseOptions({"--help"}, &options, &problem)) << problem;
  EXPECT_TRUE(options.help);
  EXPECT_NE(Usage().find("--click"), std::string::npos);
}

}  // namespace
}  // namespace runner
