#include "runner/command.h"

#include <charconv>
#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <system_error>

#include "hostsim/session.h"
#include "runner/diagnostics.h"
#include "runner/dump.h"
#include "runner/engine.h"
#include "runner/lexer.h"
#include "runner/number_format.h"
#include "runner/sim_state.h"
#include "runner/value.h"

namespace runner {

namespace {

constexpr char kUsage[] =
    "usage: vellomar-run [--module PATH] [--frames N] [--dump] [--strict] SCRIPT...\n"
    "  SCRIPT         a gauge script file; '-' reads standard input\n"
    "  -e EXPRESSION  a script given on the command line\n"
    "  -s TEMPLATE    a text template given on the command line; prints its text\n"
    "  --module PATH  the module to load (default: the one beside vellomar-run)\n"
    "  --frames N     run every script N times, as N update cycles (default 1)\n"
    "  --dump         print the module's arrays and user variables before it stops\n"
    "  --strict       warnings make the exit status 1\n";

struct Source {
  enum class Kind { kFile, kExpression, kTemplate, kStandardInput };
  Kind kind;
  std::string name;
  std::string text;  // the expression or template, for kExpression and kTemplate
};

struct Options {
  std::string module;
  int frames = 1;
  bool dump = false;
  bool strict = false;
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
  int templates = 0;
  bool standard_input = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool has_value = i + 1 < args.size();
    if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (arg == "--dump") {
      options->dump = true;
    } else if (arg == "--strict") {
      options->strict = true;
    } else if (arg == "--module" || arg == "--frames" || arg == "-e" || arg == "-s") {
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
      } else if (arg == "-s") {
        ++templates;
        const std::string name = templates == 1 ? "-s" : "-s#" + std::to_string(templates);
        options->sources.push_back({Source::Kind::kTemplate, name, value});
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
    case Source::Kind::kTemplate:
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

void Print(const Value& value, std::ostream& out) {
  if (value.is_text()) {
    out << value.text();
  } else if (value.is_integer()) {
    out << static_cast<int32_t>(value.number());
  } else {
    out << FormatNumber(value.number());
  }
  out << '\n';
}

// One source loaded as a gauge: its expressions, or its template.
struct Loaded {
  std::vector<Script*> expressions;
  Template* text_template = nullptr;
};

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
  std::vector<std::string> texts;
  for (const Source& source : options.sources) {
    texts.emplace_back();
    if (!ReadSource(source, in, &texts.back(), &problem)) {
      err << "vellomar-run: " << problem << '\n';
      return 1;
    }
  }

  hostsim::Session session;
  const std::string module = options.module.empty() ? default_module : options.module;
  if (!session.Load(module, &problem)) {
    err << "vellomar-run: " << problem << '\n';
    return 1;
  }
  // A module that registered nothing leaves the gauges' C: values to the
  // simulator state, which reads 0 with a warning.
  std::string not_started;
  session.Start(0, &not_started);
  Diagnostics diagnostics(&err);
  SimState sim;
  {
    Engine engine(&session.host(), &sim, &diagnostics);
    // Stops the module however this block is left; declared after the
    // engine so that the texts it handed over outlive the stop.
    struct StopAtExit {
      Engine* engine;
      hostsim::Session* session;
      ~StopAtExit() {
        engine->ReleaseGauges();
        session->Stop();
      }
    } stop_at_exit{&engine, &session};
    // Every source loads before anything runs: one that does not load runs
    // nothing at all.
    std::vector<Loaded> loaded;
    bool all_loaded = true;
    for (size_t i = 0; i < options.sources.size() && all_loaded; ++i) {
      const Source& source = options.sources[i];
      const int gauge = engine.AddGauge(source.name);
      const Place start{source.name, 1, 1};
      loaded.emplace_back();
      if (source.kind == Source::Kind::kTemplate) {
        // Entities are decoded as in a script, so text pasted from a gauge
        // file works; places after one count the decoded text.
        loaded.back().text_template =
            engine.CompileTemplate(gauge, DecodeEntities(texts[i]), start, "", false);
        all_loaded = loaded.back().text_template != nullptr;
      } else {
        all_loaded =
            engine.CompileExpressions(gauge, texts[i], start, "", &loaded.back().expressions);
      }
    }
    for (int frame = 1; all_loaded && frame <= options.frames; ++frame) {
      engine.set_frame(frame);
      for (const Loaded& gauge : loaded) {
        if (gauge.text_template != nullptr) {
          std::string text;
          engine.Render(gauge.text_template, &text);
          out << text << '\n';
        }
        for (Script* expression : gauge.expressions) {
          Value result;
          bool left_value = false;
          if (engine.Run(expression, &result, &left_value) && left_value) Print(result, out);
        }
      }
    }
    out.flush();
    if (all_loaded && options.dump) DumpStorage(session, out);
  }  // Texts the engine handed to the module live until after the stop.
  session.Unload();
  out.flush();
  const bool failed = diagnostics.errors() > 0 || (options.strict && diagnostics.warnings() > 0);
  return failed ? 1 : 0;
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
