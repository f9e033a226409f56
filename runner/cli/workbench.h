// One run of vellomar-run, stood up and taken down the way hostsim::Session
// does it for the module. The Workbench owns the scenario and its player, the
// session with the module, the simulated aircraft, the diagnostics and the
// engine. Script runs, gauge runs, the gauge fuzzer and the gauge benchmark
// all run through it:
//
//   Workbench bench(&messages);
//   bench.ReadScenario(options, err);  // --sim, --set, --click
//   bench.Open(module, &problem);      // or OpenWithoutModule()
//   ... compile through bench.engine() (a Panel for gauge files) ...
//   bench.StartScenario();
//   for each frame: bench.BeginFrame(frame), run it, bench.EndFrame()
//   bench.Close(out, err);
//   return bench.ExitStatus(strict);
//
// Order of release (Close, or the destructor when a run ends early): the
// engine's module callbacks, then the module's DLLStop, then the engine (the
// texts it handed to the module outlive the stop), then the module is
// unloaded. Anything compiled against the engine (a Panel) must not run after
// Close.
#ifndef VELLOMAR_RUNNER_CLI_WORKBENCH_H_
#define VELLOMAR_RUNNER_CLI_WORKBENCH_H_

#include <memory>
#include <ostream>
#include <string>

#include "hostsim/session.h"
#include "runner/aircraft/scenario.h"
#include "runner/aircraft/sim_state.h"
#include "runner/base/diagnostics.h"
#include "runner/cli/options.h"
#include "runner/language/engine.h"

namespace runner {

class Workbench {
 public:
  // Diagnostics are printed to `*messages`, which must outlive the workbench.
  explicit Workbench(std::ostream* messages);
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;
  ~Workbench();

  // Reads the scenario file (--sim) and the --set and --click options into
  // the scenario, and settles how many frames the run lasts: --frames, or
  // up to the scenario's last entry. Entries after the last frame --frames
  // gives are warned about. Returns 0, or the exit status with the message
  // written to `err`.
  int ReadScenario(const Options& options, std::ostream& err);
  // The frames the run lasts (after ReadScenario).
  int frames() const { return frames_; }

  // Loads the module at `path`, starts it and makes the engine on it. A
  // module that registered nothing still runs: the gauges' C: values then
  // come from the simulated aircraft. False with the reason when the module
  // did not load.
  bool Open(const std::string& path, std::string* problem);
  // Makes the engine without a module: C: properties of the module read 0
  // with a warning.
  void OpenWithoutModule();

  // Sets the scenario's initial values and installs its event actions.
  void StartScenario();
  // Before frame `frame` (from 1) runs: the scenario's changes and ramps.
  // Diagnostics reported from then on without a frame are given this one.
  void BeginFrame(int frame);
  // After it ran: what it left in the module (Engine::AfterFrame).
  void EndFrame();
  // After the last frame: diagnostics are no longer given a frame.
  void EndFrames();

  // Ends the run in the order above and flushes `out`. False, with the
  // message written to `err`, when the output could not be written (a full
  // disk).
  bool Close(std::ostream& out, std::ostream& err);

  // 1 when the output could not be written, an error was reported, the run
  // counted `failures` of its own (scripts that failed, pictures not
  // written), or, with `strict`, anything warned; else 0.
  int ExitStatus(bool strict, int failures = 0) const;

  hostsim::Session& session() { return session_; }
  Engine& engine() { return *engine_; }  // after Open
  SimState& sim() { return sim_; }
  Diagnostics& diagnostics() { return diagnostics_; }
  const Scenario& scenario() const { return scenario_; }

 private:
  void Release();
  void WriteLocals();

  Scenario scenario_;
  Diagnostics diagnostics_;
  SimState sim_;
  ScenarioPlayer player_{&scenario_, &sim_};
  hostsim::Session session_;
  std::unique_ptr<Engine> engine_;
  bool written_ = true;
  int frames_ = 1;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_WORKBENCH_H_
