#include "runner/aircraft/scenario.h"

#include <toml++/toml.h>

#include <charconv>
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

Diagnostic Unreadable(const std::string& file, const toml::source_region& source,
                      std::string message) {
  return MakeDiagnostic(
      Severity::kUnreadable,
      Place{file, static_cast<int>(source.begin.line), static_cast<int>(source.begin.column)},
      std::move(message));
}

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
      } else {
        return Fail(node, "unknown section '" + std::string(name) +
                              "' (expected [set], [[at]] or [events])");
      }
    }
    return true;
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
    if (const auto* text = node.as_string()) {
      assignment->is_text = true;
      assignment->text = Utf8ToAnsi(text->get());  // the simulator's bytes
      return true;
    }
    if (assignment->variable.unit != nullptr &&
        assignment->variable.unit->dimension == Dimension::kText) {
      return Fail(node, assignment->variable.written + " is a text: give it in quotes");
    }
    if (const auto* integer = node.as_integer()) {
      assignment->number = static_cast<double>(integer->get());
    } else if (const auto* floating = node.as_floating_point()) {
      assignment->number = floating->get();
    } else if (const auto* boolean = node.as_boolean()) {
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
          if (!Variable(value, variable.str(), &ramp.variable)) return false;
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

  bool ReadEvent(const std::string& event, const toml::node& node) {
    const toml::table* table = node.as_table();
    if (table == nullptr) {
      return Fail(node, event + " = { toggle = \"A:NAME, unit\" } or { set = \"A:NAME, unit\" }");
    }
    EventAction action;
    action.event = event;
    const toml::node* toggle = table->get("toggle");
    const toml::node* set = table->get("set");
    const toml::node* target = toggle != nullptr ? toggle : set;
    if (target == nullptr || (toggle != nullptr && set != nullptr) || !target->is_string()) {
      return Fail(node,
                  event + ": give either toggle = \"VARIABLE, unit\" or set = \"VARIABLE, unit\"");
    }
    action.toggle = toggle != nullptr;
    if (!Variable(*target, target->as_string()->get(), &action.variable)) return false;
    if (const toml::node* value = table->get("value")) {
      if (action.toggle || !Number(*value, &action.value)) {
        return Fail(*value, event + ": value = NUMBER goes with set");
      }
      action.has_value = true;
    }
    scenario_->events.push_back(std::move(action));
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
  if (kind != 'A' && kind != 'E' && kind != 'P' && kind != 'M' && kind != 'C') {
    *problem = quoted +
               ": a scenario sets A:, E:, P:, M: and C: variables (L: and G: belong to the gauges)";
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

SimVariable* ScenarioPlayer::Find(const VariableName& variable) const {
  return sim_->Find(variable.kind, variable.callback, variable.name, variable.index);
}

void ScenarioPlayer::Apply(const Assignment& assignment, SimState* sim) {
  const VariableName& name = assignment.variable;
  SimVariable* variable = sim->Find(name.kind, name.callback, name.name, name.index);
  if (assignment.is_text) {
    sim->SetText(variable, assignment.text);
  } else {
    sim->Set(variable, name.unit, assignment.number);
  }
}

void ScenarioPlayer::Start() {
  for (const Assignment& assignment : scenario_->initial) Apply(assignment, sim_);
  for (const EventAction& action : scenario_->events) {
    SimVariable* variable = Find(action.variable);
    SimState* sim = sim_;
    const Unit* unit = action.variable.unit;
    if (action.toggle) {
      sim->OnEvent(action.event, [sim, variable](double) {
        sim->Set(variable, nullptr, variable->base != 0 ? 0 : 1);
      });
    } else {
      const bool fixed = action.has_value;
      const double value = action.value;
      sim->OnEvent(action.event, [sim, variable, unit, fixed, value](double parameter) {
        sim->Set(variable, unit, fixed ? value : parameter);
      });
    }
  }
}

void ScenarioPlayer::BeforeFrame(int frame) {
  const auto range = scenario_->changes.equal_range(frame);
  for (auto change = range.first; change != range.second; ++change) Apply(change->second, sim_);
  for (size_t i = 0; i < scenario_->ramps.size(); ++i) {
    const Ramp& ramp = scenario_->ramps[i];
    if (frame < ramp.from || frame > ramp.until) continue;
    SimVariable* variable = Find(ramp.variable);
    const Unit* unit = ramp.variable.unit;
    if (frame == ramp.from) {
      ramp_starts_[i] = ramp.has_start    ? ramp.start
                        : unit != nullptr ? FromBase(*unit, variable->base)
                                          : variable->base;
    }
    const double start = ramp_starts_[i];
    const double share =
        static_cast<double>(frame - ramp.from) / static_cast<double>(ramp.until - ramp.from);
    sim_->Set(variable, unit, start + (ramp.end - start) * share);
  }
}

}  // namespace runner
