#include "runner/cli/gauge_run.h"

#include <memory>
#include <sstream>
#include <vector>

#include "hostsim/session.h"
#include "runner/aircraft/scenario.h"
#include "runner/aircraft/sim_state.h"
#include "runner/base/diagnostics.h"
#include "runner/base/files.h"
#include "runner/cli/dump.h"
#include "runner/cli/trace.h"
#include "runner/gauges/gauge_file.h"
#include "runner/gauges/panel.h"
#include "runner/language/engine.h"
#if VELLOMAR_DRAWING
#include "runner/drawing/pictures.h"
#endif

namespace runner {

int ReadScenario(const Options& options, Scenario* scenario, std::ostream& err) {
  std::string problem;
  if (!options.sim.empty()) {
    std::string contents;
    if (!ReadRegularFile(options.sim, &contents, &problem) ||
        !ParseScenario(options.sim, contents, scenario, &problem)) {
      err << "vellomar-run: " << problem << '\n';
      return 1;
    }
  }
  for (const std::string& set : options.sets) {
    Assignment assignment;
    if (!ParseSetOption(set, &assignment, &problem)) {
      err << "vellomar-run: " << problem << '\n';
      return 2;
    }
    scenario->initial.push_back(std::move(assignment));
  }
  for (const std::string& text : options.clicks) {
    ClickRequest click;
    if (!ParseClickOption(text, &click, &problem)) {
      err << "vellomar-run: " << problem << '\n';
      return 2;
    }
    // A scenario may run longer than this run; a click asked for here must
    // happen.
    if (click.frame > options.frames) {
      err << "vellomar-run: --click '" << text << "': frame " << click.frame
          << " is after the last frame (--frames " << options.frames << ")\n";
      return 2;
    }
    scenario->clicks.push_back(std::move(click));
  }
  return 0;
}

bool UnloadAndFlush(hostsim::Session* session, std::ostream& out, std::ostream& err) {
  session->Unload();
  out.flush();
  if (out) return true;
  err << "vellomar-run: cannot write the output (disk full?)\n";
  return false;
}

int RunGauges(const Options& options, const std::string& default_module, std::ostream& out,
              std::ostream& err) {
  Scenario scenario;
  if (const int status = ReadScenario(options, &scenario, err); status != 0) return status;
  const bool pictures = !options.png_dir.empty() || !options.sheet.empty();
#if !VELLOMAR_DRAWING
  if (pictures) {
    err << "vellomar-run: pictures are not built into this runner (--png, --sheet)\n";
    return 2;
  }
#endif

  const Trace::Mode mode = options.json    ? Trace::Mode::kJson
                           : options.quiet ? Trace::Mode::kQuiet
                                           : Trace::Mode::kTrace;
  std::ostream& messages = mode == Trace::Mode::kJson ? err : out;
  Diagnostics diagnostics(&messages);
  int status = 0;

  // Gauge files that cannot be read count as failed; the others still run.
  std::vector<GaugeModel> models;
  int unreadable = 0;
  for (const Source& source : options.sources) {
    if (source.kind != Source::Kind::kGaugeFile) continue;
    GaugeModel model;
    std::string problem;
    if (!LoadGaugeFile(source.name, &model, &problem)) {
      messages << "vellomar-run: " << problem << '\n';
      ++unreadable;
      continue;
    }
    models.push_back(std::move(model));
  }

  hostsim::Session session;
  const std::string module = options.module.empty() ? default_module : options.module;
  std::string problem;
  if (!session.Load(module, &problem)) {
    messages.flush();
    err << "vellomar-run: " << problem << '\n';
    return 1;
  }
  // A module that registered nothing leaves the gauges' C: values to the
  // simulator state, which reads 0 and lists them at the end.
  std::string not_started;
  session.Start(0, &not_started);
  SimState sim;
  RunSummary summary;
  {
    Engine engine(&session.host(), &sim, &diagnostics);
    const StopAtExit stop_at_exit(&engine, &session);

    Panel panel(&engine, &sim, &diagnostics);
    for (const GaugeModel& model : models) panel.AddGauge(model);
    for (const ClickRequest& click : scenario.clicks) {
      if (!panel.AddClick(click, &problem)) {
        messages.flush();
        err << "vellomar-run: " << problem << '\n';
        return options.sim.empty() ? 2 : 1;
      }
    }
#if VELLOMAR_DRAWING
    PictureOptions picture_options;
    picture_options.png_dir = options.png_dir;
    picture_options.frames = options.png_frames;
    picture_options.scale = options.scale;
    picture_options.sheet = options.sheet;
    picture_options.fonts = options.fonts;
    PictureRun picture_run(picture_options, &diagnostics);
    if (pictures) {
      panel.set_keep_elements(true);
      if (!picture_run.Start(panel, options.frames, &problem)) {
        messages.flush();
        err << "vellomar-run: " << problem << '\n';
        return 2;
      }
    }
#endif
    ScenarioPlayer player(&scenario, &sim);
    player.Start();

    Trace trace(mode, &out);
    std::vector<GaugeFrame> frames;
    for (int frame = 1; frame <= options.frames; ++frame) {
      trace.BeginFrame(frame);
      player.BeforeFrame(frame);
      panel.RunFrame(frame, &frames);
      trace.Gauges(frame, frames);
#if VELLOMAR_DRAWING
      if (pictures && picture_run.Wanted(frame) && !picture_run.Frame(frame, frames, &problem)) {
        messages << "vellomar-run: " << problem << '\n';
        status = 1;
      }
#endif
      if (mode == Trace::Mode::kTrace) {
        std::ostringstream dump;
        DumpStorage(session, dump);
        trace.Storage(dump.str());
      }
    }
    // The storage is printed even after a failure: it shows what the
    // gauges left behind.
    if (options.dump) DumpStorage(session, mode == Trace::Mode::kJson ? err : out);
#if VELLOMAR_DRAWING
    if (pictures && !picture_run.Finish(&problem)) {
      messages << "vellomar-run: " << problem << '\n';
      status = 1;
    }
#endif

    summary.gauges = panel.gauges() + unreadable;
    summary.unreadable = unreadable;
    summary.scripts = panel.scripts();
    summary.failed = panel.failed();
    summary.ran = summary.scripts - summary.failed;
    summary.warnings = diagnostics.warnings();
    summary.unset = sim.unset_reads();
    trace.Summary(summary);
    if (summary.failed > 0 || unreadable > 0 || diagnostics.errors() > 0 ||
        (options.strict && diagnostics.warnings() > 0)) {
      status = 1;
    }
  }  // Texts the engine handed to the module live until after the stop.
  if (!UnloadAndFlush(&session, out, err)) return 1;
  return status;
}

}  // namespace runner
