#include "runner/aircraft/scenario.h"

#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "common/ascii_case.h"
#include "runner/aircraft/mouse_events.h"
#include "runner/base/ansi.h"
#include "runner/base/place.h"
#include "runner/base/text.h"

namespace runner {

namespace {

bool ParseWhole(std::string_view text, int* number) {
  text = Trim(text);
  const auto result = std::from_chars(text.data(), text.data() + text.size(), *number);
  return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size();
}

Place PlaceOf(const std::string& file, const toml::source_region& source) {
  return Place{file, static_cast<int>(source.begin.line), static_cast<int>(source.begin.column)};
}

Diagnostic Unreadable(const std::string& file, const toml::source_region& source,
                      std::string message) {
  return MakeDiagnostic(Severity::kUnreadable, PlaceOf(file, source), std::move(message));
}

// One variable of the simulated aircraft (or one L: variable) however it is
// written: E: and P: are one namespace, names in any case.
std::string VariableKey(const VariableName& variable) {
  const char kind = variable.kind == 'E' ? 'P' : variable.kind;
  return std::string(1, kind) + "|" + vellomar::FoldAscii(variable.callback) + "|" +
         vellomar::FoldAscii(variable.name) + "|" + std::to_string(variable.index);
}

bool IsTextUnit(const VariableName& variable) {
  return variable.unit != nullptr && variable.unit->dimension == Dimension::kText;
}

// "12 (line 4)" style mention of another entry.
std::string LineOf(const Place& place) { return "line " + std::to_string(place.line); }

class Reader {
 public:
  Reader(const std::string& file, Scenario* scenario) : file_(file), scenario_(scenario) {}

  bool Read(const toml::table& root) {
    for (const auto& [key, node] : root) {
      const std::string_view name = key.str();
      if (name == "set") {
        const toml::table* table = node.as_table();
        if (table == nullptr) return Fail(node, "[set] must be a table of variables");
        if (!ReadAssignments(
                *table, [this](Assignment a) { scenario_->initial.push_back(std::move(a)); })) {
          return false;
        }
      } else if (name == "at") {
        const toml::array* array = node.as_array();
        if (array == nullptr) return Fail(node, "'at' must be written [[at]]");
        for (const toml::node& entry : *array) {
          const toml::table* table = entry.as_table();
          if (table == nullptr || !ReadAt(*table)) {
            return table == nullptr ? Fail(entry, "each [[at]] must be a table") : false;
          }
        }
      } else if (name == "events") {
        const toml::table* table = node.as_table();
        if (table == nullptr) return Fail(node, "[events] must be a table of K: events");
        for (const auto& [event, action] : *table) {
          if (!ReadEvent(std::string(event.str()), action)) return false;
        }
      } else if (name == "expect") {
        const toml::array* array = node.as_array();
        if (array == nullptr) return Fail(node, "'expect' must be written [[expect]]");
        for (const toml::node& entry : *array) {
          const toml::table* table = entry.as_table();
          if (table == nullptr) return Fail(entry, "each [[expect]] must be a table");
          if (!ReadExpect(*table)) return false;
        }
      } else {
        return Fail(node, "unknown section '" + std::string(name) +
                              "' (expected [set], [[at]], [events] or [[expect]])");
      }
    }
    return CheckOverlaps();
  }

  Diagnostic problem;

 private:
  bool Fail(const toml::node& node, std::string message) {
    problem = Unreadable(file_, node.source(), std::move(message));
    return false;
  }

  bool Variable(const toml::node& node, std::string_view written, VariableName* variable) {
    std::string reason;
    if (!ParseVariableName(written, variable, &reason)) return Fail(node, reason);
    return true;
  }

