// A panel of gauge files run frame by frame, as the simulator updates them.
//
// At load every scripting site of every gauge is compiled once through the
// Engine. A frame runs, for each gauge in the order given: the clicks asked
// for in that frame, the gauge's <Update> scripts, then its elements in
// document order, depth first. An element whose Visible/Visibility gives 0
// is skipped with all its children; otherwise its scripts run in the order
// they stand (Value, Select, Rotate/Shift clamped to Minimum/Maximum, texts,
// colour and size scripts; Left/Top/Width/HeightScript in the first frame
// only). Tooltips are compiled but not shown.
//
// The gauges share the module and the L: variables; each has its own G:
// variables, registers and stacks (all kept by the Engine).
//
// A site that fails to load, or fails at run time (a runaway loop stopped by
// its budget), is reported once, by the Engine, and then left out: it does
// not run again, a Visible that failed hides its element, a text that failed
// shows nothing. Everything else keeps running.
#ifndef VELLOMAR_RUNNER_GAUGES_PANEL_H_
#define VELLOMAR_RUNNER_GAUGES_PANEL_H_

#include <memory>
#include <string>
#include <vector>

#include "runner/aircraft/scenario.h"
#include "runner/aircraft/sim_state.h"
#include "runner/base/diagnostics.h"
#include "runner/gauges/gauge_file.h"
#include "runner/language/engine.h"

namespace runner {

// What one element decided in one frame, for drawing it.
struct ElementState {
  int parent = -1;        // index of the element it is in, or -1
  bool visible = false;   // it and every element it is in are shown
  bool has_case = false;  // it has a <Select> that ran
  int case_index = -1;    // the <Case> chosen (Element::cases), -1 for none
  bool has_rotate = false;
  double rotate = 0;  // clamped to Minimum/Maximum
  bool has_shift = false;
  double shift = 0;  // clamped
  bool has_value = false;
  double value = 0;  // a <Value> standing in the element, clamped
  // By Site::result: each text's result ("" when not run); each ...Script
  // site's tag ("FillColorScript") and result (Left/Top/Width/HeightScript,
  // which run in the first frame only, keep that result).
  std::vector<std::string> texts;
  std::vector<std::pair<std::string, Value>> scripts;
};

// What one gauge did in one frame, for the trace.
struct GaugeFrame {
  int gauge = 0;
  std::string file;
  struct Shown {
    std::string site;  // "Element 'Title' <GaugeText>"
    std::string text;
  };
  std::vector<Shown> strings;  // texts of visible elements, in document order
  struct Position {
    std::string site;                  // "Element 'Needle' <Rotation>"
    double value = 0;                  // after clamping
    SiteKind kind = SiteKind::kValue;  // kSelect, kRotate, kShift or kValue
    int case_index = -1;               // kSelect: the <Case> chosen (from 0), or -1
  };
  std::vector<Position> values;  // Select, Rotate, Shift and Value results
  // Results of colour, size and other ...Script sites of visible elements,
  // in the order they ran (Left/Top/Width/HeightScript in the first frame).
  struct Computed {
    const std::string* site = nullptr;  // the Site's name, held by the panel
    Value value;
  };
  std::vector<Computed> scripts;
  // Elements whose Visible gave 0 this frame (their names; the elements in
  // them are not listed), in document order.
  std::vector<const std::string*> hidden;
  struct Clicked {
    std::string area;     // "MouseArea 'Next'", "Area #2"
    std::string tooltip;  // a plain tooltip text, or empty
    std::string event;    // "LeftSingle"
    std::string note;     // why nothing was done, or empty
    // "Area #2 'Next' LeftSingle", then ": NOTE" when there is one.
    std::string Line() const;
  };
  std::vector<Clicked> clicks;
  std::vector<FiredEvent> events;
  std::vector<VariableChange> changes;
  // The diagnostics reported while the gauge ran (Panel::set_messages).
  std::vector<Diagnostic> messages;
  // Clicks, events and messages in the order they happened: each an index
  // into its own list.
  struct Happening {
    enum class Kind { kClick, kEvent, kMessage };
    Kind kind = Kind::kClick;
    size_t index = 0;
  };
  std::vector<Happening> happened;
  // Only when the panel keeps element states: one per element, in document
  // order, depth first (a parent before its children).
  std::vector<ElementState> elements;
};

// A scripting site as the panel compiled it, for tools that watch its runs
// (vellomar-run --explain).
struct SiteView {
  int gauge = 0;               // the panel's gauge number
  const Site* site = nullptr;  // in the panel's copy of the model
  // The element it belongs to: its number in the file, from 1 in document
  // order (as "Element #N" counts), or 0 for an update or a mouse area's site.
  int element = 0;
  std::string owner;         // "Element 'Readout'", "Area #2", ...; empty for an update
  Script* script = nullptr;  // a script that loaded
  Template* text = nullptr;  // a template that loaded
};

class Panel {
 public:
  // None is owned; all must outlive the panel.
  Panel(Engine* engine, SimState* sim, Diagnostics* diagnostics);
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;
  ~Panel();

