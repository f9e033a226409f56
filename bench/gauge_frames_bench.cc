// Frames per second of a large gauge file run by vellomar-run's panel: a
// synthetic navigation display of 100 elements, 700 scripting sites in all
// (visibility, rotation, shift, select, colour scripts and texts), written
// with macros and calling the module, loaded through the substitute host as
// the runner loads it. Everything is compiled once; each iteration is one
// frame, and the figure to read is the "frames" rate. The frame alone, then
// with what vellomar-run prints of it: the trace, --changes and --json (the
// module's storage read and compared, the output written to nowhere).
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "runner/aircraft/sim_state.h"
#include "runner/base/diagnostics.h"
#include "runner/base/units.h"
#include "runner/cli/dump.h"
#include "runner/cli/trace.h"
#include "runner/cli/workbench.h"
#include "runner/gauges/gauge_file.h"
#include "runner/gauges/panel.h"
#include "runner/language/engine.h"

namespace {

constexpr int kElements = 100;

std::string SyntheticGauge() {
  std::string xml =
      "<Gauge Name='Synthetic navigation display'>\n"
      "<Macro Name='alt'>(A:INDICATED ALTITUDE, feet)</Macro>\n"
      "<Macro Name='vm'>C:VELLOMAR</Macro>\n"
      "<Macro Name='Scaled'>@1 @2 * 360 %</Macro>\n"
      "<Update>(L:Ready, bool) ! if{ 100 (&gt;@vm:SetArraySize) "
      "'Waypoints' (&gt;@vm:CreateStringArray, string) 0 (&gt;@vm:SetWriteIndex) "
      "'KSEA' (&gt;@vm:SetStringValue, string) 1 (&gt;L:Ready, bool) } "
      "(L:Frame, number) 1 + (&gt;L:Frame, number)</Update>\n";
  for (int i = 0; i < kElements; ++i) {
    const std::string n = std::to_string(i);
    xml += "<Element id='Row" + n + "'>\n";
    xml += "  <Visible>(A:AVIONICS MASTER SWITCH, bool) (L:Frame, number) " + n +
           " + 0 &gt;= and</Visible>\n";
    xml += "  <Rotate><Value Minimum='0' Maximum='360'>@Scaled(@alt, 0.01) " + n +
           " +</Value></Rotate>\n";
    xml += "  <Shift><Value>(@vm:GetArraySize, number) " + n + " -</Value></Shift>\n";
    xml += "  <Select><Value>(L:Frame, number) " + n + " + 3 %</Value></Select>\n";
    xml +=
        "  <Text><String>%(0 (&gt;@vm:SetReadIndex) (@vm:GetStringValue, string))%!s! "
        "%((A:AIRSPEED INDICATED, knots) " +
        n + " + near)%!03d! kt</String></Text>\n";
    xml += "  <Rectangle><FillColorScript>(L:Frame, number) " + n +
           " &gt; if{ 'red' } els{ 'white' }</FillColorScript></Rectangle>\n";
    xml += "</Element>\n";
  }
  return xml + "</Gauge>\n";
}

// What is printed of each frame.
enum Output { kNone, kTrace, kChanges, kJson };

// An output stream that drops what it is given, as fast as it can.
class Nowhere : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

void BM_GaugeFrames(benchmark::State& state) {
  const auto output = static_cast<Output>(state.range(0));
  runner::GaugeModel model;
  runner::Diagnostic unreadable;
  if (!runner::ParseGaugeFile("synthetic.xml", SyntheticGauge(), &model, &unreadable)) {
    state.SkipWithError(runner::FormatDiagnostic(unreadable).c_str());
    return;
  }
  std::ostringstream messages;
  runner::Workbench bench(&messages);
  std::string problem;
  if (!bench.Open(VELLOMAR_MODULE_PATH, &problem) || !bench.session().panel()) {
    state.SkipWithError(problem.empty() ? "the module did not start" : problem.c_str());
    return;
  }
  runner::SimState& sim = bench.sim();
  sim.Set(sim.Find('A', "", "AVIONICS MASTER SWITCH", 0), runner::FindUnit("bool"), 1);
  sim.Set(sim.Find('A', "", "INDICATED ALTITUDE", 0), runner::FindUnit("feet"), 3500);
  sim.Set(sim.Find('A', "", "AIRSPEED INDICATED", 0), runner::FindUnit("knots"), 120);
  runner::Panel panel(&bench.engine(), &sim, &bench.diagnostics());
  panel.AddGauge(model);
  if (panel.scripts() < 700 || panel.failed() != 0) {
    state.SkipWithError("the synthetic gauge did not load whole");
    return;
  }
  Nowhere nowhere;
  std::ostream out(&nowhere);
  runner::Trace::Frames printed;
  printed.changes = output == kChanges;
  runner::Trace trace(output == kJson ? runner::Trace::Mode::kJson : runner::Trace::Mode::kTrace,
                      &out, printed);
  if (output == kTrace || output == kChanges) {
    panel.set_messages(runner::Panel::Messages::kKept);
  } else if (output == kJson) {
    panel.set_messages(runner::Panel::Messages::kKeptAndPrinted);
  }
  std::vector<runner::GaugeFrame> frames;
  int frame = 0;
  for (auto _ : state) {
    ++frame;
    if (output != kNone) trace.BeginFrame(frame);
    panel.RunFrame(frame, &frames);
    if (output != kNone) {
      trace.Gauges(frame, frames);
      trace.Storage(runner::ReadStorage(bench.session()));
    }
    benchmark::DoNotOptimize(frames.data());
  }
  state.counters["frames"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["scripts"] = panel.scripts();
}
BENCHMARK(BM_GaugeFrames)
    ->ArgName("output")  // 0 none, 1 the trace, 2 --changes, 3 --json
    ->Arg(kNone)
    ->Arg(kTrace)
    ->Arg(kChanges)
    ->Arg(kJson)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
