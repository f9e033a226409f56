// Warnings and errors of a run, each with its place, the scripting site it
// belongs to and the frame it happened in. The simulator never stops a gauge
// at run time (an empty stack pops 0, a division by zero gives 0, an unknown
// variable reads 0); the runner computes exactly those values and reports
// each such event here as a warning, once per script and kind.
#ifndef VELLOMAR_RUNNER_BASE_DIAGNOSTICS_H_
#define VELLOMAR_RUNNER_BASE_DIAGNOSTICS_H_

#include <ostream>
#include <string>
#include <vector>

#include "runner/base/place.h"

namespace runner {

enum class Severity { kWarning, kError };

struct Diagnostic {
  Severity severity = Severity::kWarning;
  Place place;
  std::string site;  // e.g. "Element 'Needle' <Visibility>"; empty for a script file
  int frame = 0;     // 0 while loading
  std::string message;
};

// Prints every diagnostic to `*err` as it is reported, one line each:
//   vellomar-run: FILE:LINE:COL: warning: MESSAGE [SITE, frame N]
// ("error" for errors; the bracket leaves out an empty site and frame 0, and
// is left out when both are) and counts them.
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