  bool Value(const toml::node& node, Assignment* assignment) {
    const VariableName& variable = assignment->variable;
    assignment->place = PlaceOf(file_, node.source());
    if (const auto* text = node.as_string()) {
      if (variable.kind == 'L') {
        return Fail(node, "'" + variable.written + "': L: variables hold numbers, not texts");
      }
      if (variable.unit != nullptr && !IsTextUnit(variable)) {
        return Fail(node, "'" + variable.written + "' is a number in " + variable.unit_name +
                              ", not a text: give a number, or the unit string");
      }
      assignment->is_text = true;
      assignment->text = Utf8ToAnsi(text->get());  // the simulator's bytes
      return true;
    }
    if (IsTextUnit(variable)) {
      return Fail(node, variable.written + " is a text: give it in quotes");
    }
    if (const auto* integer = node.as_integer()) {
      assignment->number = static_cast<double>(integer->get());
    } else if (const auto* floating = node.as_floating_point()) {
      assignment->number = floating->get();
    } else if (const auto* boolean = node.as_boolean()) {
      if (variable.unit != nullptr && variable.unit->dimension != Dimension::kNumber) {
        return Fail(node, "'" + variable.written + "' is in " + variable.unit_name +
                              ": true and false are for bool or number units");
      }
      assignment->number = boolean->get() ? 1 : 0;
    } else {
      return Fail(
          node, assignment->variable.written + ": a value must be a number, true/false or a text");
    }
    return true;
  }

  template <typename Sink>
  bool ReadAssignments(const toml::table& table, Sink sink) {
    for (const auto& [key, node] : table) {
      Assignment assignment;
      if (!Variable(node, key.str(), &assignment.variable) || !Value(node, &assignment)) {
        return false;
      }
      sink(std::move(assignment));
    }
    return true;
  }

  static bool Number(const toml::node& node, double* number) {
    if (const auto* integer = node.as_integer()) {
      *number = static_cast<double>(integer->get());
      return true;
    }
    if (const auto* floating = node.as_floating_point()) {
      *number = floating->get();
      return true;
    }
    return false;
  }

  bool Frame(const toml::table& table, const char* key, int* frame) {
    const toml::node* node = table.get(key);
    if (node == nullptr) return true;
    const auto* integer = node->as_integer();
    if (integer == nullptr || integer->get() < 1 || integer->get() > 1000000000) {
      return Fail(*node, std::string("'") + key + "' must be a frame number from 1");
    }
    *frame = static_cast<int>(integer->get());
    return true;
  }

  bool ReadAt(const toml::table& table) {
    int frame = 0;
    int until = 0;
    if (!Frame(table, "frame", &frame) || !Frame(table, "until", &until)) return false;
    if (frame == 0) return Fail(table, "[[at]] needs frame = N");
    scenario_->entries.push_back({frame, until, PlaceOf(file_, table.source())});
    for (const auto& [key, node] : table) {
      const std::string_view name = key.str();
      if (name == "frame" || name == "until") continue;
      if (name == "set") {
        const toml::table* sets = node.as_table();
        if (sets == nullptr) return Fail(node, "set = { \"A:NAME, unit\" = VALUE, ... }");
        if (!ReadAssignments(*sets, [this, frame](Assignment a) {
              scenario_->changes.emplace(frame, std::move(a));
            })) {
          return false;
        }
      } else if (name == "ramp") {
        const toml::table* ramps = node.as_table();
        if (ramps == nullptr) return Fail(node, "ramp = { \"A:NAME, unit\" = END, ... }");
        if (until <= frame) return Fail(node, "a ramp needs until = a frame after frame");
        for (const auto& [variable, value] : *ramps) {
          Ramp ramp;
          ramp.from = frame;
          ramp.until = until;
          ramp.place = PlaceOf(file_, value.source());
          if (!Variable(value, variable.str(), &ramp.variable)) return false;
          if (ramp.variable.kind == 'L' || IsTextUnit(ramp.variable)) {
            return Fail(value, "'" + ramp.variable.written +
                                   "': a ramp changes a number of the simulated aircraft");
          }
          if (const auto* pair = value.as_array(); pair != nullptr && pair->size() == 2) {
            ramp.has_start = Number(*pair->get(0), &ramp.start);
            if (!ramp.has_start || !Number(*pair->get(1), &ramp.end)) {
              return Fail(value, "a ramp goes to a number, or [START, END]");
            }
          } else if (!Number(value, &ramp.end)) {
            return Fail(value, "a ramp goes to a number, or [START, END]");
          }
          scenario_->ramps.push_back(std::move(ramp));
        }
      } else if (name == "click") {
        const auto add = [&](const toml::node& entry) {
          const auto* where = entry.as_string();
          if (where == nullptr)
            return Fail(entry, "click = \"TOOLTIP\" or \"#N\", or a list of them");
          ClickRequest click;
          click.frame = frame;
          click.place = PlaceOf(file_, entry.source());
          std::string_view text = where->get();
          // "WHERE:EVENT" picks the mouse event; a tooltip may hold ':' too,
          // so only a known event name after the last ':' counts.
          const size_t colon = text.rfind(':');
          if (colon != std::string_view::npos && !MouseEventName(text.substr(colon + 1)).empty()) {
            click.event = std::string(MouseEventName(text.substr(colon + 1)));
            text = text.substr(0, colon);
          }
          click.where = std::string(text);
          scenario_->clicks.push_back(std::move(click));
          return true;
        };
        if (const toml::array* list = node.as_array()) {
          for (const toml::node& entry : *list) {
            if (!add(entry)) return false;
          }
        } else if (!add(node)) {
          return false;
        }
      } else {
        return Fail(node, "unknown key '" + std::string(name) +
                              "' in [[at]] (expected frame, until, set, ramp or click)");
      }
    }
    return true;
  }

