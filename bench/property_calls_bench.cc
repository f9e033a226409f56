// Per-call cost of VELLOMAR's property calls as the simulator makes them: the
// built library loaded through the substitute host, and every call made
// through a raw slot of the panel or gauge callback. Each operation runs with
// 1, 100 and 10,000 arrays or user variables in storage, so that its cost can
// be compared across those counts and against the floor: one indirect call
// through a table of function pointers that returns a stored double.
//
// The module is loaded once; each benchmark restarts it (stop, start) so that
// it begins from empty storage.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
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

// The table's last keyword, in another case: the whole table is compared.
void BM_ResolveTableKeyword(benchmark::State& state) {
  const NamePool names("Var", Count(state));
  if (!WithVariables(state, names)) return;
  const hostsim::PanelObject& panel = g_module.panel();
  const char* keyword = "setstringvalue";
  TimeCalls(state, [&] {
    int32_t id = -1;
    const bool ok = panel.ConvertStringToProperty(keyword, &id);
    benchmark::DoNotOptimize(id);
    return ok;
  });
}

// The newest variable, spelled in another case.
void BM_ResolveExistingVariable(benchmark::State& state) {
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
BENCHMARK(BM_ResolveExistingVariable)->Apply(Variables);
BENCHMARK(BM_ResolveNewVariable)->Apply(Variables);

// ---- Reports.

// The usual console report, then a Markdown table of the CPU time per call
// (the median where the run has repetitions) with its ratio to the floor and
// to the same operation at a count of 1.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) {
        failed_ = true;
        continue;
      }
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      const std::pair<std::string, std::string> key(run.run_name.function_name, run.run_name.args);
      if (times_.count(key) == 0) order_.push_back(key);
      times_[key] = run.GetAdjustedCPUTime();
    }
  }

  // True when some benchmark could not run.
  bool failed() const { return failed_; }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto floor = times_.find({"BM_Floor", ""});
    if (floor == times_.end()) return;
    std::printf("\n| operation | count | ns per call | × floor | × count 1 |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const auto& key : order_) {
      const double time = times_[key];
      const auto first = times_.find({key.first, Args(key.second, "1")});
      std::printf("| %s | %s | %.2f | %.1f | ", Describe(key.first), Count(key.second), time,
                  time / floor->second);
      if (first != times_.end() && !key.second.empty()) {
        std::printf("%.2f |\n", time / first->second);
      } else {
        std::printf("|\n");
      }
    }
  }

 private:
  // "arrays:100" with the count replaced.
  static std::string Args(const std::string& args, const char* count) {
    return args.substr(0, args.find(':') + 1) + count;
  }
  static const char* Count(const std::string& args) {
    const std::size_t colon = args.find(':');
    return colon == std::string::npos ? "" : args.c_str() + colon + 1;
  }
  static const char* Describe(const std::string& function) {
    static const std::map<std::string, const char*> kDescriptions = {
        {"BM_Floor", "floor: indirect call returning a stored double"},
        {"BM_NumberRead", "number element read (arrays)"},
        {"BM_NumberWrite", "number element write (arrays)"},
        {"BM_TextRead", "text element read (arrays)"},
        {"BM_TextWrite", "text element write (arrays)"},
        {"BM_TokenRead", "active-token read (arrays)"},
        {"BM_SelectByName", "select an array by its name text (arrays)"},
        {"BM_SelectByTokenAndRead", "token write + element read, 2 calls (arrays)"},
        {"BM_UserRead", "user-variable read (variables)"},
        {"BM_UserWrite", "user-variable write (variables)"},
        {"BM_ResolveTableKeyword", "resolve a table keyword (variables)"},
        {"BM_ResolveExistingVariable", "resolve a variable in another case (variables)"},
        {"BM_ResolveNewVariable", "resolve a new keyword: creates (variables)"},
    };
    const auto it = kDescriptions.find(function);
    return it != kDescriptions.end() ? it->second : function.c_str();
  }

  bool failed_ = false;
  std::vector<std::pair<std::string, std::string>> order_;
  std::map<std::pair<std::string, std::string>, double> times_;
};

// Heap bytes in use in the whole process, where the C library tells.
double HeapInUse() {
#ifdef VELLOMAR_BENCH_HEAP_STATS
  return static_cast<double>(mallinfo2().uordblks);
#else
  return 0.0;
#endif
}

// Heap bytes that storage takes per record and per element, measured around
// creations through the slots (allocator overhead and the indexes included).
// False when the storage could not be filled.
bool ReportMemory() {
  constexpr std::size_t kCount = 10000;
  const NamePool names("Mem", kCount);
  struct Measure {
    const char* what;
    const char* create_keyword;  // null: user variables
    double size;
    double bytes = 0.0;
  } measures[] = {
      {"user variable", nullptr, 0},
      {"number array of 1 element", "CreateNumberArray", 1},
      {"number array of 101 elements", "CreateNumberArray", 101},
      {"string array of 1 element", "CreateStringArray", 1},
      {"string array of 101 elements", "CreateStringArray", 101},
  };
  for (Measure& m : measures) {
    if (!g_module.Restart()) return false;
    const double before = HeapInUse();
    const bool made = m.create_keyword == nullptr
                          ? g_module.AddVariables(names, kCount)
                          : g_module.AddArrays(m.create_keyword, names, kCount, m.size);
    if (!made) return false;
    m.bytes = (HeapInUse() - before) / kCount;
  }
  std::printf("\n| stored with %zu of a kind | heap bytes each |\n|---|---|\n", kCount);
  for (const Measure& m : measures) std::printf("| %s | %.1f |\n", m.what, m.bytes);
  std::printf("| number element | %.1f |\n", (measures[2].bytes - measures[1].bytes) / 100);
  std::printf("| string element | %.1f |\n", (measures[4].bytes - measures[3].bytes) / 100);
  return true;
}

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
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const bool measured = ReportMemory();
  g_module.Unload();
  benchmark::Shutdown();
  return reporter.failed() || !measured ? 1 : 0;
}
