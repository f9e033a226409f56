#include "runner/cli/gauge_run.h"

#include <vector>

#include "runner/base/diagnostics.h"
#include "runner/cli/dump.h"
#include "runner/cli/expectations.h"
#include "runner/cli/explain.h"
#include "runner/cli/trace.h"
#include "runner/cli/workbench.h"
#include "runner/gauges/gauge_file.h"
#include "runner/gauges/panel.h"
#if VELLOMAR_DRAWING
#include "runner/drawing/pictures.h"
#endif

namespace runner {

int RunGauges(const Options& options, const std::string& default_module, std::ostream& out,
              std::ostream& err) {
  const Trace::Mode mode = options.json    ? Trace::Mode::kJson
                           : options.quiet ? Trace::Mode::kQuiet
                                           : Trace::Mode::kTrace;
  std::ostream& messages = mode == Trace::Mode::kJson ? err : out;
  // Before the workbench: the module's stop may still report through it.
  Trace trace(mode, &out, {options.from, options.to, options.changes});
  Workbench bench(&messages);
  if (mode != Trace::Mode::kQuiet) bench.diagnostics().set_sink(&trace);
  if (const int status = bench.ReadScenario(options, err); status != 0) return status;
  const bool pictures = !options.png_dir.empty() || !options.sheet.empty();
#if !VELLOMAR_DRAWING
  if (pictures) {
    WriteMessage(err, "pictures are not built into this runner (--png, --sheet)");
    return 2;
  }
#endif

  // Gauge files that cannot be read count as failed; the others still run.
  std::vector<GaugeModel> models;
  int unreadable = 0;
  for (const Source& source : options.sources) {
    if (source.kind != Source::Kind::kGaugeFile) continue;
    GaugeModel model;
    Diagnostic problem;
    const bool loaded = source.read ? ParseGaugeFile(source.name, source.text, &model, &problem)
                                    : LoadGaugeFile(source.name, &model, &problem);
    if (!loaded) {
      bench.diagnostics().Report(problem);
      ++unreadable;
      continue;
    }
    models.push_back(std::move(model));
  }

  std::string problem;
  if (!bench.Open(options.module.empty() ? default_module : options.module, &problem)) {
    messages.flush();
    WriteMessage(err, problem);
    return 1;
  }
  Panel panel(&bench.engine(), &bench.sim(), &bench.diagnostics());
  // Messages of a gauge's frame are shown in their place among its lines.
  if (mode == Trace::Mode::kTrace) panel.set_messages(Panel::Messages::kKept);
  if (mode == Trace::Mode::kJson) panel.set_messages(Panel::Messages::kKeptAndPrinted);
  for (const GaugeModel& model : models) panel.AddGauge(model);
  for (const ClickRequest& click : bench.scenario().clicks) {
    if (!panel.AddClick(click, &problem)) {
      messages.flush();
      // A scenario's click is the scenario's mistake, at its place.
      WriteMessage(err, click.place.line > 0 ? FormatDiagnostic(MakeDiagnostic(
                                                   Severity::kUnreadable, click.place, problem))
                                             : problem);
      return click.place.line > 0 ? 1 : 2;
    }
  }
  const int last_frame = bench.frames();
  std::unique_ptr<Explainer> explainer;
  if (!MakeExplainer(options.explain, last_frame, GaugeSites(panel), true, &messages, &explainer,
                     &problem)) {
    messages.flush();
    WriteMessage(err, problem);
    return 2;
  }
  int picture_failures = 0;
#if VELLOMAR_DRAWING
  PictureOptions picture_options;
  picture_options.png_dir = options.png_dir;
  picture_options.frames = options.png_frames;
  picture_options.scale = options.scale;
  picture_options.sheet = options.sheet;
  picture_options.fonts = options.fonts;
  PictureRun picture_run(picture_options, &bench.diagnostics());
  if (pictures) {
    panel.set_keep_elements(true);
    if (!picture_run.Start(panel, last_frame, &problem)) {
      messages.flush();
      WriteMessage(err, problem);
      return 2;
    }
  }
#endif
  if (options.from > last_frame) {
    messages.flush();
    WriteMessage(err, "--from " + std::to_string(options.from) + " is after the last frame (" +
                          std::to_string(last_frame) + ")");
    return 2;
  }
  bench.StartScenario();
  Expectations expectations(&bench.scenario(), &panel, &bench.engine(), &bench.sim(),
                            &bench.session(), &bench.diagnostics());
  if (Diagnostic wrong; !expectations.Prepare(&wrong)) {
    messages.flush();
    WriteMessage(err, FormatDiagnostic(wrong));
    return 1;
  }

  std::vector<GaugeFrame> frames;
  for (int frame = 1; frame <= last_frame; ++frame) {
    trace.BeginFrame(frame);
    bench.BeginFrame(frame);
    const bool expecting = expectations.Before(frame);
    if (explainer) explainer->BeginFrame(frame);
    panel.RunFrame(frame, &frames);
    bench.EndFrame();
    if (explainer) explainer->EndFrame(frame);
    trace.Gauges(frame, frames);
    if (expecting) expectations.Check(frame, frames);
#if VELLOMAR_DRAWING
    if (pictures && picture_run.Wanted(frame) && !picture_run.Frame(frame, frames, &problem)) {
      WriteMessage(messages, problem);
      ++picture_failures;
    }
#endif
    if (mode != Trace::Mode::kQuiet) trace.Storage(ReadStorage(bench.session()));
  }
  bench.EndFrames();
  // The storage is printed even after a failure: it shows what the gauges
  // left behind.
  if (options.dump) DumpStorage(bench.session(), mode == Trace::Mode::kJson ? err : out);
#if VELLOMAR_DRAWING
  if (pictures && !picture_run.Finish(&problem)) {
    WriteMessage(messages, problem);
    ++picture_failures;
  }
#endif

  expectations.Finish(last_frame);
  int junit_failures = 0;
  if (!options.junit.empty() &&
      !expectations.WriteJunit(options.junit, options.sim.empty() ? "vellomar-run" : options.sim,
                               &problem)) {
    WriteMessage(messages, problem);
    ++junit_failures;
  }

  RunSummary summary;
  summary.gauges = panel.gauges() + unreadable;
  summary.unreadable = unreadable;
  summary.scripts = panel.scripts();
  summary.failed = panel.failed();
  summary.ran = summary.scripts - summary.failed;
  summary.warnings = bench.diagnostics().warnings();
  summary.unset = bench.sim().unset_reads();
  summary.expectations = expectations.checked();
  summary.met = expectations.met();
  trace.Summary(summary);
  bench.Close(out, err);
  return bench.ExitStatus(options.strict, summary.failed + picture_failures + junit_failures);
}

}  // namespace runner
