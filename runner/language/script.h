// The compiled form of a script, as the compiler (runner/language/compiler.h)
// leaves it and the interpreter runs it: instructions, the literals they push
// and the bindings of the variables they read and write.
#ifndef VELLOMAR_RUNNER_LANGUAGE_SCRIPT_H_
#define VELLOMAR_RUNNER_LANGUAGE_SCRIPT_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostsim/gauge.h"
#include "runner/aircraft/sim_state.h"
#include "runner/base/place.h"
#include "runner/base/units.h"
#include "runner/base/value.h"
#include "runner/language/observer.h"
#include "runner/language/variables.h"
#include "runner/language/words.h"

namespace runner {

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
  // Where a gauge file's site text came from (entities, macros); null for
  // text that stands as written.
  std::shared_ptr<const SourceMap> source;
  // For a message about text from macro use `origin` (0: none).
  std::string Note(int origin) const { return source != nullptr ? source->Note(origin) : ""; }
};

class Script {
 public:
  int gauge = 0;
  std::vector<Instruction> code;
  // Line, column and macro use (SiteInfo::Note) of each instruction.
  std::vector<std::array<int, 3>> places;
  std::vector<std::string> spellings;  // each instruction's token, for messages
  std::vector<Value> texts;            // literals: one address each, for the Script's life
  std::vector<Binding> bindings;
  std::shared_ptr<Registers> registers;
  std::shared_ptr<SiteInfo> info;
  // Has gotos or labels: runs the block algorithm token by token.
  bool token_by_token = false;
  RunObserver* observer = nullptr;  // set by Engine::Watch
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_SCRIPT_H_