  // A variable of the simulated aircraft an event changes.
  bool EventVariable(const toml::node& node, const std::string& event, VariableName* variable) {
    if (!node.is_string()) return Fail(node, event + ": the variable is a text in quotes");
    if (!Variable(node, node.as_string()->get(), variable)) return false;
    if (variable->kind == 'L') {
      return Fail(node, event + ": events change the simulated aircraft, not L: variables");
    }
    return true;
  }

  bool ReadEvent(const std::string& event, const toml::node& node) {
    using Kind = EventAction::Kind;
    static const std::pair<const char*, Kind> kKinds[] = {{"set", Kind::kSet},
                                                          {"toggle", Kind::kToggle},
                                                          {"increment", Kind::kIncrement},
                                                          {"decrement", Kind::kDecrement},
                                                          {"swap", Kind::kSwap}};
    const std::string usage =
        "toggle = VARIABLE, set = VARIABLE, increment = VARIABLE, decrement = VARIABLE or "
        "swap = [VARIABLE, VARIABLE]";
    const toml::table* table = node.as_table();
    if (table == nullptr) return Fail(node, event + " = { ACTION }, ACTION one of " + usage);
    EventAction action;
    action.event = event;
    const toml::node* target = nullptr;
    for (const auto& [kind_name, kind] : kKinds) {
      const toml::node* found = table->get(kind_name);
      if (found == nullptr) continue;
      if (target != nullptr) {
        std::string message = event + ": give only one of ";
        message += usage;
        return Fail(*found, message);
      }
      target = found;
      action.kind = kind;
    }
    if (target == nullptr) return Fail(node, event + ": give either " + usage);
    const bool stepping = action.kind == Kind::kIncrement || action.kind == Kind::kDecrement;
    for (const auto& [key, value] : *table) {
      const std::string_view name = key.str();
      const bool fits = (name == "value" && action.kind == Kind::kSet) ||
                        (stepping && (name == "step" || name == "min" || name == "max" ||
                                      name == "wrap" || name == "fraction" || name == "whole")) ||
                        &value == target;
      if (!fits) {
        return Fail(value, event + ": '" + std::string(name) +
                               "' does not go here (set takes value; increment and decrement "
                               "take step, min, max, wrap, fraction and whole)");
      }
    }
    if (action.kind == Kind::kSwap) {
      const toml::array* pair = target->as_array();
      if (pair == nullptr || pair->size() != 2) {
        return Fail(*target, event + ": swap = [\"VARIABLE, unit\", \"VARIABLE, unit\"]");
      }
      if (!EventVariable(*pair->get(0), event, &action.variable) ||
          !EventVariable(*pair->get(1), event, &action.other)) {
        return false;
      }
      const Unit* a = action.variable.unit;
      const Unit* b = action.other.unit;
      if (a != nullptr && b != nullptr && a->dimension != b->dimension) {
        return Fail(*target,
                    event + ": " + a->name + " and " + b->name + " do not measure the same thing");
      }
      scenario_->events.push_back(std::move(action));
      return true;
    }
    if (!EventVariable(*target, event, &action.variable)) return false;
    if (const toml::node* value = table->get("value")) {
      if (!Number(*value, &action.value)) return Fail(*value, event + ": value = NUMBER");
      action.has_value = true;
    }
    if (stepping) {
      if (IsTextUnit(action.variable)) return Fail(*target, event + ": a text has no steps");
      const auto number = [&](const char* key, bool* has, double* out) {
        const toml::node* found = table->get(key);
        if (found == nullptr) return true;
        if (!Number(*found, out)) return Fail(*found, event + ": " + key + " = NUMBER");
        if (has != nullptr) *has = true;
        return true;
      };
      if (!number("step", nullptr, &action.step) ||
          !number("min", &action.has_minimum, &action.minimum) ||
          !number("max", &action.has_maximum, &action.maximum) ||
          !number("fraction", nullptr, &action.fraction) ||
          !number("whole", nullptr, &action.whole)) {
        return false;
      }
      if (const toml::node* wrap = table->get("wrap")) {
        if (!wrap->is_boolean()) return Fail(*wrap, event + ": wrap = true or false");
        action.wrap = wrap->as_boolean()->get();
      }
      if (!(action.step > 0)) return Fail(node, event + ": step must be above 0");
      if (action.fraction < 0 || action.whole < 0 || (action.fraction > 0 && action.whole > 0)) {
        return Fail(node, event + ": give fraction or whole, above 0, not both");
      }
      if (action.has_minimum && action.has_maximum && action.minimum > action.maximum) {
        return Fail(node, event + ": min is above max");
      }
      if (action.wrap && !(action.has_minimum && action.has_maximum)) {
        return Fail(node, event + ": wrap needs both min and max");
      }
    }
    scenario_->events.push_back(std::move(action));
    return true;
  }

