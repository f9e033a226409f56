#include "runner/aircraft/mouse_events.h"

#include <string>

#include "common/ascii_case.h"
#include "runner/base/text.h"

namespace runner {

namespace {

enum class Button { kNone, kLeft, kRight, kMiddle };

struct MouseEvent {
  std::string_view name;
  Button button;
};

constexpr MouseEvent kEvents[] = {
    {"LeftSingle", Button::kLeft},      {"RightSingle", Button::kRight},
    {"MiddleSingle", Button::kMiddle},  {"LeftDouble", Button::kLeft},
    {"RightDouble", Button::kRight},    {"MiddleDouble", Button::kMiddle},
    {"LeftDrag", Button::kLeft},        {"RightDrag", Button::kRight},
    {"MiddleDrag", Button::kMiddle},    {"Move", Button::kNone},
    {"LeftRelease", Button::kLeft},     {"RightRelease", Button::kRight},
    {"MiddleRelease", Button::kMiddle}, {"WheelUp", Button::kNone},
    {"WheelDown", Button::kNone},       {"Leave", Button::kNone},
};

// The combinations a kind list may name, each with the event a click on it
// makes when none is asked for.
struct Combination {
  std::string_view name;
  Button button;
  std::string_view first;
};

constexpr Combination kCombinations[] = {
    {"LeftAll", Button::kLeft, "LeftSingle"},
    {"RightAll", Button::kRight, "RightSingle"},
    {"MiddleAll", Button::kMiddle, "MiddleSingle"},
};

const MouseEvent* FindEvent(std::string_view name) {
  name = Trim(name);
  for (const MouseEvent& event : kEvents) {
    if (vellomar::EqualFolded(event.name, name)) return &event;
  }
  return nullptr;
}

const Combination* FindCombination(std::string_view name) {
  name = Trim(name);
  for (const Combination& combination : kCombinations) {
    if (vellomar::EqualFolded(combination.name, name)) return &combination;
  }
  return nullptr;
}

// The kinds of a list joined by '+', each trimmed, to `take` until it says stop.
template <typename Take>
void ForEachKind(std::string_view kinds, Take take) {
  size_t start = 0;
  while (start <= kinds.size()) {
    size_t end = kinds.find('+', start);
    if (end == std::string_view::npos) end = kinds.size();
    if (!take(Trim(kinds.substr(start, end - start)))) return;
    start = end + 1;
  }
}

}  // namespace

std::string_view MouseEventName(std::string_view name) {
  const MouseEvent* event = FindEvent(name);
  return event != nullptr ? event->name : std::string_view();
}

bool MouseKindsTake(std::string_view kinds, std::string_view event) {
  const MouseEvent* known = FindEvent(event);
  if (Trim(kinds).empty()) return known != nullptr && known->name == "LeftSingle";
  bool taken = false;
  ForEachKind(kinds, [&](std::string_view kind) {
    const Combination* combination = FindCombination(kind);
    taken = vellomar::EqualFolded(kind, Trim(event)) ||
            (combination != nullptr && known != nullptr && known->button == combination->button);
    return !taken;
  });
  return taken;
}

std::string_view FirstMouseEvent(std::string_view kinds) {
  const size_t plus = kinds.find('+');
  const std::string_view kind = Trim(kinds.substr(0, plus));
  if (const Combination* combination = FindCombination(kind)) return combination->first;
  if (const MouseEvent* event = FindEvent(kind)) return event->name;
  return kind;
}

}  // namespace runner
