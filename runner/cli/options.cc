#include "runner/cli/options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <system_error>

#include "common/ascii_case.h"

namespace runner {

namespace {

bool IsGaugeFileName(const std::string& name) {
  if (name.size() < 4) return false;
  return vellomar::FoldAscii(name.substr(name.size() - 4)) == ".xml";
}

// Everything CLI11 knows about the command line, bound to `options` and to
// the lists the sources are rebuilt from.
struct Command {
  CLI::App app{
      "vellomar-run: runs gauge files and gauge scripts against the vellomar module, "
      "frame by frame, with a simulated aircraft.",
      "vellomar-run"};
  std::vector<std::string> expressions;
  std::vector<std::string> templates;
  std::vector<std::string> files;
  std::string frames;
  std::string from;
  std::string to;
  CLI::Option* expression_option = nullptr;
  CLI::Option* template_option = nullptr;
  CLI::Option* file_option = nullptr;

  explicit Command(Options* options) {
    app.set_help_flag("-h,--help", "print this help and exit");
    // Unknown options are reported here, in the runner's own words.
    app.allow_extras(true);
    // A path such as /tmp/x.xml is a file on every system, never an option.
    app.allow_windows_style_options(false);
    expression_option =
        app.add_option("-e", expressions, "one line of script given on the command line")
            ->type_name("SCRIPT")
            ->expected(1)
            ->allow_extra_args(false)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    template_option = app.add_option("-s", templates, "one text template given on the command line")
                          ->type_name("TEMPLATE")
                          ->expected(1)
                          ->allow_extra_args(false)
                          ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--module", options->module,
                   "the module to load (default: the one beside vellomar-run)")
        ->type_name("PATH");
    app.add_option("--frames", frames,
                   "frames (update cycles) to run (default: to the scenario's last entry, or 1)")
        ->type_name("N");
    app.add_option("--from", from, "gauge files: the first frame printed (all frames run)")
        ->type_name("N");
    app.add_option("--to", to, "gauge files: the last frame printed (all frames run)")
        ->type_name("N");
    app.add_option("--sim", options->sim, "the simulated aircraft: a scenario file (TOML)")
        ->type_name("FILE");
    app.add_option("--set", options->sets,
                   "set a simulator variable before the first frame: 'A:NAME, unit=VALUE'")
        ->type_name("ASSIGNMENT")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--click", options->clicks,
                   "click a mouse area in a frame: 'WHERE@FRAME', WHERE a tooltip text or #N")
        ->type_name("CLICK")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--junit", options->junit,
                   "gauge files: write the scenario's expectations to FILE as JUnit XML")
        ->type_name("FILE");
    app.add_option("--explain", options->explain,
                   "show one scripting site run word by word in one frame: 'WHERE@FRAME'")
        ->type_name("WHERE@FRAME");
    app.add_option("--png", options->png_dir,
                   "gauge files: write pictures of frames as PNG files into DIR")
        ->type_name("DIR");
    app.add_option("--png-frames", options->png_frames,
                   "the frames drawn: '1,10,20-40', '1-100/10', 'all' (default: the last)")
        ->type_name("LIST");
    app.add_option("--scale", options->scale, "draw pictures F times their size (default 1)")
        ->type_name("F");
    app.add_option("--sheet", options->sheet,
                   "gauge files: the frames drawn side by side in one PNG file")
        ->type_name("FILE");
    app.add_option("--fonts", options->fonts,
                   "pictures: a folder of font files (the simulator's Fonts), ahead of the "
                   "system's")
        ->type_name("DIR");
    app.add_flag("--dump", options->dump,
                 "print the module's arrays and user variables at the end, even after a failure");
    app.add_flag("--strict", options->strict, "count warnings as failures (exit status 1)");
    app.add_flag("--quiet", options->quiet, "print only errors, warnings and the summary");
    app.add_flag("--json", options->json, "print JSON Lines: one object per frame and gauge");
    app.add_flag("--changes", options->changes,
                 "gauge files: after the first frame, print only what changed");
    app.add_flag("--version", options->version, "print the version and exit");
    file_option =
        app.add_option("sources", files, "GAUGE.xml, a script file, or '-' for standard input")
            ->type_name("SOURCE");
  }
};

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* problem) {
  *options = Options();
  Command command(options);
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    command.app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    options->help = true;
    return true;
  } catch (const CLI::ArgumentMismatch& error) {
    const std::string what = error.what();
    *problem = what.substr(0, what.find(':')) + " needs a value";
    return false;
  } catch (const CLI::ParseError& error) {
    *problem = error.what();
    return false;
  }
  for (const std::string& extra : command.app.remaining()) {
    if (extra == "--") continue;
    *problem =
        (extra.size() > 1 && extra[0] == '-' ? "unknown option '" : "unexpected argument '") +
        extra + "'";
    return false;
  }
  options->frames_given = !command.frames.empty();
  const std::pair<const char*, std::pair<const std::string*, int*>> counts[] = {
      {"--frames", {&command.frames, &options->frames}},
      {"--from", {&command.from, &options->from}},
      {"--to", {&command.to, &options->to}}};
  for (const auto& [option, count] : counts) {
    const std::string& text = *count.first;
    if (text.empty()) continue;
    const char* end = text.c_str() + text.size();
    const auto result = std::from_chars(text.c_str(), end, *count.second);
    if (result.ec != std::errc() || result.ptr != end || *count.second < 1) {
      *problem =
          std::string(option) + " needs a whole number from 1 to 2147483647, not '" + text + "'";
      return false;
    }
  }
  if (options->to != 0 && options->to < options->from) {
    *problem = "--to " + command.to + " is before --from " + command.from;
    return false;
  }
  if (options->version) return true;
  if (options->quiet && options->json) {
    *problem = "--quiet and --json cannot be used together (--json prints every frame)";
    return false;
  }
  if (options->changes && (options->quiet || options->json)) {
    *problem = std::string("--changes and ") + (options->quiet ? "--quiet" : "--json") +
               " cannot be used together (--changes shortens the trace)";
    return false;
  }
  // Rebuild the sources in the order they were given.
  size_t next_expression = 0;
  size_t next_template = 0;
  size_t next_file = 0;
  bool standard_input = false;
  for (const CLI::Option* option : command.app.parse_order()) {
    Source source;
    if (option == command.expression_option && next_expression < command.expressions.size()) {
      source.kind = Source::Kind::kExpression;
      source.text = command.expressions[next_expression++];
      source.name = next_expression == 1 ? "-e" : "-e#" + std::to_string(next_expression);
    } else if (option == command.template_option && next_template < command.templates.size()) {
      source.kind = Source::Kind::kTemplate;
      source.text = command.templates[next_template++];
      source.name = next_template == 1 ? "-s" : "-s#" + std::to_string(next_template);
    } else if (option == command.file_option && next_file < command.files.size()) {
      source.name = command.files[next_file++];
      if (source.name == "-") {
        if (standard_input) {
          *problem = "standard input ('-') given twice";
          return false;
        }
        standard_input = true;
        source.kind = Source::Kind::kStandardInput;
        source.name = "<stdin>";
      } else {
        source.kind =
            IsGaugeFileName(source.name) ? Source::Kind::kGaugeFile : Source::Kind::kScriptFile;
      }
    } else {
      continue;
    }
    options->sources.push_back(std::move(source));
  }
  if (options->sources.empty()) {
    *problem = "no gauge file or script given";
    return false;
  }
  return true;
}

