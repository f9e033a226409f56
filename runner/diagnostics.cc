#include "runner/diagnostics.h"

namespace runner {

void Diagnostics::Report(const Diagnostic& diagnostic) {
  const bool error = diagnostic.severity == Severity::kError;
  ++(error ? errors_ : warnings_);
  std::ostream& out = *err_;
  out << "vellomar-run: " << FormatPlace(diagnostic.place) << (error ? ": error: " : ": warning: ")
      << diagnostic.message;
  const bool has_site = !diagnostic.site.empty();
  const bool has_frame = diagnostic.frame != 0;
  if (has_site || has_frame) {
    out << " [";
    if (has_site) out << diagnostic.site;
    if (has_site && has_frame) out << ", ";
    if (has_frame) out << "frame " << diagnostic.frame;
    out << ']';
  }
  out << '\n';
}

}  // namespace runner
