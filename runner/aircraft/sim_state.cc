#include "runner/aircraft/sim_state.h"

#include <utility>

#include "common/ascii_case.h"
#include "runner/base/text.h"

namespace runner {

namespace {

// Names match in any case, blanks around them ignored.
std::string Key(std::string_view text) { return vellomar::FoldAscii(std::string(Trim(text))); }

char KindKey(char kind) {
  kind = vellomar::UpperAscii(kind);
  return kind == 'E' ? 'P' : kind;
}

}  // namespace

SimVariable* SimState::Find(char kind, std::string_view callback, std::string_view name,
                            int index) {
  auto key = std::make_tuple(KindKey(kind), Key(callback), Key(name), index);
  auto found = index_.find(key);
  if (found != index_.end()) return found->second;
  SimVariable variable;
  variable.kind = kind;
  variable.callback = std::string(callback);
  variable.name = std::string(name);
  variable.index = index;
  variables_.push_back(std::move(variable));
  index_.emplace(std::move(key), &variables_.back());
  return &variables_.back();
}

const SimVariable* SimState::Lookup(char kind, std::string_view callback, std::string_view name,
                                    int index) const {
  const auto found = index_.find(std::make_tuple(KindKey(kind), Key(callback), Key(name), index));
  return found != index_.end() ? found->second : nullptr;
}

void SimState::Set(SimVariable* variable, const Unit* unit, double value) {
  variable->set = true;
  variable->is_text = false;
  variable->text.clear();
  variable->base = unit != nullptr ? ToBase(*unit, value) : value;
  variable->written_unit = unit;
  variable->written = value;
}

void SimState::SetText(SimVariable* variable, std::string text) {
  variable->set = true;
  variable->is_text = true;
  variable->base = 0;
  variable->written_unit = nullptr;
  variable->written = 0;
  variable->text = std::move(text);
}

void SimState::Fire(int gauge, std::string_view name, double parameter) {
  fired_.push_back({gauge, std::string(name), parameter});
  auto action = actions_.find(Key(name));
  if (action != actions_.end()) action->second(parameter);
}

void SimState::OnEvent(std::string_view name, std::function<void(double parameter)> action) {
  actions_[Key(name)] = std::move(action);
}

std::vector<FiredEvent> SimState::TakeEvents() {
  std::vector<FiredEvent> events;
  events.swap(fired_);
  return events;
}

void SimState::NoteUnsetRead(const SimVariable& variable, std::string_view unit) {
  std::string text(1, variable.kind);
  text += ':';
  // As scripts write it: C:CALLBACK:INDEX:NAME, but A:NAME:INDEX.
  if (!variable.callback.empty()) {
    text += variable.callback + ":";
    if (variable.index != 0) text += std::to_string(variable.index) + ":";
    text += variable.name;
  } else {
    text += variable.name;
    if (variable.index != 0) text += ":" + std::to_string(variable.index);
  }
  if (!unit.empty()) text += ", " + std::string(unit);
  if (unset_seen_.emplace(Key(text), true).second) unset_reads_.emplace_back(text, &variable);
}

std::vector<std::string> SimState::unset_reads() const {
  std::vector<std::string> names;
  for (const auto& [name, variable] : unset_reads_) {
    if (!variable->set) names.push_back(name);
  }
  return names;
}

}  // namespace runner
