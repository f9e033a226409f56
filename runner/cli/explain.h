// vellomar-run --explain WHERE@FRAME: one scripting site run word by word in
// one frame, for people to read (docs/explain.md shows the output).
//
// WHERE names sites, optionally after the file they are in ("FILE:"):
//   LINE      the sites whose text covers that line (scripts: the expressions)
//   #N        every site of the Nth element of a gauge file, counting from 1 in
//             document order, depth first: the number the trace shows in
//             "Element #N" (an element with an id has a number too)
//   Update    the gauge's <Update> scripts
//   ID        every site of the element, or mouse area, with that id or Name
//             (any case)
//   (nothing) script runs: every expression and template given
// Without FILE: a WHERE names its sites in every file of the run. An
// element's sites are its Visible and then its other sites in the order they
// stand (not those of its child elements).
#ifndef VELLOMAR_RUNNER_CLI_EXPLAIN_H_
#define VELLOMAR_RUNNER_CLI_EXPLAIN_H_

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "runner/gauges/panel.h"

namespace runner {

struct ExplainRequest {
  std::string where;  // before the last '@'
  int frame = 0;
};

// Reads "WHERE@FRAME". False with the reason (a command-line error).
bool ParseExplain(const std::string& text, ExplainRequest* request, std::string* problem);

// A site that can be explained.
struct ExplainSite {
  std::string file;   // as the source was given
  std::string title;  // "gauge.xml:12:15 Element 'Readout' <String>"
  int first_line = 0;
  int last_line = 0;
  int element = 0;      // gauge files: the element's number (#N), 0 for none
  std::string id;       // gauge files: the element's or area's id, "" for none
  bool update = false;  // a gauge's <Update>
  Script* script = nullptr;
  Template* text = nullptr;  // one of the two, or neither when it did not load
};

// The sites of a panel of gauge files.
std::vector<ExplainSite> GaugeSites(const Panel& panel);
// A script's or template's site in a script run.
ExplainSite ScriptSite(const std::string& file, Script* script);
ExplainSite TemplateSite(const std::string& file, Template* text);

// The sites `request` names among `sites` (`gauges`: a run of gauge files).
// False, with a reason that lists what would match, when it names none.
bool SelectSites(const ExplainRequest& request, const std::vector<ExplainSite>& sites, bool gauges,
                 std::vector<ExplainSite>* chosen, std::string* problem);

class Explainer;

// For --explain `text` in a run of `frames` frames over `sites`: false with
// the reason, a command-line error, when it is malformed, names no site or a
// frame past the last; else `*explainer` prints to `out` (null when `text`
// is empty).
bool MakeExplainer(const std::string& text, int frames, const std::vector<ExplainSite>& sites,
                   bool gauges, std::ostream* out, std::unique_ptr<Explainer>* explainer,
                   std::string* problem);

// Watches the chosen sites in the request's frame and prints each run to
// `out` as it ends; a site that did not run in the frame is said so at the
// end of the frame, when the watching stops. A run must not stop between
// the BeginFrame and the EndFrame of that frame.
class Explainer {
 public:
  Explainer(int frame, std::vector<ExplainSite> sites, std::ostream* out);
  Explainer(const Explainer&) = delete;
  Explainer& operator=(const Explainer&) = delete;
  ~Explainer();

  // Around every frame the run makes.
  void BeginFrame(int frame);
  void EndFrame(int frame);

 private:
  class SiteObserver;
  void Watch(bool on);

  int frame_;
  std::vector<std::unique_ptr<SiteObserver>> observers_;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_EXPLAIN_H_