std::string Usage() {
  return "usage: vellomar-run [options] [--] GAUGE.xml...\n"
         "       vellomar-run [options] [--] SCRIPT...\n"
         "  GAUGE.xml        a gauge file (FS2004 or FSX; any name when XML); several: one panel\n"
         "  SCRIPT           a script file of expressions; '-' reads standard input\n"
         "  -e SCRIPT        a script given on the command line\n"
         "  -s TEMPLATE      a text template given on the command line; prints its text\n"
         "  --module PATH    the module to load (default: the one beside vellomar-run)\n"
         "  --frames N       frames (update cycles) to run (default: the scenario's last, or 1)\n"
         "  --sim FILE       the simulated aircraft: a scenario file (TOML)\n"
         "  --set 'A:NAME, unit=VALUE'  set a simulator variable before the first frame\n"
         "  --click 'WHERE@FRAME[:EVENT]'  click a mouse area (tooltip text, id or #N)\n"
         "  --explain 'WHERE@FRAME'  show a site's run word by word (id, #N, Update, LINE)\n"
         "  --dump           print the module's arrays and user variables at the end\n"
         "  --junit FILE     gauge files: write the scenario's expectations as JUnit XML\n"
         "  --strict         warnings make the exit status 1\n"
         "  --quiet          gauge files: print only errors, warnings and the summary\n"
         "  --json           gauge files: print JSON Lines, one object per frame and gauge\n"
         "  --changes        gauge files: after the first frame, print only what changed\n"
         "  --from N, --to N gauge files: print only frames N to N (all frames run)\n"
         "  --png DIR        gauge files: write a PNG picture per gauge and frame into DIR\n"
         "  --png-frames LIST  the frames drawn: 1,10,20-40 or 1-100/10 or all (default last)\n"
         "  --scale F        draw pictures F times their size (default 1)\n"
         "  --sheet FILE     gauge files: the frames drawn side by side in one PNG\n"
         "  --fonts DIR      pictures: font files (the simulator's Fonts), ahead of the system's\n"
         "  --version        print the version and exit\n"
         "  --               what follows is a file, even when it starts with '-'\n";
}

}  // namespace runner
