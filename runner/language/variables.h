// The run-time state of a gauge's variables: the register file of a script
// or template, and the L: and G: number variables the Engine keeps. Compiled
// scripts point into it (runner/language/script.h); the interpreter reads and
// writes it.
#ifndef VELLOMAR_RUNNER_LANGUAGE_VARIABLES_H_
#define VELLOMAR_RUNNER_LANGUAGE_VARIABLES_H_

#include <array>
#include <string>
#include <vector>

#include "runner/base/units.h"
#include "runner/base/value.h"

namespace runner {

inline constexpr int kRegisterCount = 50;

// A register file: one per script (or per template), zero at load, kept from
// one run to the next.
struct Registers {
  std::array<Value, kRegisterCount> values;
};

// An L: variable (shared by every gauge) or a G: variable (one gauge's).
struct NumberVariable {
  std::string name;  // "L:name" or "G:Var1", as first written
  double value = 0;  // L: in the base unit of the unit written with
  // The unit last written with and the value as written: a read in that same
  // unit gives back exactly what was written.
  const Unit* unit = nullptr;
  double written = 0;
  std::vector<bool> pending;  // per gauge: changed since its last TakeChanges
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_VARIABLES_H_
