// libFuzzer target: each input becomes a sequence of host operations, made on
// the loaded module and on the reference model side by side. After every
// operation everything observable must agree; any difference, crash, leak or
// sanitizer report is a finding.
//
// The module is loaded once for the whole run (libFuzzer registers a library's
// coverage counters when it is loaded, so it is never unloaded and reloaded):
// a handle opened at initialisation keeps it in memory, and each input gets a
// fresh substitute host on that same copy. Begin() then brings the module to
// one known state whatever earlier inputs left behind, so every input replays
// on its own.
//
// Environment: VELLOMAR_MODULE overrides the library path;
// VELLOMAR_FUZZ_OPERATIONS names a file that receives, whenever it grows, the
// list of distinct operations made so far.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "hostsim/module_library.h"
#include "hostsim/session.h"
#include "tests/module/model/checked_module.h"
#include "tests/module/model/operation_generator.h"

namespace {

using vellomar::model::CheckedModule;
using vellomar::model::OperationGenerator;

// Inputs longer than this are cut: every operation is checked against the
// whole state, so long inputs mostly slow the search down.
constexpr size_t kMaxOperations = 400;

class InputChoices : public vellomar::model::Choices {
 public:
  explicit InputChoices(FuzzedDataProvider* data) : data_(data) {}

  bool exhausted() const override { return data_->remaining_bytes() == 0; }
  uint32_t Below(uint32_t count) override {
    return data_->ConsumeIntegralInRange<uint32_t>(0, count - 1);
  }
  double AnyDouble() override {
    const uint64_t bits = data_->ConsumeIntegral<uint64_t>();
    double value = 0;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
  }
  std::string AnyBytes(size_t max_length) override {
    return data_->ConsumeRandomLengthString(max_length);
  }

 private:
  FuzzedDataProvider* data_;
};

std::string ModulePath() {
  const char* path = std::getenv("VELLOMAR_MODULE");
  return path != nullptr ? path : VELLOMAR_MODULE_PATH;
}

[[noreturn]] void Abort(const std::string& message) {
  std::fprintf(stderr, "vellomar-fuzz: %s\n", message.c_str());
  std::abort();
}

void RecordOperations(const std::set<std::string>& operations) {
  static std::set<std::string>* seen = new std::set<std::string>();
  const size_t before = seen->size();
  seen->insert(operations.begin(), operations.end());
  const char* path = std::getenv("VELLOMAR_FUZZ_OPERATIONS");
  if (seen->size() == before || path == nullptr) return;
  if (FILE* file = std::fopen(path, "w")) {
    for (const std::string& operation : *seen) std::fprintf(file, "%s\n", operation.c_str());
    std::fclose(file);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static hostsim::ModuleLibrary* pinned = new hostsim::ModuleLibrary();
  std::string error;
  if (!pinned->Open(ModulePath(), &error)) Abort(error);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  hostsim::Session session;
  std::string error;
  if (!session.Load(ModulePath(), &error)) Abort(error);
  OperationGenerator generator;  // outlives the module's use of its texts
  CheckedModule module(&session);
  FuzzedDataProvider provider(data, size);
  InputChoices choices(&provider);

  size_t steps = 0;
  bool agreed = module.Begin();
  while (agreed && !choices.exhausted() && steps < kMaxOperations) {
    agreed = generator.Step(module, choices) && module.CheckState();
    ++steps;
  }
  if (agreed) agreed = module.Finish();
  if (!agreed) {
    Abort("after operation " + std::to_string(steps) +
          " the module differs from the model: " + module.failure());
  }
  RecordOperations(module.operations());
  return 0;
}