  // A text or a number an expectation wants; "~..." is a regular expression.
  bool ReadExpected(const toml::node& node, const std::string& what, Expected* expected) {
    if (const auto* text = node.as_string()) {
      expected->is_text = true;
      const std::string& written = text->get();
      if (!written.empty() && written[0] == '~') {
        expected->text = written.substr(1);
        try {
          expected->pattern = std::make_shared<const std::regex>(expected->text);
        } catch (const std::regex_error& error) {
          return Fail(node, what + ": '" + expected->text +
                                "' is not a regular expression: " + error.what());
        }
      } else {
        expected->text = written;
      }
      return true;
    }
    if (const auto* boolean = node.as_boolean()) {
      expected->number = boolean->get() ? 1 : 0;
      return true;
    }
    if (!Number(node, &expected->number)) {
      return Fail(node, what + ": expect a number, true/false or a text");
    }
    return true;
  }

  bool ReadExpect(const toml::table& table) {
    Expectation expectation;
    expectation.place = PlaceOf(file_, table.source());
    int frame = 0;
    if (!Frame(table, "frame", &frame)) return false;
    if (frame == 0) return Fail(table, "[[expect]] needs frame = N");
    expectation.frame = frame;
    if (const toml::node* tolerance = table.get("tolerance")) {
      if (!Number(*tolerance, &expectation.tolerance) || !(expectation.tolerance >= 0)) {
        return Fail(*tolerance, "tolerance = a number from 0");
      }
    }
    for (const auto& [key, node] : table) {
      const std::string_view name = key.str();
      if (name == "frame" || name == "tolerance") continue;
      if (name == "name") {
        if (!node.is_string()) return Fail(node, "name = \"TEXT\"");
        expectation.name = node.as_string()->get();
      } else if (name == "text") {
        const toml::table* texts = node.as_table();
        if (texts == nullptr) return Fail(node, "text = { \"ELEMENT or #N\" = \"TEXT\", ... }");
        for (const auto& [element, value] : *texts) {
          Expectation::Text text;
          text.element = std::string(Trim(element.str()));
          text.place = PlaceOf(file_, value.source());
          if (!value.is_string())
            return Fail(value, "the text of '" + text.element + "': \"TEXT\"");
          if (!ReadExpected(value, "text of '" + text.element + "'", &text.expected)) return false;
          expectation.texts.push_back(std::move(text));
        }
      } else if (name == "value" || name == "storage") {
        const toml::table* values = node.as_table();
        if (values == nullptr) {
          return Fail(node, std::string(name) + " = { \"VARIABLE, unit\" = VALUE, ... }");
        }
        for (const auto& [written, value] : *values) {
          Expectation::Variable check;
          check.place = PlaceOf(file_, value.source());
          if (!Variable(value, written.str(), &check.variable)) return false;
          const bool module = check.variable.kind == 'C' &&
                              vellomar::FoldAscii(check.variable.callback) == "vellomar";
          if (name == "storage" && !module) {
            return Fail(value, "'" + check.variable.written +
                                   "': storage is read by module keyword, C:VELLOMAR:KEYWORD");
          }
          if (!ReadExpected(value, "'" + check.variable.written + "'", &check.expected)) {
            return false;
          }
          if (check.variable.kind == 'L' && check.expected.is_text) {
            return Fail(value, "'" + check.variable.written + "': L: variables hold numbers");
          }
          expectation.values.push_back(std::move(check));
        }
      } else if (name == "events") {
        const toml::array* events = node.as_array();
        if (events == nullptr) return Fail(node, "events = [\"NAME\", \"NAME PARAMETER\", ...]");
        expectation.has_events = true;
        expectation.events_place = PlaceOf(file_, node.source());
        for (const toml::node& entry : *events) {
          const auto* text = entry.as_string();
          if (text == nullptr) return Fail(entry, "an event is \"NAME\" or \"NAME PARAMETER\"");
          std::string_view written = Trim(text->get());
          Expectation::Event event;
          const size_t blank = written.find_first_of(" \t");
          event.name = std::string(written.substr(0, blank));
          if (event.name.size() > 2 && (event.name[0] == 'K' || event.name[0] == 'k') &&
              event.name[1] == ':') {
            event.name = event.name.substr(2);
          }
          if (blank != std::string_view::npos) {
            const std::string parameter(Trim(written.substr(blank)));
            char* end = nullptr;
            event.parameter = std::strtod(parameter.c_str(), &end);
            if (parameter.empty() || end != parameter.c_str() + parameter.size()) {
              return Fail(entry, "'" + std::string(written) +
                                     "': an event is NAME or NAME PARAMETER, a number");
            }
            event.has_parameter = true;
          }
          if (event.name.empty()) return Fail(entry, "an event needs a name");
          expectation.events.push_back(std::move(event));
        }
      } else {
        return Fail(node, "unknown key '" + std::string(name) +
                              "' in [[expect]] (expected frame, name, text, value, events, "
                              "storage or tolerance)");
      }
    }
    scenario_->expectations.push_back(std::move(expectation));
    return true;
  }

