// libFuzzer target over what gauge files bring from downloads: each input is
// read as a gauge file (XML, macros) and run as a panel for a few frames with
// a click, and the same bytes are compiled and run as a script and as a text
// template. Any crash, hang, sanitizer report or unbounded growth is a
// finding; load errors and warnings are the expected answer to bad input.
//
// No module is loaded: C: properties of the module read 0 with a warning,
// which keeps each input independent of the ones before it.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "runner/base/diagnostics.h"
#include "runner/cli/workbench.h"
#include "runner/gauges/gauge_file.h"
#include "runner/gauges/panel.h"
#include "runner/language/engine.h"

namespace {

// Messages are produced and dropped.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

void RunAsGauge(const std::string& text, std::ostream* messages) {
  runner::GaugeModel model;
  runner::Diagnostic unreadable;
  if (!runner::ParseGaugeFile("fuzz.xml", text, &model, &unreadable)) return;
  runner::Workbench bench(messages);
  bench.OpenWithoutModule();
  runner::Panel panel(&bench.engine(), &bench.sim(), &bench.diagnostics());
  panel.AddGauge(model);
  std::string problem;
  panel.AddClick({"#1", 2, ""}, &problem);
  std::vector<runner::GaugeFrame> frames;
  for (int frame = 1; frame <= 3; ++frame) panel.RunFrame(frame, &frames);
}

void RunAsScript(const std::string& text, std::ostream* messages) {
  runner::Workbench bench(messages);
  bench.OpenWithoutModule();
  runner::Engine& engine = bench.engine();
  const int gauge = engine.AddGauge("fuzz");
  const runner::Place start{"fuzz", 1, 1};
  if (runner::Script* script = engine.CompileScript(gauge, text, start, "script")) {
    runner::Value result;
    for (int frame = 1; frame <= 2; ++frame) engine.Run(script, &result);
  }
  const bool multiline = !text.empty() && (static_cast<unsigned char>(text[0]) & 1) != 0;
  if (runner::Template* text_template =
          engine.CompileTemplate(gauge, text, start, "text", multiline)) {
    std::string shown;
    for (int frame = 1; frame <= 2; ++frame) engine.Render(text_template, &shown);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static NullBuffer buffer;
  static std::ostream messages(&buffer);
  const std::string text(reinterpret_cast<const char*>(data), size);
  RunAsGauge(text, &messages);
  RunAsScript(text, &messages);
  return 0;
}
