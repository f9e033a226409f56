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

// Prints every diagnostic to `*err` as it is reported, one line each, and
// counts them.
class Diagnostics {
 public:
  explicit Diagnostics(std::ostream* err) : err_(err) {}
  void Report(const Diagnostic& diagnostic);
  int warnings() const { return warnings_; }
  int errors() const { return errors_; }

 private:
  std::ostream* err_;
  int warnings_ = 0;
  int errors_ = 0;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_DIAGNOSTICS_H_
