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
//
// A variable is written as in a script (see variable_name.h): A:NAME[:INDEX],
// UNIT; C: properties as C:CALLBACK:INDEX:NAME or C:CALLBACK:NAME:INDEX.
// Numbers may be in any unit of the variable's dimension (the units table
// converts them to its base unit); a text value needs no unit or the unit
// "string".
#ifndef VELLOMAR_RUNNER_AIRCRAFT_SCENARIO_H_
#define VELLOMAR_RUNNER_AIRCRAFT_SCENARIO_H_

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "runner/aircraft/sim_state.h"
#include "runner/aircraft/variable_name.h"
#include "runner/base/diagnostics.h"
#include "runner/base/units.h"

namespace runner {

struct Assignment {
  VariableName variable;
  bool is_text = false;
  double number = 0;  // in variable.unit
  std::string text;
};

struct Ramp {
  VariableName variable;
  int from = 1;   // the frame it starts at, holding its value then (or `start`)
  int until = 1;  // the frame it reaches `end` at
  bool has_start = false;
  double start = 0;
  double end = 0;
};

struct ClickRequest {
  std::string where;  // tooltip text, "#N" (Nth area of the panel), or "LINE:..."
  int frame = 1;
  std::string event;  // M:Event as mouse_events.h spells it; empty: the area's first click kind
};

struct EventAction {
  std::string event;  // as written after K:
  bool toggle = false;
  VariableName variable;
  bool has_value = false;  // set to `value` rather than to the event's parameter
  double value = 0;
};

struct Scenario {
  std::vector<Assignment> initial;
  std::multimap<int, Assignment> changes;  // by frame
  std::vector<Ramp> ramps;
  std::vector<ClickRequest> clicks;
  std::vector<EventAction> events;
};

// Reads a scenario file's text; `file` names it in messages. On an error
// returns false with the reason (kUnreadable, at its place) in `*problem`.
bool ParseScenario(const std::string& file, std::string_view contents, Scenario* scenario,
                   Diagnostic* problem);

// "A:NAME, unit" into a variable a scenario may set (A:, E:, P:, M: or C:,
// with a unit the units table knows, if any); false with the reason.
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

  // Sets the initial values and installs the event actions.
  void Start();
  // The changes and ramps of `frame` (from 1), before it runs.
  void BeforeFrame(int frame);

  static void Apply(const Assignment& assignment, SimState* sim);

 private:
  SimVariable* Find(const VariableName& variable) const;

  const Scenario* scenario_;
  SimState* sim_;
  std::map<size_t, double> ramp_starts_;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_AIRCRAFT_SCENARIO_H_
