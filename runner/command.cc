#include "runner/command.h"

#include <charconv>
#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <system_error>

#include "hostsim/session.h"
#include "runner/dump.h"
#include "runner/interpreter.h"
#include "runner/parser.h"
#include "runner/script.h"

namespace runner {

namespace {

constexpr char kUsage[] =
    "usage: vellomar-run [--module PATH] [--frames N] [--dump] SCRIPT...\n"
    "  SCRIPT         a gauge script file; '-' reads standard input\n"
    "  -e EXPRESSION  one line of script given on the command line\n"
    "  --module PATH  the module to load (default: the one beside vellomar-run)\n"
    "  --frames N     run every script N times, as N update cycles (default 1)\n"
    "  --dump         print the module's arrays and user variables before it stops\n";

struct Source {
  enum class Kind { kFile, kExpression, kStandardInput };
  Kind kind;
  std::string name;
  std::string text;  // the expression, for kExpression
};

struct Options {
  std::string module;
  int frames = 1;
  bool dump = false;
  bool help = false;
  std::vector<Source> sources;
};

bool ParseFrames(const std::string& text, int* frames) {
  const char* end = text.c_str() + text.size();
  const std::from_chars_result result = std::from_chars(text.c_str(), end, *frames);
  return result.ec == std::errc() && result.ptr == end && *frames >= 1;
}

bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* problem) {
  int expressions = 0;
  bool standard_input = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool has_value = i + 1 < args.size();
    if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (arg == "--dump") {
      options->dump = true;
    } else if (arg == "--module" || arg == "--frames" || arg == "-e") {
      if (!has_value) {
        *problem = arg + " needs a value";
        return false;
      }
      const std::string& value = args[++i];
      if (arg == "--module") {
        options->module = value;
      } else if (arg == "--frames") {
        if (!ParseFrames(value, &options->frames)) {
          *problem = "--frames needs a whole number from 1 up, not '" + value + "'";
          return false;
        }
      } else {
        ++expressions;
        const std::string name = expressions == 1 ? "-e" : "-e#" + std::to_string(expressions);
        options->sources.push_back({Source::Kind::kExpression, name, value});
      }
    } else if (arg == "-") {
      if (standard_input) {
        *problem = "standard input ('-') given twice";
        return false;
      }
      standard_input = true;
      options->sources.push_back({Source::Kind::kStandardInput, "<stdin>", ""});
    } else if (arg.size() > 1 && arg[0] == '-') {
      *problem = "unknown option '" + arg + "'";
      return false;
    } else {
      options->sources.push_back({Source::Kind::kFile, arg, ""});
    }
  }
  if (options->sources.empty() && !options->help) {
    *problem = "no script given";
    return false;
  }
  return true;
}

bool ReadSource(const Source& source, std::istream& in, std::string* text, std::string* problem) {
  switch (source.kind) {
    case Source::Kind::kExpression:
      *text = source.text;
      return true;
    case Source::Kind::kStandardInput:
      text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      return true;
    case Source::Kind::kFile:
      break;
  }
  std::ifstream file(source.name, std::ios::binary);
  if (!file) {
    *problem = source.name + ": cannot open the script";
    return false;
  }
  std::ostringstream contents;
  contents << file.rdbuf();
  if (file.bad()) {
    *problem = source.name + ": cannot read the script";
    return false;
  }
  *text = contents.str();
  return true;
}

int Run(const std::vector<std::string>& args, const std::string& default_module, std::istream& in,
        std::ostream& out, std::ostream& err) {
  Options options;
  std::string problem;
  if (!ParseOptions(args, &options, &problem)) {
    err << "vellomar-run: " << problem << '\n' << kUsage;
    return 2;
  }
  if (options.help) {
    out << kUsage;
    return 0;
  }

  hostsim::Session session;
  hostsim::Host& host = session.host();
  // Every script loads before anything runs: one that does not load runs
  // nothing at all. The scripts outlive the module's run: it keeps their
  // texts as array names.
  std::vector<std::unique_ptr<Script>> scripts;
  for (const Source& source : options.sources) {
    std::string text;
    auto script = std::make_unique<Script>();
    if (!ReadSource(source, in, &text, &problem) ||
        !ParseScript(source.name, text, host.units(), script.get(), &problem)) {
      err << "vellomar-run: " << problem << '\n';
      return 1;
    }
    scripts.push_back(std::move(script));
  }

  const std::string module = options.module.empty() ? default_module : options.module;
  if (!session.Load(module, &problem)) {
    err << "vellomar-run: " << problem << '\n';
    return 1;
  }
  // A module that registered nothing is reported by the first gauge that asks
  // for its callback, as the simulator would leave that gauge's values empty.
  std::string not_started;
  session.Start(0, &not_started);
  int status = 0;
  {
    Interpreter interpreter(&host, &out);
    // Stops the module however this block is left; declared after the
    // interpreter so that the texts it handed over outlive the stop.
    struct StopAtExit {
      Interpreter* interpreter;
      hostsim::Session* session;
      ~StopAtExit() {
        interpreter->ReleaseGauges();
        session->Stop();
      }
    } stop_at_exit{&interpreter, &session};
    for (const auto& script : scripts) interpreter.AddGauge(script.get());
    for (int frame = 0; frame < options.frames && status == 0; ++frame) {
      if (!interpreter.RunFrame(&problem)) {
        out.flush();
        err << "vellomar-run: " << problem << '\n';
        status = 1;
      }
    }
    if (status == 0 && options.dump) DumpStorage(session, out);
  }  // Texts the interpreter handed to the module live until after the stop.
  session.Unload();
  out.flush();
  return status;
}

}  // namespace

int RunCommand(const std::vector<std::string>& args, const std::string& default_module,
               std::istream& in, std::ostream& out, std::ostream& err) {
  try {
    return Run(args, default_module, in, out, err);
  } catch (const std::exception& exception) {
    // Only the runner's own code throws (out of memory, mostly); the module
    // is never called from where this could unwind through it.
    err << "vellomar-run: " << exception.what() << '\n';
    return 1;
  }
}

}  // namespace runner
