#include "runner/cli/command.h"

#include <exception>
#include <iterator>

#include "runner/aircraft/sim_state.h"
#include "runner/base/ansi.h"
#include "runner/base/diagnostics.h"
#include "runner/base/files.h"
#include "runner/base/number_format.h"
#include "runner/base/text.h"
#include "runner/base/value.h"
#include "runner/cli/dump.h"
#include "runner/cli/explain.h"
#include "runner/cli/gauge_run.h"
#include "runner/cli/options.h"
#include "runner/cli/workbench.h"
#include "runner/language/engine.h"
#include "runner/language/lexer.h"

namespace runner {

namespace {

bool ReadSource(const Source& source, std::istream& in, std::string* text, Diagnostic* problem) {
  if (source.read) {
    *text = source.text;
    return true;
  }
  switch (source.kind) {
    case Source::Kind::kExpression:
    case Source::Kind::kTemplate:
      *text = source.text;
      return true;
    case Source::Kind::kStandardInput:
      text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      return true;
    case Source::Kind::kScriptFile:
    case Source::Kind::kGaugeFile:
      break;
  }
  return ReadRegularFile(source.name, text, problem);
}

// A script's text as the simulator's bytes (ANSI): UTF-8 (the command line,
// a file saved as UTF-8, its byte-order mark left out) converted, a file
// that is not UTF-8 taken to be ANSI already. A character the ANSI code page
// has no byte for becomes '?', with a warning.
std::string ScriptBytes(std::string_view text, const std::string& name, Diagnostics* diagnostics) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (!IsValidUtf8(text)) return std::string(text);
  size_t unmapped = 0;
  uint32_t first = 0;
  std::string bytes = Utf8ToAnsi(text, &unmapped, &first);
  if (unmapped > 0) {
    diagnostics->Report(MakeDiagnostic(
        Severity::kWarning, Place{name, 1, 1},
        std::to_string(unmapped) + (unmapped == 1 ? " character" : " characters") + " (the first " +
            CharacterName(first) +
            ") the simulator's ANSI code page (Windows-1252) has no byte for: each reads as '?'"));
  }
  return bytes;
}

void Print(const Value& value, std::ostream& out) {
  if (value.is_text()) {
    out << AnsiToUtf8(value.text());
  } else if (value.is_integer()) {
    out << static_cast<int32_t>(value.number());
  } else {
    out << FormatNumber(value.number());
  }
  out << '\n';
}

// The K: events a run fired, each on a line of its own as the gauge trace
// writes them: "event K:NAME PARAMETER".
void PrintEvents(SimState* sim, std::ostream& out) {
  for (const FiredEvent& event : sim->TakeEvents()) {
    out << "event K:" << event.name << ' ' << FormatNumber(event.parameter) << '\n';
  }
}

// One source loaded as a gauge: its expressions, or its template.
struct Loaded {
  std::vector<Script*> expressions;
  Template* text_template = nullptr;
};

// Whether a file's bytes are XML, so a gauge file whatever its name: its
// first character after a byte-order mark and blanks is '<' (a declaration,
// a comment or the root element), which no script starts with, or it has a
// UTF-16 mark. The gauge reader then checks the root element.
bool IsXml(std::string_view bytes) {
  if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") return true;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  const std::string_view text = Trim(bytes);
  return !text.empty() && text.front() == '<';
}

// Reads every script file and standard input once, and makes those that
// are XML gauge files. One that cannot be read stays a script; its reason is
// told where scripts are read.
void RecogniseGaugeFiles(Options* options, std::istream& in) {
  for (Source& source : options->sources) {
    if (source.kind == Source::Kind::kScriptFile) {
      Diagnostic ignored;
      if (!ReadRegularFile(source.name, &source.text, &ignored)) continue;
    } else if (source.kind == Source::Kind::kStandardInput) {
      source.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
      continue;
    }
    source.read = true;
    if (IsXml(source.text)) source.kind = Source::Kind::kGaugeFile;
  }
}

// Gauge files run as a panel; scripts line by line. One run is one or the
// other, and the options that only gauge files use need them.
bool CheckSourceMix(const Options& options, bool* gauges, std::string* problem) {
  size_t gauge_files = 0;
  for (const Source& source : options.sources) {
    if (source.kind == Source::Kind::kGaugeFile) ++gauge_files;
  }
  *gauges = gauge_files > 0;
  if (gauge_files > 0 && gauge_files < options.sources.size()) {
    *problem = "give either gauge files (.xml) or scripts (files, -e, -s, -), not both";
    return false;
  }
  if (gauge_files == 0 && (!options.clicks.empty() || options.json || options.quiet ||
                           options.changes || options.from != 1 || options.to != 0)) {
    *problem = "--click, --json, --quiet, --changes, --from and --to need gauge files (.xml)";
    return false;
  }
  if (gauge_files == 0 && !options.junit.empty()) {
    *problem = "--junit needs gauge files (.xml)";
    return false;
  }
  return true;
}

int RunScripts(const Options& options, const std::string& default_module, std::istream& in,
               std::ostream& out, std::ostream& err) {
  Workbench bench(&err);
  if (const int status = bench.ReadScenario(options, err); status != 0) return status;
  if (!bench.scenario().expectations.empty()) {
    WriteMessage(err, FormatDiagnostic(MakeDiagnostic(
                          Severity::kUnreadable, bench.scenario().expectations.front().place,
                          "[[expect]] is checked in runs of gauge files (.xml)")));
    return 1;
  }
  std::vector<std::string> texts;
  for (const Source& source : options.sources) {
    texts.emplace_back();
    Diagnostic problem;
    if (!ReadSource(source, in, &texts.back(), &problem)) {
      WriteMessage(err, FormatDiagnostic(problem));
      return 1;
    }
  }

  std::string problem;
  if (!bench.Open(options.module.empty() ? default_module : options.module, &problem)) {
    WriteMessage(err, problem);
    return 1;
  }
  bench.StartScenario();
  Engine& engine = bench.engine();
  // Every source loads before anything runs: one that does not load runs
  // nothing at all.
  std::vector<Loaded> loaded;
  bool all_loaded = true;
  for (size_t i = 0; i < options.sources.size() && all_loaded; ++i) {
    const Source& source = options.sources[i];
    const int gauge = engine.AddGauge(source.name);
    const Place start{source.name, 1, 1};
    const std::string bytes = ScriptBytes(texts[i], source.name, &bench.diagnostics());
    loaded.emplace_back();
    if (source.kind == Source::Kind::kTemplate) {
      // Entities and numeric references are decoded as in a gauge file, so
      // text pasted from one works; places count the text as written.
      auto map = std::make_shared<SourceMap>(source.name, std::make_shared<LineTable>(bytes));
      const std::string decoded = DecodeEntities(bytes, map.get());
      loaded.back().text_template =
          engine.CompileTemplate(gauge, decoded, start, "", false, std::move(map));
      all_loaded = loaded.back().text_template != nullptr;
    } else {
      all_loaded = engine.CompileExpressions(gauge, bytes, start, "", &loaded.back().expressions);
    }
  }
  std::unique_ptr<Explainer> explainer;
  if (all_loaded && !options.explain.empty()) {
    std::vector<ExplainSite> sites;
    for (size_t i = 0; i < loaded.size(); ++i) {
      const std::string& file = options.sources[i].name;
      if (loaded[i].text_template != nullptr) {
        sites.push_back(TemplateSite(file, loaded[i].text_template));
      }
      for (Script* expression : loaded[i].expressions) {
        sites.push_back(ScriptSite(file, expression));
      }
    }
    if (!MakeExplainer(options.explain, bench.frames(), sites, false, &out, &explainer, &problem)) {
      WriteMessage(err, problem);
      return 2;
    }
  }
  for (int frame = 1; all_loaded && frame <= bench.frames(); ++frame) {
    bench.BeginFrame(frame);
    if (explainer) explainer->BeginFrame(frame);
    for (const Loaded& gauge : loaded) {
      if (gauge.text_template != nullptr) {
        std::string text;
        engine.Render(gauge.text_template, &text);
        PrintEvents(&bench.sim(), out);
        out << AnsiToUtf8(text) << '\n';
      }
      for (Script* expression : gauge.expressions) {
        Value result;
        bool left_value = false;
        const bool ran = engine.Run(expression, &result, &left_value);
        PrintEvents(&bench.sim(), out);
        if (ran && left_value) Print(result, out);
      }
    }
    bench.EndFrame();
    if (explainer) explainer->EndFrame(frame);
  }
  out.flush();
  // The storage is printed even after a failure: it shows what the scripts
  // left behind.
  if (options.dump) DumpStorage(bench.session(), out);
  if (bench.Close(out, err)) {
    for (const std::string& name : bench.sim().unset_reads()) {
      WriteMessage(err, "read but never set: " + name);
    }
  }
  return bench.ExitStatus(options.strict);
}

int Run(const std::vector<std::string>& args, const std::string& default_module, std::istream& in,
        std::ostream& out, std::ostream& err) {
  Options options;
  std::string problem;
  bool gauges = false;
  const bool read = ParseOptions(args, &options, &problem);
  if (read && !options.help && !options.version) RecogniseGaugeFiles(&options, in);
  if (!read || (!options.help && !options.version && !CheckSourceMix(options, &gauges, &problem))) {
    WriteMessage(err, problem);
    err << "see 'vellomar-run --help'\n";
    return 2;
  }
  if (options.help || options.version) {
    out << (options.help ? Usage() : std::string("vellomar-run " VELLOMAR_VERSION "\n"));
    out.flush();
    return out ? 0 : 1;
  }
  return gauges ? RunGauges(options, default_module, out, err)
                : RunScripts(options, default_module, in, out, err);
}

}  // namespace

int RunCommand(const std::vector<std::string>& args, const std::string& default_module,
               std::istream& in, std::ostream& out, std::ostream& err) {
  try {
    return Run(args, default_module, in, out, err);
  } catch (const std::exception& exception) {
    // Only the runner's own code throws (out of memory, mostly); the module
    // is never called from where this could unwind through it.
    WriteMessage(err, exception.what());
    return 1;
  }
}

}  // namespace runner
