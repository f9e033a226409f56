// vellomar-run on gauge files: loads them as one panel against the module,
// plays the simulated aircraft (--sim, --set) and the clicks (--click), runs
// --frames frames and prints the trace (or --quiet, --json output).
//
// Messages go into the trace (default and --quiet) or to `err` (--json, so
// that standard output stays JSON Lines). Exit status: 0 when every script
// loaded and ran; 1 when any failed, a gauge file did not load, the module
// did not load, or the output could not be written (with --strict, also
// when anything warned); 2 for a bad --set or --click.
#ifndef VELLOMAR_RUNNER_CLI_GAUGE_RUN_H_
#define VELLOMAR_RUNNER_CLI_GAUGE_RUN_H_

#include <ostream>
#include <string>

#include "hostsim/session.h"
#include "runner/aircraft/scenario.h"
#include "runner/cli/options.h"

namespace runner {

// Reads the scenario file (--sim) and the --set and --click options into one
// scenario. Returns 0, or the exit status with the message written to `err`.
int ReadScenario(const Options& options, Scenario* scenario, std::ostream& err);

// Unloads the module at the end of a run and flushes its output. False, with
// the message written to `err`, when the output could not be written (a full
// disk): the run then exits 1.
bool UnloadAndFlush(hostsim::Session* session, std::ostream& out, std::ostream& err);

// Runs the kGaugeFile sources of `options`. `default_module` is loaded when
// --module is not given.
int RunGauges(const Options& options, const std::string& default_module, std::ostream& out,
              std::ostream& err);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_GAUGE_RUN_H_
