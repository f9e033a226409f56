#include "runner/gauges/panel.h"

#include <algorithm>
#include <cmath>

#include "common/ascii_case.h"
#include "runner/aircraft/mouse_events.h"
#include "runner/base/text.h"

namespace runner {

struct Panel::CompiledSite {
  const Site* site = nullptr;
  Script* script = nullptr;
  Template* text = nullptr;
  int parts = 1;  // scripting sites it counts as
  bool failed = false;
};

struct Panel::CompiledElement {
  int index = 0;  // in GaugeFrame::elements
  const Element* element = nullptr;
  bool has_visible = false;
  CompiledSite visible;
  std::vector<CompiledSite> sites;
  std::vector<CompiledElement> children;
};

struct Panel::CompiledArea {
  const MouseArea* area = nullptr;
  std::vector<std::vector<CompiledSite>> clicks;  // per Click, its scripts
  bool has_tooltip = false;
  CompiledSite tooltip;
  bool has_visible = false;
  CompiledSite visible;
};

struct Panel::CompiledGauge {
  GaugeModel model;  // the sites point into it
  int engine_gauge = 0;
  std::vector<CompiledSite> updates;
  std::vector<CompiledElement> elements;
  std::vector<CompiledArea> areas;
  // Every element's state before a frame: parents and empty results.
  std::vector<ElementState> blank;
};

// Keeps the diagnostics reported while a gauge runs in its frame.
class Panel::MessageSink : public DiagnosticSink {
 public:
  explicit MessageSink(Panel* panel) : panel_(panel) {}
  bool Take(const Diagnostic& diagnostic) override {
    GaugeFrame* const out = panel_->running_;
    if (out == nullptr) return false;
    out->messages.push_back(diagnostic);
    panel_->Happened(GaugeFrame::Happening::Kind::kMessage, out->messages.size() - 1, out);
    return panel_->messages_ == Messages::kKept;
  }

