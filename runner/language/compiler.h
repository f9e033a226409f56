// The second room of the script pipeline: tokens to a compiled Script, run
// by the interpreter. Everything that can be decided once is decided here:
// number and text literals become constants, variables are bound to where
// their values live (the simulator state, an L: or G: variable, a property id
// the module gave for a C: keyword), units are looked up, and blocks become
// jumps when the script has no gotos or labels (a script with them runs the
// engine's block algorithm token by token, which is exact whatever the
// gotos do to the nesting).
#ifndef VELLOMAR_RUNNER_LANGUAGE_COMPILER_H_
#define VELLOMAR_RUNNER_LANGUAGE_COMPILER_H_

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "hostsim/gauge.h"
#include "hostsim/host.h"
#include "runner/aircraft/sim_state.h"
#include "runner/base/diagnostics.h"
#include "runner/language/lexer.h"
#include "runner/language/script.h"
#include "runner/language/variables.h"

namespace runner {

// What the compiler binds variables to; the Engine fills it.
struct CompileTarget {
  int gauge = 0;
  const hostsim::Host* host = nullptr;
  hostsim::Gauge* module_gauge = nullptr;  // null without a module
  SimState* sim = nullptr;
  std::map<std::string, std::unique_ptr<NumberVariable>>* locals = nullptr;  // by folded name
  std::array<NumberVariable, 9>* gauge_variables = nullptr;
  // The module's CreateNumberArray and CreateStringArray property ids (-1 unknown).
  int32_t creation_ids[2] = {-1, -1};
  Diagnostics* diagnostics = nullptr;
  // Kinds of load warnings given once per gauge file, already given.
  std::set<std::string>* warned_once = nullptr;
};

// Compiles tokens [begin, end) into `*script`, whose registers and info are
// already set. Load warnings (an unknown unit, a register beyond 49...) are
// reported as they are found, and so are the load errors (up to
// kMaxLoadErrors), after which false is returned.
bool CompileTokens(const std::vector<Token>& tokens, size_t begin, size_t end,
                   CompileTarget* target, Script* script);

// Lexes and compiles `text`, which stands at `line`:`column` of the script's
// file, or, when the script's info has a source map, at its byte
// `source_offset`. False after reporting its first lexing fault, or its load
// errors.
bool CompileText(std::string_view text, int line, int column, CompileTarget* target, Script* script,
                 size_t source_offset = 0);

// Reports a load error or warning at a place of the script's file; `origin`
// names the macro use the text came from (see SourceMap::Note).
void ReportAt(Diagnostics* diagnostics, const SiteInfo& info, Severity severity, int line,
              int column, const std::string& message, int origin = 0);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_COMPILER_H_