  // A ramp owns its variable from its first frame to its last: a set or
  // another ramp of that variable then would be lost.
  bool CheckOverlaps() {
    const std::vector<Ramp>& ramps = scenario_->ramps;
    for (size_t i = 0; i < ramps.size(); ++i) {
      const Ramp& ramp = ramps[i];
      const std::string key = VariableKey(ramp.variable);
      const std::string span = "ramped from frame " + std::to_string(ramp.from) + " to " +
                               std::to_string(ramp.until) + " (" + LineOf(ramp.place) + ")";
      for (const auto& [frame, change] : scenario_->changes) {
        if (frame < ramp.from || frame > ramp.until || VariableKey(change.variable) != key) {
          continue;
        }
        const Place& later = change.place.line > ramp.place.line ? change.place : ramp.place;
        problem = MakeDiagnostic(Severity::kUnreadable, later,
                                 "'" + change.variable.written + "' is set at frame " +
                                     std::to_string(frame) + " (" + LineOf(change.place) +
                                     ") and " + span + ": one frame gives a variable one value");
        return false;
      }
      for (size_t j = i + 1; j < ramps.size(); ++j) {
        const Ramp& other = ramps[j];
        if (other.from > ramp.until || other.until < ramp.from ||
            VariableKey(other.variable) != key) {
          continue;
        }
        problem = MakeDiagnostic(Severity::kUnreadable, other.place,
                                 "'" + other.variable.written + "' is " + span +
                                     " and again from frame " + std::to_string(other.from) +
                                     " to " + std::to_string(other.until) +
                                     ": one frame gives a variable one value");
        return false;
      }
    }
    return true;
  }

