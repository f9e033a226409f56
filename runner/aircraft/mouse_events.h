// The mouse events a pilot's click can be, by the names gauge files give them
// (a <ClickType> lists them joined by '+'), scripts read from (M:Event) and
// scenarios and --click write. Names match in any case; the table's spelling
// is the one shown.
#ifndef VELLOMAR_RUNNER_AIRCRAFT_MOUSE_EVENTS_H_
#define VELLOMAR_RUNNER_AIRCRAFT_MOUSE_EVENTS_H_

#include <string_view>

namespace runner {

// The event called `name` (blanks around it ignored) as the table spells it:
// "RightSingle" for "rightsingle"; empty when no event is called that. The
// combinations LeftAll, RightAll and MiddleAll are kinds of clicks, not
// events.
std::string_view MouseEventName(std::string_view name);

// Whether a click kind list ("LeftSingle+LeftDrag", "LeftAll") takes `event`.
// An empty list (a <Click> with no Kind, a <MouseClick> with no <ClickType>)
// takes LeftSingle only: the press of a left click, which also sends a
// LeftRelease that must not fire the click a second time. LeftAll, RightAll
// and MiddleAll take every event of their button; a name the table lacks
// takes only the same name.
bool MouseKindsTake(std::string_view kinds, std::string_view event);

// The event a click with this kind list makes when none is asked for: its
// first kind, as the table spells it (LeftSingle for LeftAll...); a kind the
// table lacks as written; empty when the list starts with no kind.
std::string_view FirstMouseEvent(std::string_view kinds);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_AIRCRAFT_MOUSE_EVENTS_H_
