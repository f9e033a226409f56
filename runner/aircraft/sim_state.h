// The simulated aircraft as gauge scripts see it: A:, E:, P: and M:
// variables, the C: properties of callbacks other than the module's, and the
// K: events scripts fire. Every number is held in the base unit of its
// dimension (a scenario or a script sets it in any unit of that dimension);
// reads convert to the unit asked for.
//
// A variable nobody set reads 0 (or the empty text) and is remembered, with
// the unit it was read with, so that a run can list what a gauge needed:
// the variables read while unset that nothing (the scenario, an event, a
// script) set later in the run.
#ifndef VELLOMAR_RUNNER_AIRCRAFT_SIM_STATE_H_
#define VELLOMAR_RUNNER_AIRCRAFT_SIM_STATE_H_

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "runner/base/units.h"
#include "runner/base/value.h"

namespace runner {

struct SimVariable {
  char kind = 'A';       // 'A', 'E', 'P', 'M' or 'C'
  std::string callback;  // 'C' only: the callback's name as first written
  std::string name;      // as first written
  int index = 0;         // NAME:index, 0 when none
  bool set = false;
  bool is_text = false;
  double base = 0;  // in the base unit of its dimension
  // The number as last set and its unit: read back in that unit it is the
  // number set, not a round trip through the base unit (3500 feet must not
  // read 3499.9999999999995 feet).
  const Unit* written_unit = nullptr;
  double written = 0;
  std::string text;

  // The number in `unit` (null: the base unit).
  double In(const Unit* unit) const {
    if (unit == nullptr) return base;
    return unit == written_unit ? written : FromBase(*unit, base);
  }
};

struct FiredEvent {
  int gauge = 0;
  std::string name;  // as written after K:
  double parameter = 0;
};

class SimState {
 public:
  // The variable, made unset on first request. Kind, callback and name match
  // in any case with blanks around them ignored; E: and P: are one namespace.
  // The address stays the same for the state's life.
  SimVariable* Find(char kind, std::string_view callback, std::string_view name, int index);
  // The variable if something asked for it already (a gauge's script, the
  // scenario), else null; makes nothing.
  const SimVariable* Lookup(char kind, std::string_view callback, std::string_view name,
                            int index) const;

  // Sets a number given in `unit` (null: already in base units), or a text.
  void Set(SimVariable* variable, const Unit* unit, double value);
  void SetText(SimVariable* variable, std::string text);

  // Records a K: event and runs the action installed for it, if any.
  void Fire(int gauge, std::string_view name, double parameter);
  // What an event does besides being recorded (set or toggle a variable):
  // called with the parameter each time the event fires. Names in any case.
  void OnEvent(std::string_view name, std::function<void(double parameter)> action);
  // The events fired since the last call, in order.
  std::vector<FiredEvent> TakeEvents();
  // How many events were fired since TakeEvents was last called.
  size_t fired() const { return fired_.size(); }

  // Reading an unset variable: remembered once per variable and unit.
  void NoteUnsetRead(const SimVariable& variable, std::string_view unit);
  // "A:NAME, unit" texts of the variables read while unset that are still
  // unset, in first-read order.
  std::vector<std::string> unset_reads() const;

 private:
  std::deque<SimVariable> variables_;  // stable addresses
  std::map<std::tuple<char, std::string, std::string, int>, SimVariable*> index_;
  std::map<std::string, std::function<void(double)>> actions_;
  std::vector<FiredEvent> fired_;
  std::vector<std::pair<std::string, const SimVariable*>> unset_reads_;
  std::map<std::string, bool> unset_seen_;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_AIRCRAFT_SIM_STATE_H_
