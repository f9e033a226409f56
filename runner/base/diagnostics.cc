#include "runner/base/diagnostics.h"

#include <string>
#include <string_view>

namespace runner {

namespace {

// Messages quote the words they are about, and a hostile file's word may be
// megabytes long: a long message keeps its start and its end (the hint).
constexpr size_t kMessageHead = 240;
constexpr size_t kMessageTail = 160;

void WriteMessage(std::ostream& out, const std::string& message) {
  if (message.size() <= kMessageHead + kMessageTail + 32) {
    out << message;
    return;
  }
  out << std::string_view(message).substr(0, kMessageHead) << " ... ("
      << message.size() - kMessageHead - kMessageTail << " bytes left out) ... "
      << std::string_view(message).substr(message.size() - kMessageTail);
}

}  // namespace

void Diagnostics::Report(const Diagnostic& diagnostic) {
  const bool error = diagnostic.severity == Severity::kError;
  ++(error ? errors_ : warnings_);
  std::ostream& out = *err_;
  out << "vellomar-run: " << FormatPlace(diagnostic.place) << (error ? ": error: " : ": warning: ");
  WriteMessage(out, diagnostic.message);
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
