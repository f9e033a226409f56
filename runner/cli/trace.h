// What a run of gauge files prints on standard output.
//
// The trace (the default) is for reading and for diffing against a golden
// copy: for each frame, "frame N", then for each gauge its file and what it
// did, one line each, in a fixed order:
//
//   frame 2
//   gauge waypoints.xml
//     click Area #1 'Next page' LeftSingle
//     text Element 'Title' <String>: "WAYPOINTS"
//     value Element 'Needle' <Rotate>: 1.5
//     event K:GEAR_TOGGLE 0
//     set L:Page = 2
//   storage array 'route' [1] 'KSEA'
//
// Warnings and errors come between these lines as they happen. Numbers are
// printed with up to 10 significant digits, texts in double quotes with \n, \t,
// \", \\ and \xNN for other control bytes. After the last frame comes the
// summary, then the unset simulator variables the gauges read.
//
// --quiet prints only the summary (messages still go to standard error).
// --json prints JSON Lines: one object per frame and gauge, then a summary
// object; see the README for the fields.
#ifndef VELLOMAR_RUNNER_CLI_TRACE_H_
#define VELLOMAR_RUNNER_CLI_TRACE_H_

#include <ostream>
#include <set>
#include <string>
#include <vector>

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

class Trace {
 public:
  enum class Mode { kTrace, kQuiet, kJson };
  Trace(Mode mode, std::ostream* out) : mode_(mode), out_(out) {}

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

  // A text in double quotes, escaped as the trace prints it.
  static std::string Quote(const std::string& text);

 private:
  Mode mode_;
  std::ostream* out_;
  std::vector<StorageEntry> storage_;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_TRACE_H_
