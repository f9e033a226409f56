// What a run of gauge files prints on standard output.
//
// The trace (the default) is for reading and for diffing against a golden
// copy: for each frame, "frame N", then for each gauge its file and what it
// did, one line each: first the clicks, K: events and messages in the order
// they happened, then the state the frame left, in a fixed order:
//
//   frame 2
//   gauge waypoints.xml
//     click Area #1 'Next page' LeftSingle
//     event K:GEAR_TOGGLE 0
//   vellomar-run: waypoints.xml:9:4: warning: ... [Element 'Title' <String>, frame 2]
//     hidden Element 'Cursor'
//     text Element 'Title' <String>: "WAYPOINTS"
//     value Element 'Needle' <Rotate>: 1.5
//     value Element 'Page' <Select>: 2, case 3
//     script Element 'Title' <FontColorScript>: "lime"
//     set L:Page, number = 2
//   storage array 'route' [1] 'KSEA'
//
// Numbers are printed with up to 10 significant digits, texts in double
// quotes with \n, \t, \", \\ and \xNN for other control bytes. L: and G:
// variables show the value in the unit last written with. After the last
// frame comes the summary, then the unset simulator variables the gauges
// read.
//
// --changes prints each frame after the first one printed with only what
// changed: its clicks, events, messages and variables set, and the state
// lines that differ from the frame before ("shown NAME" for an element
// hidden before); a frame or gauge with nothing to show is left out.
// --from and --to print only the frames between them (all frames run);
// messages are printed in whatever frame they happen.
//
// --quiet prints only the summary (messages still go to standard error).
// --json prints JSON Lines (docs/trace.schema.json): a first object with the
// schema's version, one object per frame and gauge, one per frame whose
// module storage changed, one per message reported outside a gauge's frame,
// then the summary.
#ifndef VELLOMAR_RUNNER_CLI_TRACE_H_
#define VELLOMAR_RUNNER_CLI_TRACE_H_

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "runner/base/diagnostics.h"
#include "runner/cli/dump.h"
#include "runner/gauges/panel.h"

namespace runner {

struct RunSummary {
  int gauges = 0;
  int scripts = 0;
  int ran = 0;
  int failed = 0;
  int warnings = 0;
  int unreadable = 0;              // gauge files that did not load at all (counted in gauges)
  std::vector<std::string> unset;  // "A:NAME, unit"
  int expectations = 0;            // the scenario's [[expect]] checked
  int met = 0;                     // and met
};

// The version of the JSON output's schema, in its first object.
inline constexpr int kJsonVersion = 2;

class Trace : public DiagnosticSink {
 public:
  enum class Mode { kTrace, kQuiet, kJson };
  // The frames printed, and whether only changes are.
  struct Frames {
    int from = 1;
    int to = 0;  // 0: no end
    bool changes = false;
  };
  Trace(Mode mode, std::ostream* out) : Trace(mode, out, Frames()) {}
  Trace(Mode mode, std::ostream* out, Frames frames) : mode_(mode), out_(out), frames_(frames) {}

  // Before frame `frame` runs (messages of the frame then follow the header).
  void BeginFrame(int frame);
  // What each gauge did in the frame.
  void Gauges(int frame, const std::vector<GaugeFrame>& gauges);
  // The module's storage after the frame (ReadStorage): what changed since
  // the last call is traced ("storage LINE" for a new or changed array,
  // element or user variable, "storage gone LINE"; LINE as EntryLine writes
  // it).
  void Storage(std::vector<StorageEntry> entries);
  void Summary(const RunSummary& summary);

  // A diagnostic reported outside a gauge's frame: printed in its place in
  // the trace (true: not printed again), written as an object in JSON
  // (false: still printed on standard error).
  bool Take(const Diagnostic& diagnostic) override;

  // A text in double quotes, escaped as the trace prints it.
  static std::string Quote(const std::string& text);
  // A number as the trace prints it: up to 10 significant digits, "inf",
  // "-inf", "nan".
  static std::string Number(double value);

 private:
  // Frame 0: outside any frame, printed.
  bool Printed(int frame) const {
    return frame == 0 || (frame >= frames_.from && (frames_.to == 0 || frame <= frames_.to));
  }
  // Writes "frame N" the first time something of the frame is printed.
  void Header();
  void Start();
  void JsonGauge(int frame, const GaugeFrame& gauge);
  void TraceGauge(const GaugeFrame& gauge, bool whole);

  Mode mode_;
  std::ostream* out_;
  Frames frames_;
  int frame_ = 0;
  bool header_ = false;         // "frame N" written for frame_
  bool started_ = false;        // JSON: the first object written
  bool first_printed_ = false;  // a frame was printed whole (--changes)
  std::vector<StorageEntry> storage_;
  std::string json_;  // the JSON line being written
  // --changes: each gauge's state lines of the last frame, by what they show.
  std::vector<std::map<std::string, std::string>> last_;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_TRACE_H_