  const std::string& file_;
  Scenario* scenario_;
};

}  // namespace

bool ParseVariableName(std::string_view written, VariableName* variable, std::string* problem) {
  VariableNameError error = VariableNameError::kNone;
  const bool parsed = ParseVariableName(written, variable, &error);
  const std::string quoted = "'" + variable->written + "'";
  if (error == VariableNameError::kNoKind) {
    *problem = quoted + " is not a variable: write KIND:NAME, unit";
    return false;
  }
  const char kind = variable->kind;
  if (kind != 'A' && kind != 'E' && kind != 'P' && kind != 'M' && kind != 'C' && kind != 'L') {
    *problem =
        quoted + ": a scenario sets A:, E:, P:, M:, C: and L: variables (G: belong to each gauge)";
    return false;
  }
  switch (error) {
    case VariableNameError::kNone:
      break;
    case VariableNameError::kNoProperty:
    case VariableNameError::kNoCallback:
      *problem = quoted + ": write C:CALLBACK:NAME";
      return false;
    case VariableNameError::kNoUnit:
      *problem = quoted + ": units missing after ','";
      return false;
    case VariableNameError::kNoKind:
    case VariableNameError::kNoName:
    case VariableNameError::kNoPropertyName:
      *problem = quoted + " has no name";
      return false;
  }
  if (!parsed || variable->name.empty()) {
    *problem = quoted + " has no name";
    return false;
  }
  if (variable->has_unit && variable->unit == nullptr) {
    *problem = quoted + ": unknown unit '" + variable->unit_name + "'";
    return false;
  }
  return true;
}

bool ParseScenario(const std::string& file, std::string_view contents, Scenario* scenario,
                   Diagnostic* problem) {
  *scenario = Scenario();
  if (contents.size() >= 3 && contents.substr(0, 3) == "\xEF\xBB\xBF") contents.remove_prefix(3);
  toml::table root;
  try {
    root = toml::parse(contents, file);
  } catch (const toml::parse_error& error) {
    *problem = Unreadable(file, error.source(), std::string(error.description()));
    return false;
  }
  Reader reader(file, scenario);
  if (!reader.Read(root)) {
    *problem = reader.problem;
    return false;
  }
  return true;
}

bool ParseSetOption(std::string_view option, Assignment* assignment, std::string* problem) {
  *assignment = Assignment();
  const size_t equals = option.find('=');
  if (equals == std::string_view::npos) {
    *problem = "--set needs 'KIND:NAME, unit=VALUE', not '" + std::string(option) + "'";
    return false;
  }
  if (!ParseVariableName(option.substr(0, equals), &assignment->variable, problem)) return false;
  const std::string_view value = Trim(option.substr(equals + 1));
  if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
      value.back() == value.front()) {
    // A text where the variable holds a number is refused, as in a scenario.
    const VariableName& variable = assignment->variable;
    if (variable.kind == 'L' || (variable.unit != nullptr && !IsTextUnit(variable))) {
      *problem = "--set " + variable.written + " holds numbers" +
                 (variable.unit != nullptr ? " in " + variable.unit_name : std::string()) +
                 ", not a text: give a number";
      return false;
    }
    // As in a script's text, two quotes in a row stand for one.
    const char quote = value.front();
    assignment->is_text = true;
    std::string written;
    for (size_t i = 1; i + 1 < value.size(); ++i) {
      written.push_back(value[i]);
      if (value[i] == quote && value[i + 1] == quote && i + 2 < value.size()) ++i;
    }
    assignment->text = Utf8ToAnsi(written);  // the simulator's bytes
    return true;
  }
  const std::string number(value);
  // 'A:X feet=3' would otherwise set a variable called "X feet" in base units.
  const char kind = assignment->variable.kind;
  if (assignment->variable.unit == nullptr && (kind == 'A' || kind == 'E' || kind == 'P')) {
    *problem = "--set " + assignment->variable.written + ": give the unit after a comma, as in '" +
               std::string(1, kind) + ":NAME, feet=" + number + "'";
    return false;
  }
  if (assignment->variable.unit != nullptr &&
      assignment->variable.unit->dimension == Dimension::kText) {
    assignment->is_text = true;
    assignment->text = number;
    return true;
  }
  // true and false, as a scenario writes them, are 1 and 0.
  if (vellomar::EqualFolded(number, "true") || vellomar::EqualFolded(number, "false")) {
    assignment->number = vellomar::EqualFolded(number, "true") ? 1 : 0;
    return true;
  }
  char* end = nullptr;
  assignment->number = std::strtod(number.c_str(), &end);
  if (number.empty() || end != number.c_str() + number.size()) {
    *problem = "--set " + assignment->variable.written + ": '" + number +
               "' is neither a number, true, false nor a quoted text";
    return false;
  }
  return true;
}

