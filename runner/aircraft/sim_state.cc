#include "runner/aircraft/sim_state.h"

#include <utility>

namespace runner {

namespace {

std::string Key(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  std::string key(text.substr(begin, end - begin));
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

char KindKey(char kind) {
  if (kind >= 'a' && kind <= 'z') kind = static_cast<char>(kind - 'a' + 'A');
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

void SimState::Set(SimVariable* variable, const Unit* unit, double value) {
  variable->set = true;
  variable->is_text = false;
  variable->text.clear();
  variable->base = unit != nullptr ? ToBase(*unit, value) : value;
}

void SimState::SetText(SimVariable* variable, std::string text) {
  variable->set = true;
  variable->is_text = true;
  variable->base = 0;
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
  if (unset_seen_.emplace(Key(text), true).second) unset_reads_.push_back(text);
}

}  // namespace runner
