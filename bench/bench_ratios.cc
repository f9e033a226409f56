// Reads the JSON that vellomar_bench writes with --benchmark_out and prints,
// as a Markdown table, what Google Benchmark cannot: each operation's CPU time
// per call as a multiple of the floor and of the same operation at a count of
// 1. Where the run has repetitions, the median is used; otherwise the single
// run. Runs that report heap counters instead of times are left out.
//
// Exits with 1 when a benchmark failed (it was skipped with an error) or the
// file cannot be read, so that a run that no longer works is noticed.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

// Nanoseconds in one unit of Google Benchmark's time_unit.
double Nanoseconds(const std::string& unit) {
  if (unit == "us") return 1e3;
  if (unit == "ms") return 1e6;
  if (unit == "s") return 1e9;
  return 1.0;
}

struct Row {
  std::string function;  // "BM_NumberRead"
  std::string args;      // "arrays:100", or empty
  std::string label;
  double nanoseconds = 0.0;
};

// True for arguments that count what is stored ("arrays:100", "variables:1"),
// as opposed to ones that pick a case ("keyword:3").
bool IsCount(const std::string& args) {
  return args.rfind("arrays:", 0) == 0 || args.rfind("variables:", 0) == 0;
}

// "arrays:100" with its count replaced by 1.
std::string AtCountOne(const std::string& args) { return args.substr(0, args.find(':') + 1) + "1"; }

// "arrays:100" gives "100" and " (arrays)"; "keyword:3" gives "" and
// " (keyword 3)".
std::string CountOf(const std::string& args) {
  return IsCount(args) ? args.substr(args.find(':') + 1) : "";
}
std::string KindOf(const std::string& args) {
  const std::size_t colon = args.find(':');
  if (colon == std::string::npos) return "";
  if (IsCount(args)) return " (" + args.substr(0, colon) + ")";
  return " (" + args.substr(0, colon) + " " + args.substr(colon + 1) + ")";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Ratios of vellomar_bench's per-call times to the floor and to a count of 1"};
  std::string path;
  app.add_option("results", path, "JSON written by vellomar_bench --benchmark_out")->required();
  CLI11_PARSE(app, argc, argv);

  std::ifstream file(path);
  if (!file) {
    std::cerr << "vellomar_bench_ratios: cannot open " << path << '\n';
    return 1;
  }
  const json results = json::parse(file, nullptr, false);
  if (results.is_discarded() || !results.contains("benchmarks")) {
    std::cerr << "vellomar_bench_ratios: " << path << " is not Google Benchmark JSON\n";
    return 1;
  }

  bool failed = false;
  bool has_medians = false;
  for (const json& run : results["benchmarks"]) {
    if (run.value("aggregate_name", "") == "median") has_medians = true;
  }
  std::vector<Row> rows;
  std::map<std::string, double> times;  // by run name
  for (const json& run : results["benchmarks"]) {
    if (run.value("error_occurred", false)) {
      std::cerr << "vellomar_bench_ratios: " << run.value("name", "?")
                << " failed: " << run.value("error_message", "") << '\n';
      failed = true;
      continue;
    }
    const bool median = run.value("aggregate_name", "") == "median";
    if (has_medians ? !median : run.value("run_type", "") != "iteration") continue;
    if (run.contains("heap_bytes_each")) continue;
    const std::string run_name = run.value("run_name", "");
    if (times.count(run_name) != 0) continue;
    Row row;
    const std::size_t slash = run_name.find('/');
    row.function = run_name.substr(0, slash);
    row.args = slash == std::string::npos ? "" : run_name.substr(slash + 1);
    row.label = run.value("label", row.function);
    row.nanoseconds = run.value("cpu_time", 0.0) * Nanoseconds(run.value("time_unit", "ns"));
    times[run_name] = row.nanoseconds;
    rows.push_back(row);
  }

  const auto floor = times.find("BM_Floor");
  if (floor == times.end() || floor->second <= 0) {
    std::cerr << "vellomar_bench_ratios: no BM_Floor in " << path << '\n';
    return 1;
  }
  std::printf("| operation | count | ns per call | × floor | × count 1 |\n");
  std::printf("|---|---|---|---|---|\n");
  for (const Row& row : rows) {
    std::printf("| %s%s | %s | %.2f | %.2f | ", row.label.c_str(), KindOf(row.args).c_str(),
                CountOf(row.args).c_str(), row.nanoseconds, row.nanoseconds / floor->second);
    const auto first = times.find(row.function + "/" + AtCountOne(row.args));
    if (IsCount(row.args) && first != times.end() && first->second > 0) {
      std::printf("%.2f |\n", row.nanoseconds / first->second);
    } else {
      std::printf("|\n");
    }
  }
  return failed ? 1 : 0;
}
