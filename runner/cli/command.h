// The vellomar-run command, apart from the process it runs in so that tests
// can run it with streams of their own:
//
//   vellomar-run [options] [--] GAUGE.xml...
//   vellomar-run [options] [--] SCRIPT...
//
// Gauge files run as one panel, frame by frame (runner/gauge_run.h). SCRIPT
// is a file of expressions, "-" for standard input, -e 'EXPRESSION' for one,
// or -s 'TEMPLATE' for a text template: every script is loaded before any
// line runs; then all scripts run top to bottom, N times. The options are in
// runner/options.h.
//
// Exit status: 0 when everything ran, 1 when a script did not load, the
// module did not load, a line failed at run time or the output could not be
// written (with --strict, also when anything warned), 2 for a bad command
// line.
#ifndef VELLOMAR_RUNNER_CLI_COMMAND_H_
#define VELLOMAR_RUNNER_CLI_COMMAND_H_

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace runner {

// `args` excludes the program name. `default_module` is loaded when no
// --module is given. Results go to `out`, messages to `err`, each message
// starting with "vellomar-run: " and naming the place at fault. Never throws.
int RunCommand(const std::vector<std::string>& args, const std::string& default_module,
               std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_COMMAND_H_
