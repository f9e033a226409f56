// A simulated aircraft for a run: what the simulator's variables hold before
// the first frame, how they change at given frames, the clicks a pilot makes
// and what K: events do. Read from a TOML file (--sim FILE) and from --set
// and --click options; see the README for the format. Example:
//
//   [set]                                  # before frame 1
//   "A:INDICATED ALTITUDE, feet" = 3500
//   "A:GPS WP NEXT ID, string" = "KSEA"
//   "C:fs9gps:2:WaypointAirportIdent, string" = "EGLL"
//
//   [[at]]
//   frame = 10                             # at the start of frame 10 ...
//   set = { "A:AIRSPEED INDICATED, knots" = 120 }
//   ramp = { "A:INDICATED ALTITUDE, feet" = 4000 }   # ... reaching 4000 ft
//   until = 20                                       # at frame 20
//   click = ["Next page", "#2"]            # tooltip text or position: #N
//
//   [events]
//   GEAR_TOGGLE = { toggle = "A:GEAR HANDLE POSITION, bool" }
//   HEADING_BUG_SET = { set = "A:AUTOPILOT HEADING LOCK DIR, degrees" }
//   AP_MASTER = { set = "A:AUTOPILOT MASTER, bool", value = 1 }
//   COM_RADIO_FRACT_INC = { increment = "A:COM STANDBY FREQUENCY:1, kHz", step = 25,
//                           min = 0, max = 975, wrap = true, fraction = 1000 }
//   COM_STBY_RADIO_SWAP = { swap = ["A:COM ACTIVE FREQUENCY:1, MHz",
//                                   "A:COM STANDBY FREQUENCY:1, MHz"] }
//
//   [[expect]]                             # after frame 12 has run
//   frame = 12
//   text = { "Readout" = "ALT 3500", "#3" = "~^FL\\d{3}$" }
//   value = { "L:AP bug, degrees" = 350 }
//   events = ["GEAR_TOGGLE"]
//   storage = { "C:VELLOMAR:CurrentWpt, string" = "SEA" }
//
// A variable is written as in a script (see variable_name.h): A:NAME[:INDEX],
// UNIT; C: properties as C:CALLBACK:INDEX:NAME or C:CALLBACK:NAME:INDEX.
// Numbers may be in any unit of the variable's dimension (the units table
// converts them to its base unit); a text value needs no unit or the unit
// "string". L: variables may be set ([set], [[at]] set) through the player's
// local writer. Expectations are read here and checked by the workbench.
#ifndef VELLOMAR_RUNNER_AIRCRAFT_SCENARIO_H_
#define VELLOMAR_RUNNER_AIRCRAFT_SCENARIO_H_

#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "runner/aircraft/sim_state.h"
#include "runner/aircraft/variable_name.h"
#include "runner/base/diagnostics.h"
#include "runner/base/place.h"
#include "runner/base/units.h"

