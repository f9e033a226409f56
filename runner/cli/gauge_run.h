// vellomar-run on gauge files: loads them as one panel against the module,
// plays the simulated aircraft (--sim, --set) and the clicks (--click), runs
// --frames frames and prints the trace (or --quiet, --json output).
//
// Messages go into the trace, in their place (default and --quiet), or to
// `err` and as objects into the JSON Lines (--json). Exit status: 0 when every script
// loaded and ran; 1 when any failed, a gauge file did not load, the module
// did not load, or the output could not be written (with --strict, also
// when anything warned); 2 for a bad --set or --click.
#ifndef VELLOMAR_RUNNER_CLI_GAUGE_RUN_H_
#define VELLOMAR_RUNNER_CLI_GAUGE_RUN_H_

#include <ostream>
#include <string>

#include "runner/cli/options.h"

namespace runner {

// Runs the kGaugeFile sources of `options`. `default_module` is loaded when
// --module is not given.
int RunGauges(const Options& options, const std::string& default_module, std::ostream& out,
              std::ostream& err);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_GAUGE_RUN_H_
