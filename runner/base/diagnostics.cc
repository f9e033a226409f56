#include "runner/base/diagnostics.h"

#include <utility>

#include "runner/base/ansi.h"

namespace runner {

namespace {

// Messages quote the words they are about, and a hostile file's word may be
// megabytes long: a long message keeps its start and its end (the hint).
constexpr size_t kMessageHead = 240;
constexpr size_t kMessageTail = 160;

void AppendMessage(std::string* text, const std::string& message) {
  if (message.size() <= kMessageHead + kMessageTail + 32) {
    *text += message;
    return;
  }
  *text += std::string_view(message).substr(0, kMessageHead);
  *text += " ... (" + std::to_string(message.size() - kMessageHead - kMessageTail) +
           " bytes left out) ... ";
  *text += std::string_view(message).substr(message.size() - kMessageTail);
}

}  // namespace

Diagnostic MakeDiagnostic(Severity severity, Place place, std::string message, std::string site,
                          int frame) {
  Diagnostic diagnostic;
  diagnostic.severity = severity;
  diagnostic.place = std::move(place);
  diagnostic.site = std::move(site);
  diagnostic.frame = frame;
  diagnostic.message = std::move(message);
  return diagnostic;
}

std::string FormatDiagnostic(const Diagnostic& diagnostic) {
  std::string text =
      diagnostic.place.line > 0 ? FormatPlace(diagnostic.place) : diagnostic.place.file;
  switch (diagnostic.severity) {
    case Severity::kUnreadable:
      // A reader's message names the file's own words in full; a place
      // gets the tag editors' problem matchers look for.
      return text + (diagnostic.place.line > 0 ? ": error: " : ": ") + diagnostic.message;
    case Severity::kWarning:
      text += ": warning: ";
      break;
    case Severity::kError:
      text += ": error: ";
      break;
  }
  // Messages quote scripts, whose words are ANSI bytes.
  AppendMessage(&text, MixedToUtf8(diagnostic.message));
  const bool has_site = !diagnostic.site.empty();
  const bool has_frame = diagnostic.frame != 0;
  if (has_site || has_frame) {
    text += " [";
    if (has_site) text += diagnostic.site;
    if (has_site && has_frame) text += ", ";
    if (has_frame) text += "frame " + std::to_string(diagnostic.frame);
    text += ']';
  }
  return text;
}

void WriteMessage(std::ostream& out, std::string_view text) {
  out << "vellomar-run: " << text << '\n';
}

std::string SiteOwner(const std::string& site) {
  if (site == "<Update>") return "Update";
  const size_t tag = site.find(" <");
  return tag == std::string::npos ? std::string() : site.substr(0, tag);
}

void Diagnostics::Report(const Diagnostic& diagnostic) {
  if (diagnostic.frame == 0 && frame_ != 0) {
    Diagnostic in_frame = diagnostic;
    in_frame.frame = frame_;
    Report(in_frame);
    return;
  }
  ++(diagnostic.severity == Severity::kWarning ? warnings_ : errors_);
  if (sink_ != nullptr && sink_->Take(diagnostic)) return;
  WriteMessage(*err_, FormatDiagnostic(diagnostic));
}

}  // namespace runner
