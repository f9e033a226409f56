// Per-call cost of VELLOMAR's property calls as the simulator makes them: the
// built library loaded through the substitute host, and every call made
// through a raw slot of the panel or gauge callback. Each operation runs with
// 1, 100 and 10,000 arrays or user variables in storage, so that its cost can
// be compared across those counts and against the floor: one indirect call
// through a table of function pointers that returns a stored double.
//
// The module is loaded once; each benchmark restarts it (stop, start) so that
// it begins from empty storage. Results come in Google Benchmark's own formats
// (console, and JSON or CSV with --benchmark_out); vellomar_bench_ratios turns
// the JSON into the table of ratios to the floor and to a count of 1.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/ascii_case.h"
#include "hostsim/session.h"
#include "hostsim/slots.h"

#if defined(__GLIBC__)
#include <malloc.h>
#define VELLOMAR_BENCH_HEAP_STATS 1
#endif

namespace {

// Name texts at fixed addresses for the whole benchmark: arrays are matched by
// the address of the text that created them, and keywords by their characters.
class NamePool {
 public:
  NamePool(const char* prefix, std::size_t count) : chars_(count * kWidth) {
    for (std::size_t i = 0; i < count; ++i) {
      std::snprintf(&chars_[i * kWidth], kWidth, "%s%zu", prefix, i);
    }
  }
  const char* operator[](std::size_t i) const { return &chars_[i * kWidth]; }

 private:
  static constexpr std::size_t kWidth = 32;
  std::vector<char> chars_;
};

// The module, loaded once and restarted by every benchmark.
class Module {
 public:
  bool Load(const std::string& path, std::string* error) {
    if (!session_.Load(path, error)) return false;
    session_.host().SetUnitsCode("number", 50);
    return true;
  }

  void Unload() { session_.Unload(); }

  // Stops and starts the module: storage empty, cursor values 0, fresh
  // callback objects. False when the module did not register its callback.
  bool Restart() {
    std::string error;
    if (!session_.Start(1, &error)) return false;
    for (const char* cursor : {"SetActiveArray", "SetReadIndex", "SetWriteIndex"}) {
      gauge().SetNumber(Id(cursor), 0.0);
    }
    return true;
  }

  int32_t Id(const char* keyword) const { return session_.Id(keyword); }

  // Creates arrays named names[0..count-1] through `create_keyword`, each of
  // `size` elements; the last one created stays active.
  bool AddArrays(const char* create_keyword, const NamePool& names, std::size_t count,
                 double size = 8.0) const {
    const int32_t create = Id(create_keyword);
    if (!gauge().SetNumber(Id("SetArraySize"), size)) return false;
    for (std::size_t i = 0; i < count; ++i) {
      if (!gauge().SetText(create, names[i])) return false;
    }
    return true;
  }

  // Creates user variables named names[0..count-1].
  bool AddVariables(const NamePool& names, std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i) {
      int32_t id = -1;
      if (!panel().ConvertStringToProperty(names[i], &id)) return false;
    }
    return true;
  }

  const hostsim::PanelObject& panel() const { return session_.panel(); }
  const hostsim::GaugeObject& gauge() const { return session_.gauge(); }

 private:
  hostsim::Session session_;
};

Module g_module;

constexpr int32_t kTableKeywords = 15;

std::size_t Count(const benchmark::State& state) {
  return static_cast<std::size_t>(state.range(0));
}

// Restarts the module with `count` arrays made through `create_keyword`, the
// last one active. False (and the benchmark skipped) when that fails.
bool WithArrays(benchmark::State& state, const char* create_keyword, const NamePool& names) {
  if (!g_module.Restart() || !g_module.AddArrays(create_keyword, names, Count(state))) {
    state.SkipWithError("could not create the arrays");
    return false;
  }
  return true;
}

bool WithVariables(benchmark::State& state, const NamePool& names) {
  if (!g_module.Restart() || !g_module.AddVariables(names, Count(state))) {
    state.SkipWithError("could not create the user variables");
    return false;
  }
  return true;
}

// Times `call()`, one slot call that gives the module's result, after a first
// call outside the timed region that must succeed.
template <class Call>
void TimeCalls(benchmark::State& state, Call call) {
  if (!call()) return state.SkipWithError("the call failed before timing");
  for (auto _ : state) {
    bool ok = call();
    benchmark::DoNotOptimize(ok);
  }
}

// ---- The floor.