  // Compiles every site of `model` (load errors reported as they come) and
  // returns the gauge's number, from 0.
  int AddGauge(const GaugeModel& model);

  // Finds the mouse area a click names: "#N" (the Nth area of the panel, in
  // the order the gauges were given, counting from 1), or an area's tooltip
  // text, tooltip ID or id. False with the reason when none matches; a
  // scenario's click (one with a place) "WHERE:WORD" whose WHERE names an
  // area is refused for its unknown mouse event.
  bool AddClick(const ClickRequest& click, std::string* problem);

  // Runs frame `frame` (from 1); what each gauge did goes to `*frames`, one
  // entry per gauge in order.
  void RunFrame(int frame, std::vector<GaugeFrame>* frames);

  // Scripting sites: each Update, Visible, Value, Script and Click, and each
  // %( ) part of a text (a text without one counts none).
  int scripts() const { return scripts_; }
  // Sites that failed to load or to run (a text counts all its parts).
  int failed() const { return failed_; }
  int gauges() const { return static_cast<int>(gauges_.size()); }

  // Whether frames carry GaugeFrame::elements (for pictures); off by
  // default, and then they cost nothing.
  void set_keep_elements(bool keep) { keep_elements_ = keep; }
  bool keep_elements() const { return keep_elements_; }
  // What becomes of the diagnostics reported while a gauge runs: printed as
  // usual (the default), or also kept in GaugeFrame::messages, or only kept
  // (whoever reads the frames shows them).
  enum class Messages { kPrinted, kKeptAndPrinted, kKept };
  void set_messages(Messages messages) { messages_ = messages; }
  // The model of gauge `gauge` as the panel holds it.
  const GaugeModel& model(int gauge) const;
  // Every scripting site, gauge by gauge: updates, then elements depth first
  // in document order (each one's Visible first), then mouse areas.
  std::vector<SiteView> Sites() const;

 private:
  struct CompiledSite;
  struct CompiledElement;
  struct CompiledArea;
  struct CompiledGauge;
  class MessageSink;
  struct PendingClick {
    int frame;
    int gauge;
    size_t area;
    std::string event;
  };

  void Compile(int gauge, const Site& site, CompiledSite* compiled);
  bool RunSite(CompiledSite* site, Value* result);
  void RunElement(CompiledElement* element, int frame, GaugeFrame* out);
  void Keep(const CompiledSite& site, const Value& result, ElementState* state);
  void RunClick(const PendingClick& click, GaugeFrame* out);
  void Fail(CompiledSite* site);
  // Records a click or message of gauge frame `out` as happening now.
  void Happened(GaugeFrame::Happening::Kind kind, size_t index, GaugeFrame* out);
  void OrderHappenings(const std::vector<size_t>& events, GaugeFrame* out);

  Engine* engine_;
  SimState* sim_;
  Diagnostics* diagnostics_;
  std::vector<std::unique_ptr<CompiledGauge>> gauges_;
  std::vector<PendingClick> clicks_;
  int scripts_ = 0;
  int failed_ = 0;
  bool keep_elements_ = false;
  Messages messages_ = Messages::kPrinted;
  // While a gauge runs: for each click and message of its frame, how many
  // events had been fired in the frame before it.
  std::vector<size_t> fired_before_;
  GaugeFrame* running_ = nullptr;
  // The states every frame starts from, of the gauge running: results of
  // sites that run in the first frame only stay in them.
  std::vector<ElementState>* blank_ = nullptr;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_GAUGES_PANEL_H_