bool ParseClickOption(std::string_view option, ClickRequest* click, std::string* problem) {
  *click = ClickRequest();
  const size_t at = option.rfind('@');
  std::string_view frame =
      at == std::string_view::npos ? std::string_view() : option.substr(at + 1);
  std::string_view event;
  const size_t colon = frame.find(':');
  if (colon != std::string_view::npos) {
    event = frame.substr(colon + 1);
    frame = frame.substr(0, colon);
  }
  if (at == std::string_view::npos || at == 0 || !ParseWhole(frame, &click->frame) ||
      click->frame < 1) {
    *problem = "--click needs 'WHERE@FRAME' (WHERE a tooltip text or #N), not '" +
               std::string(option) + "'";
    return false;
  }
  click->where = std::string(option.substr(0, at));
  if (colon != std::string_view::npos) {
    click->event = std::string(MouseEventName(event));
    if (click->event.empty()) {
      *problem = "--click '" + std::string(option) + "': no mouse event is called '" +
                 std::string(Trim(event)) + "' (LeftSingle, RightSingle, WheelUp...)";
      return false;
    }
  }
  return true;
}

int Scenario::LastFrame() const {
  int last = 1;
  if (!changes.empty()) last = std::max(last, changes.rbegin()->first);
  for (const Ramp& ramp : ramps) last = std::max(last, ramp.until);
  for (const ClickRequest& click : clicks) last = std::max(last, click.frame);
  for (const Expectation& expectation : expectations) last = std::max(last, expectation.frame);
  for (const At& at : entries) last = std::max({last, at.frame, at.until});
  return last;
}

