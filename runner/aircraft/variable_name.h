// How a variable is written, the same in a script (between the parentheses
// of "(A:GENERAL ENG RPM:1, rpm)") and in a scenario (a key, or --set):
//
//   KIND:NAME                     KIND one letter, in either case
//   KIND:NAME, UNIT               a third part after another comma is ignored
//   A:NAME:INDEX                  an indexed simulation variable (engines...)
//   C:CALLBACK:PROPERTY           a property of another callback, as it reads
//                                 it; in the simulated aircraft, an instance's
//                                 property is C:CALLBACK:INDEX:NAME or
//                                 C:CALLBACK:NAME:INDEX
//
// Parts are split at the commas outside '...' and each part, the name, the
// callback and the index lose the blanks around them. An INDEX is digits
// only; anything else after the last ':' belongs to the name.
#ifndef VELLOMAR_RUNNER_AIRCRAFT_VARIABLE_NAME_H_
#define VELLOMAR_RUNNER_AIRCRAFT_VARIABLE_NAME_H_

#include <string>
#include <string_view>

#include "runner/base/units.h"

namespace runner {

struct VariableName {
  char kind = 'A';             // upper case; any letter (the reader decides which it takes)
  std::string callback;        // C: only
  std::string property;        // C: only: all after "CALLBACK:", for the callback itself
  std::string name;            // without the kind, the callback and the index
  int index = 0;               // 0 when none
  bool has_unit = false;       // a unit was written after a comma
  std::string unit_name;       // as written
  const Unit* unit = nullptr;  // null: no unit, or one the units table does not know
  std::string written;         // the whole, for messages
};

// What a variable lacks, in the order it is looked for.
enum class VariableNameError {
  kNone,
  kNoKind,          // not KIND:...
  kNoName,          // KIND: and nothing after it
  kNoUnit,          // a comma and no unit after it
  kNoProperty,      // C: without CALLBACK:PROPERTY
  kNoCallback,      // C::PROPERTY
  kNoPropertyName,  // C:CALLBACK: and nothing after it
};

// Reads `written` into `variable`; false with the first thing it lacks.
bool ParseVariableName(std::string_view written, VariableName* variable, VariableNameError* error);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_AIRCRAFT_VARIABLE_NAME_H_