double g_stored[4] = {1.5, 2.5, 3.5, 4.5};
double Stored0() { return g_stored[0]; }
double Stored1() { return g_stored[1]; }
double Stored2() { return g_stored[2]; }
double Stored3() { return g_stored[3]; }
double (*g_readers[4])() = {Stored0, Stored1, Stored2, Stored3};

void BM_Floor(benchmark::State& state) {
  state.SetLabel("floor: indirect call returning a stored double");
  double (**readers)() = g_readers;
  std::size_t slot = 2;
  for (auto _ : state) {
    benchmark::DoNotOptimize(readers);
    benchmark::DoNotOptimize(slot);
    double value = readers[slot]();
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_Floor);

// ---- Element access on the active array.

void BM_NumberRead(benchmark::State& state) {
  state.SetLabel("number element read");
  const NamePool names("Numbers", Count(state));
  if (!WithArrays(state, "CreateNumberArray", names)) return;
  const hostsim::GaugeObject& gauge = g_module.gauge();
  const int32_t id = g_module.Id("GetNumberValue");
  double value = 0.0;
  TimeCalls(state, [&] {
    const bool ok = gauge.GetNumber(id, &value);
    benchmark::DoNotOptimize(value);
    return ok;
  });
}

void BM_NumberWrite(benchmark::State& state) {
  state.SetLabel("number element write");
  const NamePool names("Numbers", Count(state));
  if (!WithArrays(state, "CreateNumberArray", names)) return;
  const hostsim::GaugeObject& gauge = g_module.gauge();
  const int32_t id = g_module.Id("SetNumberValue");
  double value = 2.5;
  TimeCalls(state, [&] {
    benchmark::DoNotOptimize(value);
    return gauge.SetNumber(id, value);
  });
}

void BM_TextRead(benchmark::State& state) {
  state.SetLabel("text element read");
  const NamePool names("Texts", Count(state));
  if (!WithArrays(state, "CreateStringArray", names)) return;
  const hostsim::GaugeObject& gauge = g_module.gauge();
  const int32_t id = g_module.Id("GetStringValue");
  const char* value = nullptr;
  TimeCalls(state, [&] {
    const bool ok = gauge.GetText(id, &value);
    benchmark::DoNotOptimize(value);
    return ok;
  });
}

void BM_TextWrite(benchmark::State& state) {
  state.SetLabel("text element write");
  const NamePool names("Texts", Count(state));
  if (!WithArrays(state, "CreateStringArray", names)) return;
  const hostsim::GaugeObject& gauge = g_module.gauge();
  const int32_t id = g_module.Id("SetStringValue");
  const char* value = "Gear down";
  TimeCalls(state, [&] {
    benchmark::DoNotOptimize(value);
    return gauge.SetText(id, value);
  });
}

void BM_TokenRead(benchmark::State& state) {
  state.SetLabel("active-token read");
  const NamePool names("Numbers", Count(state));
  if (!WithArrays(state, "CreateNumberArray", names)) return;
  const hostsim::GaugeObject& gauge = g_module.gauge();
  const int32_t id = g_module.Id("GetArrayToken");
  double token = 0.0;
  TimeCalls(state, [&] {
    const bool ok = gauge.GetNumber(id, &token);
    benchmark::DoNotOptimize(token);
    return ok && token != 0.0;
  });
}

// ---- Choosing another array: by its name text, or by writing its token.

void BM_SelectByName(benchmark::State& state) {
  state.SetLabel("select an array by its name text");
  const NamePool names("Numbers", Count(state));
  if (!WithArrays(state, "CreateNumberArray", names)) return;
  const hostsim::GaugeObject& gauge = g_module.gauge();
  const int32_t id = g_module.Id("CreateNumberArray");
  const char* name = names[Count(state) - 1];
  TimeCalls(state, [&] {
    benchmark::DoNotOptimize(name);
    return gauge.SetText(id, name);
  });
}

// Two calls per iteration: the token write, then an element read, alternating
// between the first and the last array so that every read needs the lookup.
void BM_SelectByTokenAndRead(benchmark::State& state) {
  state.SetLabel("token write + element read, 2 calls");
  const NamePool names("Numbers", Count(state));
  if (!WithArrays(state, "CreateNumberArray", names)) return;
  const hostsim::GaugeObject& gauge = g_module.gauge();
  const int32_t select = g_module.Id("SetActiveArray");
  const int32_t token_id = g_module.Id("GetArrayToken");
  const int32_t read = g_module.Id("GetNumberValue");
  double tokens[2] = {0.0, 0.0};
  gauge.GetNumber(token_id, &tokens[1]);
  gauge.SetText(g_module.Id("CreateNumberArray"), names[0]);
  gauge.GetNumber(token_id, &tokens[0]);
  std::size_t which = 0;
  for (auto _ : state) {
    which ^= 1;
    gauge.SetNumber(select, tokens[which]);
    double value = 0.0;
    bool ok = gauge.GetNumber(read, &value);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(value);
  }
}

// ---- User variables: the newest one.

void BM_UserRead(benchmark::State& state) {
  state.SetLabel("user-variable read");
  const NamePool names("Var", Count(state));
  if (!WithVariables(state, names)) return;
  const hostsim::GaugeObject& gauge = g_module.gauge();
  const int32_t id = g_module.Id(names[Count(state) - 1]);
  const char* value = nullptr;
  TimeCalls(state, [&] {
    const bool ok = gauge.GetText(id, &value);
    benchmark::DoNotOptimize(value);
    return ok;
  });
}

void BM_UserWrite(benchmark::State& state) {
  state.SetLabel("user-variable write");
  const NamePool names("Var", Count(state));
  if (!WithVariables(state, names)) return;
  const hostsim::GaugeObject& gauge = g_module.gauge();
  const int32_t id = g_module.Id(names[Count(state) - 1]);
  const char* value = "Flaps 15";
  TimeCalls(state, [&] {
    benchmark::DoNotOptimize(value);
    return gauge.SetText(id, value);
  });
}

// ---- Keyword resolution.

// The spellings of table keyword `id`: as the module lists it and folded to
// lower case. Empty when the module does not name the id.
std::vector<std::string> SpellingsOf(int32_t id) {
  const char* keyword = nullptr;
  if (!g_module.panel().ConvertPropertyToString(id, &keyword) || keyword == nullptr) return {};
  return {keyword, vellomar::FoldAscii(keyword)};
}

// Resolves each spelling in `spellings` in turn, one per call.
void TimeResolving(benchmark::State& state, const std::vector<std::string>& spellings) {
  if (spellings.empty()) return state.SkipWithError("no keyword to resolve");
  const hostsim::PanelObject& panel = g_module.panel();
  std::size_t next = 0;
  TimeCalls(state, [&] {
    int32_t id = -1;
    const bool ok = panel.ConvertStringToProperty(spellings[next].c_str(), &id);
    next = next + 1 == spellings.size() ? 0 : next + 1;
    benchmark::DoNotOptimize(id);
    return ok;
  });
}

// All 15 table keywords, each as listed and in lower case, in turn.
void BM_ResolveTableKeyword(benchmark::State& state) {
  state.SetLabel("resolve a table keyword, all 15 in turn");
  const NamePool names("Var", Count(state));
  if (!WithVariables(state, names)) return;
  std::vector<std::string> spellings;
  for (int32_t id = 0; id < kTableKeywords; ++id) {
    for (std::string& spelling : SpellingsOf(id)) spellings.push_back(std::move(spelling));
  }
  TimeResolving(state, spellings);
}

// One table keyword, as listed and in lower case in turn, with 10,000 user
// variables stored.
void BM_ResolveEachTableKeyword(benchmark::State& state) {
  state.SetLabel("resolve one table keyword");
  const NamePool names("Var", 10000);
  if (!g_module.Restart() || !g_module.AddVariables(names, 10000)) {
    return state.SkipWithError("could not create the user variables");
  }
  TimeResolving(state, SpellingsOf(static_cast<int32_t>(state.range(0))));
}

// The newest variable, spelled in another case.
void BM_ResolveExistingVariable(benchmark::State& state) {
  state.SetLabel("resolve a variable in another case");
  const NamePool names("Var", Count(state));
  if (!WithVariables(state, names)) return;
  const hostsim::PanelObject& panel = g_module.panel();
  const std::string keyword = vellomar::FoldAscii(names[Count(state) - 1]);
  TimeCalls(state, [&] {
    int32_t id = -1;
    const bool ok = panel.ConvertStringToProperty(keyword.c_str(), &id);
    benchmark::DoNotOptimize(id);
    return ok;
  });
}

// Every call creates a variable, so the count grows during the run. Calls come
// in batches of a tenth of the count (at least 100); before each batch, outside
// the timed region, the module is restarted and refilled to the count.
void BM_ResolveNewVariable(benchmark::State& state) {
  state.SetLabel("resolve a new keyword: creates");
  const std::size_t count = Count(state);
  const std::size_t batch = std::max<std::size_t>(100, count / 10);
  const NamePool names("Var", count + batch);
  const hostsim::PanelObject* panel = nullptr;
  std::size_t next = batch;
  for (auto _ : state) {
    if (next == batch) {
      state.PauseTiming();
      if (!WithVariables(state, names)) break;
      panel = &g_module.panel();
      next = 0;
      state.ResumeTiming();
    }
    int32_t id = -1;
    bool ok = panel->ConvertStringToProperty(names[count + next++], &id);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(id);
  }
}

void Counts(benchmark::internal::Benchmark* benchmark, const char* what) {
  benchmark->ArgName(what)->Arg(1)->Arg(100)->Arg(10000);
}
void Arrays(benchmark::internal::Benchmark* benchmark) { Counts(benchmark, "arrays"); }
void Variables(benchmark::internal::Benchmark* benchmark) { Counts(benchmark, "variables"); }

BENCHMARK(BM_NumberRead)->Apply(Arrays);
BENCHMARK(BM_NumberWrite)->Apply(Arrays);
BENCHMARK(BM_TextRead)->Apply(Arrays);
BENCHMARK(BM_TextWrite)->Apply(Arrays);
BENCHMARK(BM_TokenRead)->Apply(Arrays);
BENCHMARK(BM_SelectByName)->Apply(Arrays);
BENCHMARK(BM_SelectByTokenAndRead)->Apply(Arrays);
BENCHMARK(BM_UserRead)->Apply(Variables);
BENCHMARK(BM_UserWrite)->Apply(Variables);
BENCHMARK(BM_ResolveTableKeyword)->Apply(Variables);
BENCHMARK(BM_ResolveEachTableKeyword)->ArgName("keyword")->DenseRange(0, kTableKeywords - 1);
BENCHMARK(BM_ResolveExistingVariable)->Apply(Variables);
BENCHMARK(BM_ResolveNewVariable)->Apply(Variables);

// ---- Memory.

// Heap bytes in use in the whole process, where the C library tells.
double HeapInUse() {
#ifdef VELLOMAR_BENCH_HEAP_STATS
  return static_cast<double>(mallinfo2().uordblks);
#else
  return 0.0;
#endif
}

// Heap bytes storage takes for each of 10,000 records of a kind, measured
// around creations through the slots (allocator overhead and the indexes
// included), as the counter heap_bytes_each; for arrays also heap bytes per
// element, from arrays of 1 and of 101 elements. The time is not of interest.
constexpr std::size_t kMemoryCount = 10000;

double HeapBytesEach(const char* create_keyword, double size) {
  const NamePool names("Mem", kMemoryCount);
  if (!g_module.Restart()) return -1.0;
  const double before = HeapInUse();
  const bool made = create_keyword == nullptr
                        ? g_module.AddVariables(names, kMemoryCount)
                        : g_module.AddArrays(create_keyword, names, kMemoryCount, size);
  return made ? (HeapInUse() - before) / kMemoryCount : -1.0;
}

void BM_HeapPerUserVariable(benchmark::State& state) {
  state.SetLabel("heap per user variable");
  double each = 0.0;
  for (auto _ : state) each = HeapBytesEach(nullptr, 0);
  if (each < 0) return state.SkipWithError("could not create the user variables");
  state.counters["heap_bytes_each"] = each;
}

void BM_HeapPerArray(benchmark::State& state, const char* create_keyword) {
  state.SetLabel("heap per array");
  double small = 0.0;
  double large = 0.0;
  for (auto _ : state) {
    small = HeapBytesEach(create_keyword, 1);
    large = HeapBytesEach(create_keyword, 101);
  }
  if (small < 0 || large < 0) return state.SkipWithError("could not create the arrays");
  state.counters["heap_bytes_each"] = small;
  state.counters["heap_bytes_each_101"] = large;
  state.counters["heap_bytes_per_element"] = (large - small) / 100;
}

BENCHMARK(BM_HeapPerUserVariable)->Iterations(1);
BENCHMARK_CAPTURE(BM_HeapPerArray, number, "CreateNumberArray")->Iterations(1);
BENCHMARK_CAPTURE(BM_HeapPerArray, string, "CreateStringArray")->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const char* path = std::getenv("VELLOMAR_MODULE");
  std::string error;
  if (!g_module.Load(path != nullptr ? path : VELLOMAR_MODULE_PATH, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  // Keep freed memory in the heap instead of handing it back to the system,
  // so that every count runs on warm memory. Otherwise only the largest counts
  // (whose restarts free more than the trim threshold) would pay the page
  // faults of growing the heap again inside the timed region.
#ifdef VELLOMAR_BENCH_HEAP_STATS
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
  benchmark::RunSpecifiedBenchmarks();
  g_module.Unload();
  benchmark::Shutdown();
  return 0;
}
