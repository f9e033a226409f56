// The command line of vellomar-run, read with CLI11:
//
//   vellomar-run [options] [--] SOURCE...
//
// SOURCE is a gauge file (a name ending in .xml, any case, or any file whose
// text is XML), a script file (.rpn or anything else), '-' for a script or a
// gauge on standard input, -e SCRIPT for
// one line of script, or -s TEMPLATE for one text template. `--` ends the
// options: what follows is a file name even when it starts with '-'.
#ifndef VELLOMAR_RUNNER_CLI_OPTIONS_H_
#define VELLOMAR_RUNNER_CLI_OPTIONS_H_

#include <string>
#include <vector>

namespace runner {

struct Source {
  enum class Kind { kScriptFile, kGaugeFile, kStandardInput, kExpression, kTemplate };
  Kind kind = Kind::kScriptFile;
  std::string name;   // the file as given; "-e", "-e#2", "-s", ... ; "<stdin>"
  std::string text;   // kExpression, kTemplate: the text given; else the bytes once read
  bool read = false;  // a file or standard input whose bytes are in `text`
};

struct Options {
  std::string module;  // empty: the module beside vellomar-run
  int frames = 1;
  bool frames_given = false;  // --frames given; else the run lasts as long as the scenario
  bool dump = false;
  bool strict = false;
  bool quiet = false;
  bool json = false;
  bool changes = false;  // --changes: after the first frame, only what changed
  int from = 1;          // --from N: the first frame printed
  int to = 0;            // --to N: the last frame printed; 0 for the last frame run
  bool help = false;
  bool version = false;
  std::string sim;                  // --sim FILE
  std::vector<std::string> sets;    // --set 'A:NAME, unit=VALUE', in order
  std::vector<std::string> clicks;  // --click 'WHERE@FRAME', in order
  std::string junit;                // --junit FILE: the scenario's expectations as JUnit XML
  std::string explain;              // --explain 'WHERE@FRAME' (see runner/cli/explain.h)
  std::vector<Source> sources;      // in the order given
  // Pictures of gauge frames (see runner/drawing/pictures.h).
  std::string png_dir;     // --png DIR
  std::string png_frames;  // --png-frames LIST (default: the last frame)
  double scale = 1;        // --scale F
  std::string sheet;       // --sheet FILE
  std::string fonts;       // --fonts DIR
};

// Reads `args` (without the program name). Returns false with the reason in
// `*problem` for a bad command line (exit status 2). With --help or
// --version, sets `help` or `version` and needs no source.
bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* problem);

// The usage text --help prints.
std::string Usage();

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_OPTIONS_H_
