// Runs loaded gauge scripts against the module through the substitute host,
// one gauge per script, all sharing the module's storage and the L: variables.
//
// Ownership: the Interpreter holds the gauges' callbacks until ReleaseGauges()
// (or its destruction), and keeps every text it built at run time and handed
// to the module alive until it is destroyed, which must come after the module
// has stopped: the module may keep such a text as an array's name. Scripts
// and the Host are not owned; both must outlive the Interpreter.
//
// Texts read from the module are copied when they are read, so a value on the
// stack keeps the characters it had then.
#ifndef VELLOMAR_RUNNER_INTERPRETER_H_
#define VELLOMAR_RUNNER_INTERPRETER_H_

#include <array>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "hostsim/gauge.h"
#include "hostsim/host.h"
#include "runner/script.h"

namespace runner {

// Texts built at run time (scat, chr, lc, ...) are refused beyond this length.
inline constexpr size_t kMaxTextLength = 65536;

class Interpreter {
 public:
  // Prints each line's result to `*out`.
  Interpreter(const hostsim::Host* host, std::ostream* out) : host_(host), out_(out) {}
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;
  ~Interpreter();

  // Loads `script` as the next gauge: its C: references are resolved now, in
  // the order they appear, once each. The module must have been started.
  void AddGauge(const Script* script);

  // One update cycle: every gauge's lines, top to bottom, with the registers
  // cleared first. After each line that leaves a value, prints the top one.
  // On a run-time error stops at once and returns false with
  // "name:line:column: what" in `*error`.
  bool RunFrame(std::string* error);

  // Drops every gauge and aircraft callback the gauges hold.
  void ReleaseGauges();

 private:
  struct Value {
    bool is_text = false;
    double number = 0;
    const char* text = "";
    // Null for a script's literals, which the Script keeps alive.
    std::shared_ptr<const std::string> owner;
  };
  struct Binding {
    hostsim::Resolution resolution = hostsim::Resolution::kNoCallback;
    hostsim::Property property;
    double* local = nullptr;  // L: variables
  };
  struct LoadedGauge {
    const Script* script;
    std::unique_ptr<hostsim::Gauge> gauge;
    std::vector<Binding> bindings;  // one per script variable
    std::array<Value, kRegisterCount> registers;
  };

  static Value Number(double number);
  static Value Text(std::string text);

  bool RunLine(LoadedGauge* gauge, const Line& line);
  bool Execute(LoadedGauge* gauge, const Instruction& instruction, size_t* next);
  bool Read(const LoadedGauge& gauge, const Instruction& instruction);
  bool Write(const LoadedGauge& gauge, const Instruction& instruction);
  bool Arithmetic(const Instruction& instruction);
  bool TextOperation(const Instruction& instruction);

  bool Fail(const Instruction& instruction, const std::string& what);
  bool Need(const Instruction& instruction, size_t count);
  bool PopNumber(const Instruction& instruction, double* number);
  bool PopText(const Instruction& instruction, Value* text);

  const hostsim::Host* host_;
  std::ostream* out_;
  std::vector<LoadedGauge> gauges_;
  std::map<std::string, double> locals_;  // keyed by folded name
  std::vector<std::shared_ptr<const std::string>> handed_to_module_;
  std::vector<Value> stack_;
  // Where the running line is, for messages.
  const Script* script_ = nullptr;
  int line_number_ = 0;
  std::string* error_ = nullptr;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_INTERPRETER_H_
