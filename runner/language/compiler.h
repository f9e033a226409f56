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
#include <string>
#include <vector>

#include "hostsim/gauge.h"
#include "hostsim/host.h"
#include "runner/aircraft/sim_state.h"
#include "runner/base/diagnostics.h"
#include "runner/base/units.h"
#include "runner/base/value.h"
#include "runner/language/lexer.h"
#include "runner/language/words.h"

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

// Where a variable token's value lives.
struct Binding {
  enum class Kind : uint8_t {
    kSim,       // A:, E:, P:, M: and C: of callbacks other than the module's
    kNumber,    // L: and G:
    kEvent,     // K: (write only)
    kModule,    // C: property of a callback the module registered
    kResource,  // R: (read only; the id as text)
    kNothing,   // reads 0 (or the empty text), writes are dropped
  };
  Kind kind = Kind::kNothing;
  bool text = false;           // a read pushes a text
  bool quiet = false;          // kNothing: already reported at load
  bool keep_text = false;      // kModule: the module keeps a text written here (an array's name)
  const Unit* unit = nullptr;  // kSim, kNumber: the unit read or written in (never null)
  std::string unit_name;       // as written, for the list of unset reads
  SimVariable* sim = nullptr;
  NumberVariable* number = nullptr;
  hostsim::Property property;
  std::string name;  // kEvent: the event; kResource: the id; else the token for messages
};

struct Instruction {
  Opcode op = Opcode::kQuit;
  int32_t operand = 0;   // register, label, jump target, text or binding index
  double number = 0;     // kPushNumber
  bool integer = false;  // kPushNumber
};

// What a script reports its run-time warnings under: the file, the scripting
// site, and which kinds were reported already (once per script and kind).
struct SiteInfo {
  std::string file;
  std::string site;
  uint32_t warned = 0;
};

class Script {
 public:
  int gauge = 0;
  std::vector<Instruction> code;
  std::vector<std::array<int, 2>> places;  // line and column of each instruction
  std::vector<std::string> spellings;      // each instruction's token, for messages
  std::vector<Value> texts;                // literals: one address each, for the Script's life
  std::vector<Binding> bindings;
  std::shared_ptr<Registers> registers;
  std::shared_ptr<SiteInfo> info;
  // Has gotos or labels: runs the block algorithm token by token.
  bool token_by_token = false;
};

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
};

// Compiles tokens [begin, end) into `*script`, whose registers and info are
// already set. Load warnings (an unknown unit, a register beyond 49...) are
// reported as they are found; the first load error is reported and false
// returned.
bool CompileTokens(const std::vector<Token>& tokens, size_t begin, size_t end,
                   CompileTarget* target, Script* script);

// Lexes and compiles `text`, which stands at `line`:`column` of the script's
// file. False after reporting the first error.
bool CompileText(std::string_view text, int line, int column, CompileTarget* target,
                 Script* script);

// Reports a load error or warning at a place of the script's file.
void ReportAt(Diagnostics* diagnostics, const SiteInfo& info, Severity severity, int line,
              int column, const std::string& message);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_COMPILER_H_