namespace {

// Twelve significant digits: steps of 0.025 MHz stay on their grid however
// many times a knob turns.
double Tidy(double value) {
  if (!std::isfinite(value) || value == 0) return value;
  const double scale = std::pow(10.0, 11 - std::floor(std::log10(std::fabs(value))));
  return std::isfinite(scale) ? std::round(value * scale) / scale : value;
}

// An increment or a decrement of `value` (in the action's unit).
double Step(const EventAction& action, double value) {
  const double slack = action.step * 1e-9;
  // `part` steps, `kept` stays.
  double kept = 0;
  double part = value;
  const double size = action.fraction > 0 ? action.fraction : action.whole;
  if (size > 0) {
    const double multiples = std::floor(value / size + 1e-9) * size;
    kept = action.fraction > 0 ? multiples : value - multiples;
    part = value - kept;
  }
  part += action.kind == EventAction::Kind::kIncrement ? action.step : -action.step;
  if (action.has_maximum && part > action.maximum + slack) {
    part = action.wrap ? action.minimum : action.maximum;
  } else if (action.has_minimum && part < action.minimum - slack) {
    part = action.wrap ? action.maximum : action.minimum;
  }
  return Tidy(kept + part);
}

}  // namespace

SimVariable* ScenarioPlayer::Find(const VariableName& variable) const {
  return sim_->Find(variable.kind, variable.callback, variable.name, variable.index);
}

void ScenarioPlayer::Apply(const Assignment& assignment) {
  const VariableName& name = assignment.variable;
  if (name.kind == 'L') {
    if (local_writer_) local_writer_(assignment);
    return;
  }
  SimVariable* variable = Find(name);
  if (assignment.is_text) {
    sim_->SetText(variable, assignment.text);
  } else {
    sim_->Set(variable, name.unit, assignment.number);
  }
}

void ScenarioPlayer::Start() {
  for (const Assignment& assignment : scenario_->initial) Apply(assignment);
  // Every variable the scenario names exists from the start, set or not.
  for (const auto& [frame, change] : scenario_->changes) {
    if (change.variable.kind != 'L') Find(change.variable);
  }
  for (const Ramp& ramp : scenario_->ramps) Find(ramp.variable);
  for (const EventAction& action : scenario_->events) {
    SimVariable* variable = Find(action.variable);
    SimState* sim = sim_;
    const Unit* unit = action.variable.unit;
    switch (action.kind) {
      case EventAction::Kind::kToggle:
        sim->OnEvent(action.event, [sim, variable](double) {
          sim->Set(variable, nullptr, variable->base != 0 ? 0 : 1);
        });
        break;
      case EventAction::Kind::kSet: {
        const bool fixed = action.has_value;
        const double value = action.value;
        sim->OnEvent(action.event, [sim, variable, unit, fixed, value](double parameter) {
          sim->Set(variable, unit, fixed ? value : parameter);
        });
        break;
      }
      case EventAction::Kind::kIncrement:
      case EventAction::Kind::kDecrement:
        sim->OnEvent(action.event, [sim, variable, unit, action](double) {
          const double value = variable->In(unit);
          sim->Set(variable, unit, Step(action, value));
        });
        break;
      case EventAction::Kind::kSwap: {
        SimVariable* other = Find(action.other);
        sim->OnEvent(action.event, [variable, other](double) {
          std::swap(variable->is_text, other->is_text);
          std::swap(variable->base, other->base);
          std::swap(variable->written_unit, other->written_unit);
          std::swap(variable->written, other->written);
          std::swap(variable->text, other->text);
          variable->set = other->set = true;  // the event gave both their values
        });
        break;
      }
    }
  }
}

void ScenarioPlayer::BeforeFrame(int frame) {
  const auto range = scenario_->changes.equal_range(frame);
  for (auto change = range.first; change != range.second; ++change) Apply(change->second);
  for (size_t i = 0; i < scenario_->ramps.size(); ++i) {
    const Ramp& ramp = scenario_->ramps[i];
    if (frame < ramp.from || frame > ramp.until) continue;
    SimVariable* variable = Find(ramp.variable);
    const Unit* unit = ramp.variable.unit;
    if (frame == ramp.from) {
      ramp_starts_[i] = ramp.has_start ? ramp.start : variable->In(unit);
    }
    const double start = ramp_starts_[i];
    const double share =
        static_cast<double>(frame - ramp.from) / static_cast<double>(ramp.until - ramp.from);
    sim_->Set(variable, unit, start + (ramp.end - start) * share);
  }
}

}  // namespace runner