namespace runner {

struct Assignment {
  VariableName variable;
  bool is_text = false;
  double number = 0;  // in variable.unit
  std::string text;
  Place place{"", 0, 0};  // where a scenario gives it; line 0 for --set
};

struct Ramp {
  VariableName variable;
  int from = 1;   // the frame it starts at, holding its value then (or `start`)
  int until = 1;  // the frame it reaches `end` at
  bool has_start = false;
  double start = 0;
  double end = 0;
  Place place;
};

struct ClickRequest {
  std::string where;  // tooltip text, "#N" (Nth area of the panel), or "LINE:..."
  int frame = 1;
  std::string event;      // M:Event as mouse_events.h spells it; empty: the area's first click kind
  Place place{"", 0, 0};  // where a scenario asks for it; line 0 for --click
};

struct EventAction {
  enum class Kind { kSet, kToggle, kIncrement, kDecrement, kSwap };
  std::string event;  // as written after K:
  Kind kind = Kind::kSet;
  VariableName variable;
  VariableName other;      // kSwap: the second variable
  bool has_value = false;  // kSet: set to `value` rather than to the event's parameter
  double value = 0;
  // kIncrement, kDecrement: by `step`, in the variable's unit, between the
  // limits given; past one, to the other (`wrap`) or stopping at it. With
  // `fraction` above 0 the step and the limits act on what is left of the
  // value after whole multiples of `fraction`, which stay (a radio's
  // fraction knob keeps the MHz with fraction = 1); with `whole` above 0, on
  // the whole multiples of `whole`, what is left staying (its whole knob
  // keeps the kHz with whole = 1).
  double step = 1;
  bool has_minimum = false;
  bool has_maximum = false;
  double minimum = 0;
  double maximum = 0;
  bool wrap = false;
  double fraction = 0;
  double whole = 0;
};

// A text, a number or a regular expression a frame must show.
struct Expected {
  bool is_text = false;
  double number = 0;
  std::string text;                           // as written; a pattern without its '~'
  std::shared_ptr<const std::regex> pattern;  // a text written "~PATTERN"
};

// What must hold after a frame has run ([[expect]]).
struct Expectation {
  static constexpr double kDefaultTolerance = 0.001;
  Place place;       // the table's
  std::string name;  // `name`, may be empty
  int frame = 1;
  double tolerance = kDefaultTolerance;  // for numbers, in the unit each is written in
  struct Text {
    std::string element;  // an element's id, or "#N": the Nth element with a text
    Expected expected;
    Place place;
  };
  struct Variable {
    VariableName variable;  // C:VELLOMAR:KEYWORD is read through the module
    Expected expected;
    Place place;
  };
  struct Event {
    std::string name;
    bool has_parameter = false;
    double parameter = 0;
  };
  std::vector<Text> texts;
  std::vector<Variable> values;  // `value` and `storage`
  bool has_events = false;       // `events` given (an empty list: none fired)
  std::vector<Event> events;
  Place events_place;
};

struct Scenario {
  std::vector<Assignment> initial;
  std::multimap<int, Assignment> changes;  // by frame
  std::vector<Ramp> ramps;
  std::vector<ClickRequest> clicks;
  std::vector<EventAction> events;
  std::vector<Expectation> expectations;  // in file order
  // Each [[at]]: its frame, its `until` (0 when none) and its place.
  struct At {
    int frame = 1;
    int until = 0;
    Place place;
  };
  std::vector<At> entries;

  // The last frame anything of the scenario names (1 for none).
  int LastFrame() const;
};

// Reads a scenario file's text; `file` names it in messages. On an error
// returns false with the reason (kUnreadable, at its place) in `*problem`.
bool ParseScenario(const std::string& file, std::string_view contents, Scenario* scenario,
                   Diagnostic* problem);

// "A:NAME, unit" into a variable a scenario may set (A:, E:, P:, M:, C: or
// L:, with a unit the units table knows, if any); false with the reason.
bool ParseVariableName(std::string_view written, VariableName* variable, std::string* problem);

// --set 'A:NAME, unit=VALUE': VALUE a number, or a text in '...' or "...".
bool ParseSetOption(std::string_view option, Assignment* assignment, std::string* problem);

// --click 'WHERE@FRAME' or 'WHERE@FRAME:EVENT'.
bool ParseClickOption(std::string_view option, ClickRequest* click, std::string* problem);

// Plays a scenario into the simulator state, frame by frame.
class ScenarioPlayer {
 public:
  // `scenario` and `sim` must outlive the player.
  ScenarioPlayer(const Scenario* scenario, SimState* sim) : scenario_(scenario), sim_(sim) {}

  // What sets an L: variable (the gauges' engine); without one, L: values
  // of the scenario are not set.
  void set_local_writer(std::function<void(const Assignment&)> writer) {
    local_writer_ = std::move(writer);
  }

  // Sets the initial values and installs the event actions.
  void Start();
  // The changes and ramps of `frame` (from 1), before it runs.
  void BeforeFrame(int frame);

  void Apply(const Assignment& assignment);

 private:
  SimVariable* Find(const VariableName& variable) const;

  const Scenario* scenario_;
  SimState* sim_;
  std::map<size_t, double> ramp_starts_;
  std::function<void(const Assignment&)> local_writer_;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_AIRCRAFT_SCENARIO_H_
