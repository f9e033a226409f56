// The run-time world of a panel of gauges: the module (through the
// substitute host), the simulator state, the L: variables every gauge shares,
// and each gauge's own G: variables and module callbacks. Scripts and text
// templates are compiled against it once, at load (variables, units and
// module properties resolved then), and run from compiled form every frame.
//
// Each compiled script or template has its own register file, zero at load
// and kept from one run to the next; each run starts with an empty stack
// (all %( ) parts of one template share one stack and one register file).
//
// Ownership: the Engine owns what it compiles; the pointers it hands out stay
// valid until it is destroyed. It does not own the Host, the SimState or the
// Diagnostics, which must outlive it. Texts it handed to the module that the
// module may keep (an array's name) stay alive until the Engine is destroyed,
// which must come after the module has stopped; ReleaseGauges() must come
// before.
#ifndef VELLOMAR_RUNNER_LANGUAGE_ENGINE_H_
#define VELLOMAR_RUNNER_LANGUAGE_ENGINE_H_

#include <memory>
#include <string>
#include <vector>

#include "hostsim/host.h"
#include "runner/aircraft/sim_state.h"
#include "runner/base/diagnostics.h"
#include "runner/base/place.h"
#include "runner/base/units.h"
#include "runner/base/value.h"
#include "runner/language/variables.h"

namespace runner {

class Script;       // compiled script (defined by the compiler)
class Template;     // compiled text template (defined by the templates)
class RunObserver;  // watches a run word by word (runner/language/observer.h)

// A change of an L: or G: variable, for the trace.
struct VariableChange {
  std::string name;  // "L:name" or "G:Var1", as first written
  double value = 0;  // in the variable's stored unit
  // The unit it was last written with (null: a plain number) and the value
  // as written in it.
  const Unit* unit = nullptr;
  double written = 0;
};

class Engine {
 public:
  // `host` has the module loaded and started, or is null (no module: C:
  // properties of the module's callback then read 0 with a warning).
  Engine(const hostsim::Host* host, SimState* sim, Diagnostics* diagnostics);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine();

  // Adds a gauge, with its own G: variables and module callbacks; returns
  // its number, counting from 0.
  int AddGauge(const std::string& name);

  // Compiles a script of gauge `gauge`. `text` stands at `start` in its file,
  // or where `source` says (a gauge file's text: entities and macros);
  // `site` names the scripting site for messages. On a load error reports it
  // and returns null.
  Script* CompileScript(int gauge, const std::string& text, const Place& start,
                        const std::string& site, std::shared_ptr<const SourceMap> source = nullptr);
  // Compiles a text template. `multiline` selects the formatted-text mode
  // (blanks at line starts and raw line breaks dropped).
  Template* CompileTemplate(int gauge, const std::string& text, const Place& start,
                            const std::string& site, bool multiline,
                            std::shared_ptr<const SourceMap> source = nullptr);
  // Compiles a script file of expressions (.rpn): one expression per line,
  // continued on the next lines while a block, a variable or a text is open;
  // a line starting with '#' is a comment; the XML entities &lt; &gt; &amp;
  // &apos; &quot; and numeric references (&#176;) are decoded. All expressions of the file share
  // one register file. On a load error reports it and returns false.
  bool CompileExpressions(int gauge, const std::string& text, const Place& start,
                          const std::string& site, std::vector<Script*>* expressions);
  // How many %( ) parts a template has.
  static int ScriptCount(const Template& text);

  // Runs a script; `*result` is the top of the stack when it ends (0 when
  // empty). Returns false, after reporting it, when the run failed (stopped
  // by the runaway budget); `*result` is then 0.
  bool Run(Script* script, Value* result);
  // As Run; `*left_value` tells whether the stack held a value at the end.
  bool Run(Script* script, Value* result, bool* left_value);
  // Expands a template into `*text`; false as for Run.
  bool Render(Template* text_template, std::string* text);

  // From now on every run of `script` (or expansion of `text_template`) is
  // reported to `observer`, word by word, until it is watched with null.
  // The observer is not owned and must outlive the watching.
  static void Watch(Script* script, RunObserver* observer);
  static void Watch(Template* text_template, RunObserver* observer);

  // The frame that runs now, for messages (0 while loading).
  void set_frame(int frame) { frame_ = frame; }
  int frame() const { return frame_; }
  // After frame frame() ran: counts what the module's storage grew by and
  // warns of a leak (see module_checks.h).
  void AfterFrame();
  // The mouse state click scripts read as M:Event, M:X and M:Y.
  void SetMouse(const std::string& event, double x, double y);

  // L: and G: variables gauge `gauge` changed since the last call, in order
  // of first change (L: changes are reported to the gauge that made them).
  std::vector<VariableChange> TakeChanges(int gauge);

  // Gives L:`name` a value in `unit` (null: number) before or between
  // frames, as a scenario presets it: not traced as a gauge's change.
  void SetLocal(const std::string& name, const Unit* unit, double value);
  // L:`name` (any case), or null when no gauge and no scenario has it.
  const NumberVariable* FindLocal(const std::string& name) const;

  // Drops every module callback the gauges hold.
  void ReleaseGauges();

 private:
  struct State;
  std::unique_ptr<State> state_;
  int frame_ = 0;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_ENGINE_H_
