#include "runner/cli/expectations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <utility>

#include "common/ascii_case.h"
#include "runner/base/text.h"
#include "runner/cli/trace.h"

namespace runner {

namespace {

std::string Fold(std::string_view text) { return vellomar::FoldAscii(std::string(Trim(text))); }

// "Element 'Readout'" gives "Readout"; "Element #3" has no id.
std::string ElementId(const Element& element) {
  const std::string& name = element.name;
  const std::string prefix = "Element '";
  if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
      name.back() == '\'') {
    return name.substr(prefix.size(), name.size() - prefix.size() - 1);
  }
  return "";
}

// Every element of a gauge in the order of GaugeFrame::elements (depth
// first, a parent before its children).
void Flatten(const std::vector<Element>& elements, std::vector<const Element*>* out) {
  for (const Element& element : elements) {
    out->push_back(&element);
    Flatten(element.children, out);
  }
}

// As the trace writes numbers: ten significant digits.
std::string Number(double value) {
  if (value == 0) return "0";
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

bool Near(double actual, double expected, double tolerance) {
  return std::fabs(actual - expected) <= tolerance;
}

// Whether `actual` is the text wanted, and how the wanted text is said.
bool TextHolds(const Expected& expected, const std::string& actual, std::string* wanted) {
  if (expected.pattern != nullptr) {
    *wanted = "a match for /" + expected.text + "/";
    return std::regex_search(actual, *expected.pattern);
  }
  *wanted = Trace::Quote(expected.text);
  return actual == expected.text;
}

bool IsModule(const VariableName& variable) {
  return variable.kind == 'C' && Fold(variable.callback) == "vellomar";
}

}  // namespace

Expectations::Expectations(const Scenario* scenario, Panel* panel, const Engine* engine,
                           const SimState* sim, const hostsim::Session* session,
                           Diagnostics* diagnostics)
    : scenario_(scenario),
      panel_(panel),
      engine_(engine),
      sim_(sim),
      session_(session),
      diagnostics_(diagnostics) {}

bool Expectations::Prepare(Diagnostic* problem) {
  const std::vector<Expectation>& expectations = scenario_->expectations;
  results_.assign(expectations.size(), Result());
  elements_.assign(expectations.size(), {});
  order_.clear();
  for (size_t i = 0; i < expectations.size(); ++i) order_.push_back(i);
  std::stable_sort(order_.begin(), order_.end(), [&](size_t a, size_t b) {
    return expectations[a].frame < expectations[b].frame;
  });
  // The panel's elements that have texts, in order, for "#N" and ids.
  std::vector<TextElement> texts;
  std::vector<std::string> ids;
  for (int g = 0; g < panel_->gauges(); ++g) {
    std::vector<const Element*> elements;
    Flatten(panel_->model(g).elements, &elements);
    for (size_t e = 0; e < elements.size(); ++e) {
      if (elements[e]->texts == 0) continue;
      texts.push_back({g, static_cast<int>(e)});
      ids.push_back(Fold(ElementId(*elements[e])));
    }
  }
  const auto fail = [problem](const Place& place, std::string message) {
    *problem = MakeDiagnostic(Severity::kUnreadable, place, std::move(message));
    return false;
  };
  for (size_t i = 0; i < expectations.size(); ++i) {
    for (const Expectation::Text& text : expectations[i].texts) {
      const std::string& element = text.element;
      size_t found = texts.size();
      if (element.size() > 1 && element[0] == '#' &&
          element.find_first_not_of("0123456789", 1) == std::string::npos && element.size() < 9) {
        const size_t number = std::stoul(element.substr(1));
        if (number >= 1 && number <= texts.size()) found = number - 1;
      } else {
        const auto at = std::find(ids.begin(), ids.end(), Fold(element));
        found = static_cast<size_t>(at - ids.begin());
      }
      if (found == texts.size()) {
        return fail(text.place, "no element with a text is called '" + element +
                                    "' (an element's id, or #1 to #" +
                                    std::to_string(texts.size()) + ")");
      }
      elements_[i].push_back(texts[found]);
    }
    for (const Expectation::Variable& check : expectations[i].values) {
      const VariableName& variable = check.variable;
      bool known = true;
      if (variable.kind == 'G') {
        return fail(check.place, "'" + variable.written +
                                     "': G: variables are each gauge's own; expect an L: one");
      }
      if (variable.kind == 'L') {
        known = engine_->FindLocal(variable.name) != nullptr;
        for (const auto& [frame, change] : scenario_->changes) {
          known = known || (change.variable.kind == 'L' &&
                            Fold(change.variable.name) == Fold(variable.name));
        }
      } else if (!IsModule(variable)) {
        known = sim_->Lookup(variable.kind, variable.callback, variable.name, variable.index) !=
                nullptr;
      }
      if (!known) {
        return fail(check.place, "no gauge reads or writes '" + variable.written +
                                     "' and the scenario does not set it");
      }
    }
  }
  return true;
}

bool Expectations::Before(int frame) {
  if (next_ >= order_.size() || scenario_->expectations[order_[next_]].frame != frame) {
    return false;
  }
  kept_elements_ = panel_->keep_elements();
  panel_->set_keep_elements(true);
  return true;
}

void Expectations::Fail(size_t expectation, const Place& place, const std::string& message,
                        int frame) {
  results_[expectation].failures.push_back(FormatPlace(place) + ": " + message);
  diagnostics_->Report(MakeDiagnostic(Severity::kError, place, message, "", frame));
}

std::string Expectations::ReadValue(const Expectation::Variable& check, double tolerance,
                                    bool* holds) const {
  const VariableName& variable = check.variable;
  const Expected& expected = check.expected;
  const Unit* unit = variable.unit;
  bool is_text = false;
  std::string text;
  double number = 0;
  std::string note;
  if (variable.kind == 'L') {
    const NumberVariable* local = engine_->FindLocal(variable.name);
    if (local != nullptr) {
      const Unit& wanted = unit != nullptr ? *unit : NumberUnit();
      const Unit* held = local->unit != nullptr ? local->unit : &NumberUnit();
      if (held->dimension != wanted.dimension) {
        *holds = false;
        return "a value written in " + std::string(held->name) + ", not readable in " + wanted.name;
      }
      number = held == &wanted ? local->written : FromBase(wanted, local->value);
    }
  } else if (IsModule(variable)) {
    const hostsim::PanelObject& panel = session_->panel();
    const hostsim::GaugeObject& gauge = session_->gauge();
    const int32_t end = panel ? session_->exports().get_max_vars() : 0;
    const std::string keyword = Fold(variable.property.empty() ? variable.name : variable.property);
    int32_t id = -1;
    for (int32_t i = 0; i < end && id < 0; ++i) {
      const char* name = nullptr;
      if (panel.ConvertPropertyToString(i, &name) && name != nullptr && Fold(name) == keyword) {
        id = i;
      }
    }
    if (id < 0) {
      *holds = false;
      return "no such keyword in the module";
    }
    if (expected.is_text) {
      const char* value = nullptr;
      if (!gauge.GetText(id, &value) || value == nullptr) {
        *holds = false;
        return "a refused read";
      }
      is_text = true;
      text = value;
    } else if (!gauge.GetNumber(id, &number)) {
      *holds = false;
      return "a refused read";
    }
  } else {
    const SimVariable* sim =
        sim_->Lookup(variable.kind, variable.callback, variable.name, variable.index);
    if (sim == nullptr || !sim->set) {
      note = " (never set)";
    } else if (sim->is_text) {
      is_text = true;
      text = sim->text;
    } else {
      number = sim->In(unit);
    }
  }
  if (expected.is_text) {
    if (!is_text) text = note.empty() ? Number(number) : "";
    std::string wanted;
    *holds = TextHolds(expected, text, &wanted);
    return Trace::Quote(text) + note;
  }
  if (is_text) {
    *holds = false;
    return "the text " + Trace::Quote(text);
  }
  *holds = Near(number, expected.number, tolerance);
  return Number(number) + note;
}

// Every kind of expectation checked in one place; due to be split by kind.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
void Expectations::Check(int frame, const std::vector<GaugeFrame>& gauges) {
  const std::vector<Expectation>& expectations = scenario_->expectations;
  while (next_ < order_.size() && expectations[order_[next_]].frame == frame) {
    const size_t index = order_[next_++];
    const Expectation& expectation = expectations[index];
    const size_t failures = results_[index].failures.size();
    for (size_t t = 0; t < expectation.texts.size(); ++t) {
      const Expectation::Text& check = expectation.texts[t];
      const TextElement& where = elements_[index][t];
      const GaugeFrame& gauge = gauges[static_cast<size_t>(where.gauge)];
      const size_t element = static_cast<size_t>(where.element);
      const bool shown = element < gauge.elements.size() && gauge.elements[element].visible;
      std::string actual;
      if (shown) {
        for (const std::string& part : gauge.elements[element].texts) {
          if (part.empty()) continue;
          if (!actual.empty()) actual += '\n';
          actual += part;
        }
      }
      std::string wanted;
      if (!TextHolds(check.expected, actual, &wanted)) {
        Fail(index, check.place,
             "text of '" + check.element + "': expected " + wanted + ", got " +
                 (shown ? Trace::Quote(actual) : "nothing (the element is hidden)"),
             frame);
      }
    }
    for (const Expectation::Variable& check : expectation.values) {
      bool holds = false;
      const std::string actual = ReadValue(check, expectation.tolerance, &holds);
      if (!holds) {
        const std::string wanted = check.expected.pattern != nullptr
                                       ? "a match for /" + check.expected.text + "/"
                                   : check.expected.is_text ? Trace::Quote(check.expected.text)
                                                            : Number(check.expected.number);
        std::string message = "'" + check.variable.written + "': expected ";
        message.append(wanted).append(", got ").append(actual);
        Fail(index, check.place, message, frame);
      }
    }
    if (expectation.has_events) {
      std::vector<const FiredEvent*> fired;
      for (const GaugeFrame& gauge : gauges) {
        for (const FiredEvent& event : gauge.events) fired.push_back(&event);
      }
      size_t matched = 0;
      for (const FiredEvent* event : fired) {
        if (matched == expectation.events.size()) break;
        const Expectation::Event& wanted = expectation.events[matched];
        if (Fold(event->name) == Fold(wanted.name) &&
            (!wanted.has_parameter ||
             Near(event->parameter, wanted.parameter, expectation.tolerance))) {
          ++matched;
        }
      }
      const bool holds =
          expectation.events.empty() ? fired.empty() : matched == expectation.events.size();
      if (!holds) {
        std::string wanted;
        for (const Expectation::Event& event : expectation.events) {
          wanted += (wanted.empty() ? "" : ", ") + event.name +
                    (event.has_parameter ? " " + Number(event.parameter) : "");
        }
        std::string actual;
        for (const FiredEvent* event : fired) {
          actual += (actual.empty() ? "" : ", ") + event->name + " " + Number(event->parameter);
        }
        Fail(index, expectation.events_place,
             "events: expected " + (wanted.empty() ? "none" : wanted + " in this order") +
                 ", got " + (actual.empty() ? "none" : actual),
             frame);
      }
    }
    results_[index].done = true;
    ++checked_;
    if (results_[index].failures.size() == failures) ++met_;
  }
  panel_->set_keep_elements(kept_elements_);
}

void Expectations::Finish(int last) {
  for (; next_ < order_.size(); ++next_) {
    const size_t index = order_[next_];
    const Expectation& expectation = scenario_->expectations[index];
    Fail(index, expectation.place,
         "frame " + std::to_string(expectation.frame) + " is not reached: the run ends at frame " +
             std::to_string(last),
         0);
    results_[index].done = true;
    ++checked_;
  }
}

bool Expectations::WriteJunit(const std::string& path, const std::string& suite,
                              std::string* problem) const {
  const std::vector<Expectation>& expectations = scenario_->expectations;
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "UTF-8";
  const std::string tests = std::to_string(expectations.size());
  const std::string failures = std::to_string(static_cast<int>(expectations.size()) - met_);
  pugi::xml_node suites = document.append_child("testsuites");
  suites.append_attribute("tests") = tests.c_str();
  suites.append_attribute("failures") = failures.c_str();
  pugi::xml_node node = suites.append_child("testsuite");
  node.append_attribute("name") = suite.c_str();
  node.append_attribute("tests") = tests.c_str();
  node.append_attribute("failures") = failures.c_str();
  node.append_attribute("errors") = "0";
  for (size_t i = 0; i < expectations.size(); ++i) {
    const Expectation& expectation = expectations[i];
    const std::string place = FormatPlace(expectation.place);
    const std::string name = (expectation.name.empty() ? "" : expectation.name + ": ") + "frame " +
                             std::to_string(expectation.frame) + " (" + place + ")";
    pugi::xml_node test = node.append_child("testcase");
    test.append_attribute("name") = name.c_str();
    test.append_attribute("classname") = suite.c_str();
    const std::vector<std::string>& failed = results_[i].failures;
    if (failed.empty()) continue;
    std::string details;
    for (const std::string& line : failed) details += line + "\n";
    pugi::xml_node failure = test.append_child("failure");
    failure.append_attribute("message") = failed.front().c_str();
    failure.append_child(pugi::node_pcdata).set_value(details.c_str());
  }
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
  if (out) document.save(out, "  ");
  out.flush();
  if (!out) {
    *problem = "--junit: cannot write '" + path + "'";
    return false;
  }
  return true;
}

}  // namespace runner
