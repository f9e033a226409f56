// Warnings and errors of a run, each with its place, the scripting site it
// belongs to and the frame it happened in. The simulator never stops a gauge
// at run time (an empty stack pops 0, a division by zero gives 0, an unknown
// variable reads 0); the runner computes exactly those values and reports
// each such event here as a warning, once per script and kind.
//
// Every message the runner prints starts with the program's name, written in
// one place: WriteMessage.
#ifndef VELLOMAR_RUNNER_BASE_DIAGNOSTICS_H_
#define VELLOMAR_RUNNER_BASE_DIAGNOSTICS_H_

#include <ostream>
#include <string>
#include <string_view>

#include "runner/base/place.h"

namespace runner {

enum class Severity {
  kWarning,
  kError,
  // A file that could not be read at all (missing, not well-formed, not a
  // gauge file or a scenario): printed in full, tagged "error" when it has a
  // place, counted as an error.
  kUnreadable,
};

struct Diagnostic {
  Severity severity = Severity::kWarning;
  Place place;       // line 0: the file as a whole
  std::string site;  // e.g. "Element 'Needle' <Visibility>"; empty for a script file
  int frame = 0;     // 0 while loading
  std::string message;
};

// The one way a Diagnostic is made.
Diagnostic MakeDiagnostic(Severity severity, Place place, std::string message,
                          std::string site = {}, int frame = 0);

// The text of a diagnostic as it is printed after the program's name:
//   FILE:LINE:COL: warning: MESSAGE [SITE, frame N]
// ("error" for errors; the bracket leaves out an empty site and frame 0, and
// is left out when both are; a long message keeps its start and its end).
// kUnreadable prints "FILE:LINE:COL: error: MESSAGE" in full, or
// "FILE: MESSAGE" for line 0.
std::string FormatDiagnostic(const Diagnostic& diagnostic);

// Writes one line "vellomar-run: TEXT" to `out`.
void WriteMessage(std::ostream& out, std::string_view text);

// What a diagnostic is about, for readers that want it apart from the site:
// the owner named before the first " <Tag>" of the site ("Element 'Needle'", "Area #2",
// "MouseArea 'Knob'"), "Update" for an <Update>, or empty.
std::string SiteOwner(const std::string& site);

// Receives every diagnostic as it is reported (the trace, to show it where
// it happened). Take returns true when the sink shows the diagnostic itself,
// which is then not printed.
class DiagnosticSink {
 public:
  virtual ~DiagnosticSink() = default;
  virtual bool Take(const Diagnostic& diagnostic) = 0;
};

// Prints every diagnostic to `*err` as it is reported, one line each, and
// counts them. A sink, when set, sees each one first.
class Diagnostics {
 public:
  explicit Diagnostics(std::ostream* err) : err_(err) {}
  void Report(const Diagnostic& diagnostic);
  int warnings() const { return warnings_; }
  int errors() const { return errors_; }
  // The frame that runs now (0: none). A diagnostic reported without a
  // frame while one runs (a picture's, a scenario's) is given it.
  void set_frame(int frame) { frame_ = frame; }
  // Sets the sink (null for none); returns the one it replaces.
  DiagnosticSink* set_sink(DiagnosticSink* sink) {
    DiagnosticSink* const old = sink_;
    sink_ = sink;
    return old;
  }

 private:
  std::ostream* err_;
  DiagnosticSink* sink_ = nullptr;
  int frame_ = 0;
  int warnings_ = 0;
  int errors_ = 0;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_DIAGNOSTICS_H_