 private:
  Panel* panel_;
};

Panel::Panel(Engine* engine, SimState* sim, Diagnostics* diagnostics)
    : engine_(engine), sim_(sim), diagnostics_(diagnostics) {}

std::string GaugeFrame::Clicked::Line() const {
  std::string line = area;
  if (!tooltip.empty()) line += " '" + tooltip + "'";
  line += " " + event;
  if (!note.empty()) line += ": " + note;
  return line;
}

Panel::~Panel() = default;

namespace {

// A tooltip or id as --click and scenarios name it: in any case, blanks
// around it ignored.
std::string Fold(std::string_view text) { return vellomar::FoldAscii(std::string(Trim(text))); }

std::string FirstKind(const MouseArea& area) {
  for (const Click& click : area.clicks) {
    const std::string_view event = FirstMouseEvent(click.kinds);
    if (!event.empty()) return std::string(event);
  }
  return "LeftSingle";
}

// The <Case> of `element` a <Select> result chooses, or -1.
int CaseChosen(const Element& element, double value) {
  for (size_t i = 0; i < element.cases.size(); ++i) {
    if (element.cases[i].Matches(value)) return static_cast<int>(i);
  }
  return -1;
}

// Records a Select, Rotate, Shift or Value result in the element's state.
void KeepValue(SiteKind kind, double value, int case_index, ElementState* state) {
  switch (kind) {
    case SiteKind::kSelect: {
      state->has_case = true;
      state->case_index = case_index;
      break;
    }
    case SiteKind::kRotate:
      state->has_rotate = true;
      state->rotate = value;
      break;
    case SiteKind::kShift:
      state->has_shift = true;
      state->shift = value;
      break;
    default:
      state->has_value = true;
      state->value = value;
      break;
  }
}

}  // namespace

void Panel::Compile(int gauge, const Site& site, CompiledSite* compiled) {
  compiled->site = &site;
  if (site.is_template) {
    compiled->text = engine_->CompileTemplate(gauge, site.text, site.place, site.name,
                                              site.multiline, site.source);
    compiled->parts = compiled->text != nullptr ? Engine::ScriptCount(*compiled->text) : 1;
    if (compiled->text == nullptr) compiled->failed = true;
  } else {
    compiled->script = engine_->CompileScript(gauge, site.text, site.place, site.name, site.source);
    if (compiled->script == nullptr) compiled->failed = true;
  }
  scripts_ += compiled->parts;
  if (compiled->failed) failed_ += compiled->parts;
}

void Panel::Fail(CompiledSite* site) {
  if (site->failed) return;
  site->failed = true;
  failed_ += site->parts;
}

int Panel::AddGauge(const GaugeModel& model) {
  auto gauge = std::make_unique<CompiledGauge>();
  gauge->model = model;
  const GaugeModel& own = gauge->model;
  const int number = static_cast<int>(gauges_.size());
  gauge->engine_gauge = engine_->AddGauge(own.file);
  const int engine_gauge = gauge->engine_gauge;

  for (const Diagnostic& warning : own.warnings) diagnostics_->Report(warning);
  for (const Diagnostic& warning : own.schema_warnings) diagnostics_->Report(warning);
  for (const auto& [site, problem] : own.macro_errors) {
    diagnostics_->Report(MakeDiagnostic(Severity::kError, site.place, problem, site.name));
    ++scripts_;
    ++failed_;
  }
  for (const Site& site : own.updates) {
    gauge->updates.emplace_back();
    Compile(engine_gauge, site, &gauge->updates.back());
  }
  // Depth first, in document order, so that load errors come in file order.
  struct Compiler {
    Panel* panel;
    int engine_gauge;
    std::vector<ElementState>* blank;
    int parent = -1;
    void Element(const runner::Element& element, CompiledElement* compiled) {
      compiled->index = static_cast<int>(blank->size());
      compiled->element = &element;
      blank->emplace_back();
      ElementState& state = blank->back();
      state.parent = parent;
      state.texts.resize(static_cast<size_t>(element.texts));
      state.scripts.resize(static_cast<size_t>(element.scripts));
      for (const Site& site : element.sites) {
        if (site.kind == SiteKind::kText || site.result < 0) continue;
        // The tag, from the site's name "Element 'x' <FillColorScript>".
        const size_t open = site.name.rfind('<');
        const size_t close = site.name.rfind('>');
        if (open != std::string::npos && close != std::string::npos && open < close) {
          state.scripts[static_cast<size_t>(site.result)].first =
              site.name.substr(open + 1, close - open - 1);
        }
      }
      compiled->has_visible = element.has_visible;
      if (element.has_visible) panel->Compile(engine_gauge, element.visible, &compiled->visible);
      compiled->sites.resize(element.sites.size());
      for (size_t i = 0; i < element.sites.size(); ++i) {
        panel->Compile(engine_gauge, element.sites[i], &compiled->sites[i]);
      }
      compiled->children.resize(element.children.size());
      const int saved = parent;
      parent = compiled->index;
      for (size_t i = 0; i < element.children.size(); ++i) {
        Element(element.children[i], &compiled->children[i]);
      }
      parent = saved;
    }
  } compiler{this, engine_gauge, &gauge->blank};
  gauge->elements.resize(own.elements.size());
  for (size_t i = 0; i < own.elements.size(); ++i) {
    compiler.Element(own.elements[i], &gauge->elements[i]);
  }
  gauge->areas.resize(own.areas.size());
  for (size_t i = 0; i < own.areas.size(); ++i) {
    const MouseArea& area = own.areas[i];
    CompiledArea& compiled = gauge->areas[i];
    compiled.area = &area;
    if (area.has_visible) {
      compiled.has_visible = true;
      Compile(engine_gauge, area.visible, &compiled.visible);
    }
    if (area.has_tooltip_template) {
      compiled.has_tooltip = true;
      Compile(engine_gauge, area.tooltip_template, &compiled.tooltip);
    }
    for (const Click& click : area.clicks) {
      compiled.clicks.emplace_back(click.scripts.size());
      for (size_t j = 0; j < click.scripts.size(); ++j) {
        Compile(engine_gauge, click.scripts[j], &compiled.clicks.back()[j]);
      }
    }
  }
  gauges_.push_back(std::move(gauge));
  return number;
}

bool Panel::AddClick(const ClickRequest& click, std::string* problem) {
  PendingClick pending{click.frame, -1, 0, click.event};
  const auto find = [this, &pending](const std::string& where) {
    if (where.size() > 1 && where[0] == '#') {
      const std::string digits = where.substr(1);
      const bool number =
          digits.find_first_not_of("0123456789") == std::string::npos && digits.size() < 9;
      size_t wanted = number ? static_cast<size_t>(std::stoul(digits)) : 0;
      for (size_t g = 0; g < gauges_.size() && wanted > 0; ++g) {
        if (wanted <= gauges_[g]->areas.size()) {
          pending.gauge = static_cast<int>(g);
          pending.area = wanted - 1;
          break;
        }
        wanted -= gauges_[g]->areas.size();
      }
      return pending.gauge >= 0;
    }
    const std::string wanted = Fold(where);
    for (size_t g = 0; g < gauges_.size() && pending.gauge < 0; ++g) {
      for (size_t a = 0; a < gauges_[g]->areas.size(); ++a) {
        const MouseArea& area = *gauges_[g]->areas[a].area;
        if (Fold(area.tooltip) == wanted || Fold(area.name) == Fold("MouseArea '" + where + "'")) {
          pending.gauge = static_cast<int>(g);
          pending.area = a;
          break;
        }
      }
    }
    return pending.gauge >= 0;
  };
  const bool scenario = click.place.line > 0;
  const std::string asked =
      scenario ? "click '" + click.where + "'"
               : "--click '" + click.where + "@" + std::to_string(click.frame) + "'";
  if (!find(click.where)) {
    const size_t colon = click.where.rfind(':');
    if (scenario && colon != std::string::npos && find(click.where.substr(0, colon))) {
      *problem = asked + ": no mouse event is called '" +
                 std::string(Trim(std::string_view(click.where).substr(colon + 1))) +
                 "' (LeftSingle, RightSingle, WheelUp...)";
      return false;
    }
    *problem = asked + ": no mouse area has that tooltip or id, or that number (#1 to #" +
               std::to_string([this] {
                 size_t count = 0;
                 for (const auto& gauge : gauges_) count += gauge->areas.size();
                 return count;
               }()) +
               ")";
    return false;
  }
  if (pending.event.empty()) {
    pending.event =
        FirstKind(*gauges_[static_cast<size_t>(pending.gauge)]->areas[pending.area].area);
  }
  clicks_.push_back(std::move(pending));
  return true;
}

bool Panel::RunSite(CompiledSite* site, Value* result) {
  *result = Value();
  if (site->failed || site->script == nullptr) return false;
  if (!engine_->Run(site->script, result)) {
    Fail(site);
    return false;
  }
  return true;
}

const GaugeModel& Panel::model(int gauge) const {
  return gauges_[static_cast<size_t>(gauge)]->model;
}

std::vector<SiteView> Panel::Sites() const {
  std::vector<SiteView> views;
  for (size_t g = 0; g < gauges_.size(); ++g) {
    const CompiledGauge& gauge = *gauges_[g];
    const auto add = [&](const CompiledSite& site, int element, const std::string& owner) {
      views.push_back({static_cast<int>(g), site.site, element, owner, site.script, site.text});
    };
    for (const CompiledSite& update : gauge.updates) add(update, 0, std::string());
    const auto element_sites = [&](const CompiledElement& element, const auto& self) -> void {
      const int number = element.index + 1;
      if (element.has_visible) add(element.visible, number, element.element->name);
      for (const CompiledSite& site : element.sites) add(site, number, element.element->name);
      for (const CompiledElement& child : element.children) self(child, self);
    };
    for (const CompiledElement& element : gauge.elements) element_sites(element, element_sites);
    for (const CompiledArea& area : gauge.areas) {
      if (area.has_visible) add(area.visible, 0, area.area->name);
      if (area.has_tooltip) add(area.tooltip, 0, area.area->name);
      for (const auto& click : area.clicks) {
        for (const CompiledSite& site : click) add(site, 0, area.area->name);
      }
    }
  }
  return views;
}

void Panel::Keep(const CompiledSite& site, const Value& result, ElementState* state) {
  const Site& model = *site.site;
  const auto slot = static_cast<size_t>(model.result);
  if (model.result >= 0 && slot < state->scripts.size()) state->scripts[slot].second = result;
}

void Panel::RunElement(CompiledElement* element, int frame, GaugeFrame* out) {
  if (element->has_visible) {
    Value visible;
    RunSite(&element->visible, &visible);
    if (ToDouble(visible) == 0) {
      out->hidden.push_back(&element->element->name);
      return;
    }
  }
  ElementState* const state =
      keep_elements_ ? &out->elements[static_cast<size_t>(element->index)] : nullptr;
  if (state != nullptr) state->visible = true;
  double selected = 0;  // the last <Select> result, for the sites of its cases
  for (CompiledSite& site : element->sites) {
    const Site& model = *site.site;
    if (model.kind == SiteKind::kOnce && frame != 1) continue;
    if (model.in_case && !model.choice.Matches(selected)) continue;
    if (site.text != nullptr || model.is_template) {
      std::string text;
      if (!site.failed && site.text != nullptr && !engine_->Render(site.text, &text)) {
        Fail(&site);
        text.clear();
      }
      if (state != nullptr && model.result >= 0 &&
          static_cast<size_t>(model.result) < state->texts.size()) {
        state->texts[static_cast<size_t>(model.result)] = text;
      }
      out->strings.push_back({model.name, std::move(text)});
      continue;
    }
    Value result;
    RunSite(&site, &result);
    switch (model.kind) {
      case SiteKind::kSelect:
      case SiteKind::kRotate:
      case SiteKind::kShift:
      case SiteKind::kValue: {
        double value = ToDouble(result);
        if (model.has_minimum) value = std::max(value, model.minimum);
        if (model.has_maximum) value = std::min(value, model.maximum);
        int case_index = -1;
        if (model.kind == SiteKind::kSelect) {
          selected = value;
          case_index = CaseChosen(*element->element, value);
        }
        out->values.push_back({model.name, value, model.kind, case_index});
        if (state != nullptr) KeepValue(model.kind, value, case_index, state);
        break;
      }
      default:
        if (model.kind == SiteKind::kScript || model.kind == SiteKind::kOnce) {
          out->scripts.push_back({&model.name, result});
        }
        if (state != nullptr) {
          Keep(site, result, state);
          // Left/Top/Width/HeightScript run once; later frames keep it.
          if (model.kind == SiteKind::kOnce) {
            Keep(site, result, &(*blank_)[static_cast<size_t>(element->index)]);
          }
        }
        break;
    }
  }
  for (CompiledElement& child : element->children) RunElement(&child, frame, out);
}

void Panel::RunClick(const PendingClick& click, GaugeFrame* out) {
  CompiledGauge& gauge = *gauges_[static_cast<size_t>(click.gauge)];
  CompiledArea& area = gauge.areas[click.area];
  GaugeFrame::Clicked shown{area.area->name, "", click.event, ""};
  // A tooltip that is a plain text names the area best; one with scripts
  // would only clutter the line.
  const std::string& tooltip = area.area->tooltip;
  if (!tooltip.empty() && tooltip.find("%(") == std::string::npos) shown.tooltip = tooltip;
  // The area and the areas it is nested in must all be visible.
  bool hidden = false;
  for (int at = static_cast<int>(click.area); at >= 0 && !hidden;
       at = gauge.areas[static_cast<size_t>(at)].area->parent) {
    CompiledArea& outer = gauge.areas[static_cast<size_t>(at)];
    if (!outer.has_visible) continue;
    Value visible;
    RunSite(&outer.visible, &visible);
    hidden = ToDouble(visible) == 0;
  }
  if (hidden) {
    shown.note =
        "the area is hidden (its visibility, or that of an area it is in, gave 0), nothing done";
  }
  const auto takes = [&click](const Click& model) {
    return model.every_event || MouseKindsTake(model.kinds, click.event);
  };
  const std::vector<Click>& models = area.area->clicks;
  if (!hidden && std::none_of(models.begin(), models.end(), takes)) {
    shown.note = "no click of the area takes it";
  }
  const bool done = shown.note.empty();
  out->clicks.push_back(std::move(shown));
  Happened(GaugeFrame::Happening::Kind::kClick, out->clicks.size() - 1, out);
  if (!done) return;
  engine_->SetMouse(click.event, 0, 0);
  for (size_t i = 0; i < models.size(); ++i) {
    const Click& model = models[i];
    if (!takes(model)) continue;
    for (CompiledSite& site : area.clicks[i]) {
      Value ignored;
      RunSite(&site, &ignored);
    }
    for (const KeyEvent& event : model.events) {
      sim_->Fire(gauge.engine_gauge, event.name, event.parameter);
    }
  }
  engine_->SetMouse("", 0, 0);
}

void Panel::Happened(GaugeFrame::Happening::Kind kind, size_t index, GaugeFrame* out) {
  out->happened.push_back({kind, index});
  fired_before_.push_back(sim_->fired());
}

// Puts the gauge's events, by their place among the frame's events, between
// its clicks and messages, by the events fired before each.
void Panel::OrderHappenings(const std::vector<size_t>& events, GaugeFrame* out) {
  if (events.empty()) return;
  using Happening = GaugeFrame::Happening;
  std::vector<Happening> happened;
  happened.reserve(out->happened.size() + events.size());
  size_t next = 0;  // in out->happened
  for (size_t e = 0; e < events.size(); ++e) {
    while (next < out->happened.size() && fired_before_[next] <= events[e]) {
      happened.push_back(out->happened[next++]);
    }
    happened.push_back({Happening::Kind::kEvent, e});
  }
  while (next < out->happened.size()) happened.push_back(out->happened[next++]);
  out->happened = std::move(happened);
}

void Panel::RunFrame(int frame, std::vector<GaugeFrame>* frames) {
  frames->assign(gauges_.size(), GaugeFrame());
  engine_->set_frame(frame);
  MessageSink sink(this);
  DiagnosticSink* const outer =
      messages_ != Messages::kPrinted ? diagnostics_->set_sink(&sink) : nullptr;
  std::vector<std::vector<size_t>> stamps(gauges_.size());
  for (size_t g = 0; g < gauges_.size(); ++g) {
    CompiledGauge& gauge = *gauges_[g];
    GaugeFrame& out = (*frames)[g];
    running_ = &out;
    fired_before_.clear();
    out.gauge = static_cast<int>(g);
    out.file = gauge.model.file;
    for (const PendingClick& click : clicks_) {
      if (click.frame == frame && click.gauge == static_cast<int>(g)) RunClick(click, &out);
    }
    if (keep_elements_) out.elements = gauge.blank;
    blank_ = &gauge.blank;
    for (CompiledSite& update : gauge.updates) {
      Value ignored;
      RunSite(&update, &ignored);
    }
    for (CompiledElement& element : gauge.elements) RunElement(&element, frame, &out);
    // Taken now, so that each gauge shows the values it left, not what a
    // later gauge of the panel wrote to a shared L: variable.
    out.changes = engine_->TakeChanges(gauge.engine_gauge);
    stamps[g] = std::move(fired_before_);
    fired_before_.clear();
  }
  running_ = nullptr;
  if (messages_ != Messages::kPrinted) diagnostics_->set_sink(outer);
  std::vector<std::vector<size_t>> event_places(gauges_.size());
  std::vector<FiredEvent> fired = sim_->TakeEvents();
  for (size_t i = 0; i < fired.size(); ++i) {
    for (size_t g = 0; g < gauges_.size(); ++g) {
      if (gauges_[g]->engine_gauge == fired[i].gauge) {
        (*frames)[g].events.push_back(std::move(fired[i]));
        event_places[g].push_back(i);
        break;
      }
    }
  }
  for (size_t g = 0; g < gauges_.size(); ++g) {
    fired_before_ = std::move(stamps[g]);
    OrderHappenings(event_places[g], &(*frames)[g]);
  }
  fired_before_.clear();
}

}  // namespace runner
