// Words per second of compiled gauge scripts and templates: a mixed script
// (arithmetic, simulation and L: variable reads, a block, a variable write)
// and a text template, compiled once and run from compiled form by the
// runner's engine, without a module.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "runner/aircraft/sim_state.h"
#include "runner/base/units.h"
#include "runner/language/engine.h"

namespace {

// 22 words, 19 of them run: the els{ block is skipped.
constexpr char kScript[] =
    "(A:AIRSPEED INDICATED, knots) 1.5 * (L:Offset, number) + d 100 > "
    "if{ 100 - } els{ 2 / } near s0 l0 10 % (>L:Result, number)";
constexpr int kScriptWordsRun = 19;

// 9 words: two scripts of 2 and 3 words, a format, %{if}, %{else}, %{end}.
constexpr char kTemplate[] =
    "%((A:AIRSPEED INDICATED, knots) near)%!03d! kt "
    "%((L:Result, number) 5 >)%{if}HIGH%{else}LOW%{end}";
constexpr int kTemplateWords = 9;

struct Fixture {
  std::ostringstream err;
  runner::Diagnostics diagnostics{&err};
  runner::SimState sim;
  runner::Engine engine{nullptr, &sim, &diagnostics};
  runner::Script* script = nullptr;
  runner::Template* text = nullptr;

  Fixture() {
    sim.Set(sim.Find('A', "", "AIRSPEED INDICATED", 0), runner::FindUnit("knots"), 120);
    const int gauge = engine.AddGauge("bench");
    script = engine.CompileScript(gauge, kScript, {"bench", 1, 1}, "");
    text = engine.CompileTemplate(gauge, kTemplate, {"bench", 2, 1}, "", false);
  }
};

void BM_MixedScript(benchmark::State& state) {
  Fixture fixture;
  if (fixture.script == nullptr) {
    state.SkipWithError("the script did not compile");
    return;
  }
  runner::Value result;
  for (auto _ : state) {
    fixture.engine.Run(fixture.script, &result);
    benchmark::DoNotOptimize(result);
  }
  state.counters["words"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kScriptWordsRun, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MixedScript);

void BM_Template(benchmark::State& state) {
  Fixture fixture;
  if (fixture.text == nullptr) {
    state.SkipWithError("the template did not compile");
    return;
  }
  std::string text;
  for (auto _ : state) {
    fixture.engine.Render(fixture.text, &text);
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["words"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kTemplateWords, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Template);

// One gauge frame's worth: the script and the template together.
void BM_ScriptAndTemplate(benchmark::State& state) {
  Fixture fixture;
  if (fixture.script == nullptr || fixture.text == nullptr) {
    state.SkipWithError("the sources did not compile");
    return;
  }
  runner::Value result;
  std::string text;
  for (auto _ : state) {
    fixture.engine.Run(fixture.script, &result);
    fixture.engine.Render(fixture.text, &text);
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["words"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * (kScriptWordsRun + kTemplateWords),
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScriptAndTemplate);

}  // namespace

BENCHMARK_MAIN();
