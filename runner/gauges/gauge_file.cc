#include "runner/gauges/gauge_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <sstream>
#include <system_error>
#include <unordered_map>

#include "common/ascii_case.h"
#include "runner/base/ansi.h"
#include "runner/base/files.h"
#include "runner/base/text.h"
#include "runner/gauges/macros.h"
#include "runner/gauges/schema.h"
#include "runner/language/lexer.h"

namespace runner {

const XmlNode* XmlNode::Child(std::string_view name) const {
  for (const XmlNode& child : children) {
    if (child.tag == name) return &child;
  }
  return nullptr;
}

const std::string* XmlNode::Attribute(std::string_view name) const {
  for (const auto& [key, value] : attributes) {
    if (key == name) return &value;
  }
  return nullptr;
}

namespace {

bool NameIs(const pugi::xml_node& node, const char* name) {
  return std::string_view(node.name()) == name;
}

// Where an element's '<' stands (pugixml gives the offset of its name).
ptrdiff_t ElementOffset(const pugi::xml_node& node) {
  const ptrdiff_t offset = node.offset_debug();
  return offset > 0 ? offset - 1 : offset;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool IsTrue(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return false;
  const char c = vellomar::FoldAscii(text[0]);
  return c == 't' || c == 'y' || c == '1';
}

// A mistake in the characters of the file: an entity XML does not have, or
// a raw '&'. The simulator's XML reader refuses the file.
struct CharacterProblem {
  bool found = false;
  size_t offset = 0;
  std::string message;
};

// What to write instead of an entity of HTML that XML does not have.
std::string EntityAdvice(std::string_view name) {
  static const struct {
    std::string_view name;
    int number;
  } kKnown[] = {{"deg", 176},    {"nbsp", 160},   {"copy", 169},   {"reg", 174},   {"plusmn", 177},
                {"micro", 181},  {"middot", 183}, {"frac12", 189}, {"sup2", 178},  {"times", 215},
                {"divide", 247}, {"euro", 8364},  {"laquo", 171},  {"raquo", 187}, {"para", 182}};
  for (const auto& known : kKnown) {
    if (known.name == name) return "write its number, &#" + std::to_string(known.number) + ";";
  }
  return "write the character's number, as &#176; for the degree sign";
}

// Follows character data through the file as written: `raw` is the file's
// text from where the data starts, `decoded` what the XML reader made of it
// (entities, references and CDATA decoded, CR LF and CR made LF). Appends
// the ANSI bytes of the data to `*text` (when given) and where each stood
// to `*map` (when given); counts characters with no ANSI byte; notes the
// first undefined entity or raw '&' in `*problem` (not inside CDATA).
void FollowText(std::string_view file_text, size_t raw, std::string_view decoded, bool cdata,
                std::string* text, SourceMap* map, size_t* unmapped, uint32_t* first_unmapped,
                size_t* unmapped_offset, CharacterProblem* problem) {
  size_t d = 0;
  while (d < decoded.size()) {
    const size_t at = std::min(raw, file_text.size());
    uint32_t character = 0;
    size_t length = DecodeUtf8(decoded.substr(d), &character);
    if (length == 0) {
      length = 1;
      character = static_cast<unsigned char>(decoded[d]);
    }
    if (raw < file_text.size() && file_text[raw] == '&' && !cdata) {
      uint32_t referenced = 0;
      const size_t reference = ReadReference(file_text.substr(raw), &referenced);
      if (reference == 0 && !problem->found) {
        problem->found = true;
        problem->offset = raw;
        size_t end = raw + 1;
        while (
            end < file_text.size() && end < raw + 32 &&
            (std::isalnum(static_cast<unsigned char>(file_text[end])) || file_text[end] == '#')) {
          ++end;
        }
        if (end < file_text.size() && file_text[end] == ';' && end > raw + 1) {
          const std::string_view name = file_text.substr(raw + 1, end - raw - 1);
          problem->message = "undefined entity '&" + std::string(name) +
                             ";': XML has only &lt; &gt; &amp; &apos; &quot; and numbers; " +
                             EntityAdvice(name);
        } else {
          problem->message = "a raw '&' in text: write &amp;";
        }
      }
      raw += reference > 0 ? reference : 1;
    } else if (raw < file_text.size() && file_text[raw] == '\r') {
      raw += raw + 1 < file_text.size() && file_text[raw + 1] == '\n' ? 2 : 1;
    } else {
      raw += length;
    }
    d += length;
    if (text == nullptr) continue;
    unsigned char byte = 0;
    if (!AnsiByte(character, &byte)) {
      byte = static_cast<unsigned char>(kNoAnsiByte);
      if ((*unmapped)++ == 0) {
        *first_unmapped = character;
        *unmapped_offset = at;
      }
    }
    text->push_back(static_cast<char>(byte));
    if (map != nullptr) map->Add(at, 0);
  }
}

// Whether text[at] stands inside a template's %( ) part.
bool InScriptPart(std::string_view text, size_t at) {
  if (at >= text.size()) return false;
  const size_t open = text.rfind("%(", at);
  return open != std::string_view::npos && text.find(')', open) > at;
}

class GaugeReader {
 public:
  GaugeReader(const std::string& file, std::string_view contents, GaugeModel* model)
      : file_(file),
        contents_(contents),
        lines_(std::make_shared<LineTable>(contents, 1, 1, true)),
        model_(model) {}

  // The first undefined entity or raw '&' of the file's text and attributes.
  CharacterProblem CheckCharacters(const pugi::xml_node& root, const char* buffer_start,
                                   size_t buffer_size) {
    CharacterProblem problem;
    std::vector<pugi::xml_node> pending{root};
    while (!pending.empty() && !problem.found) {
      const pugi::xml_node node = pending.back();
      pending.pop_back();
      for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling()) {
        pending.push_back(child);
      }
      if (node.type() == pugi::node_pcdata) {
        FollowText(contents_, static_cast<size_t>(node.offset_debug()), node.value(), false,
                   nullptr, nullptr, nullptr, nullptr, nullptr, &problem);
      }
      if (node.type() != pugi::node_element) continue;
      for (pugi::xml_attribute attribute : node.attributes()) {
        // Parsed in place: a value that is not empty stands in the buffer.
        const char* value = attribute.value();
        if (*value == '\0' || value < buffer_start || value >= buffer_start + buffer_size) continue;
        FollowText(contents_, static_cast<size_t>(value - buffer_start), value, false, nullptr,
                   nullptr, nullptr, nullptr, nullptr, &problem);
        if (problem.found) break;
      }
    }
    return problem;
  }

  // Characters the ANSI code page has no byte for, once per file.
  void WarnUnmapped() {
    if (unmapped_ == 0) return;
    model_->warnings.push_back(MakeDiagnostic(
        Severity::kWarning, lines_->At(file_, static_cast<std::ptrdiff_t>(unmapped_offset_)),
        std::to_string(unmapped_) + (unmapped_ == 1 ? " character" : " characters") +
            " of scripts and texts (the first " + CharacterName(first_unmapped_) +
            ") the simulator's ANSI code page (Windows-1252) has no byte for: each reads as '?'"));
  }

  void DefineMacros(const pugi::xml_node& root) {
    // Macros count wherever they stand, before or after their uses.
    std::vector<pugi::xml_node> pending{root};
    while (!pending.empty()) {
      const pugi::xml_node node = pending.back();
      pending.pop_back();
      for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling()) {
        if (child.type() == pugi::node_element) pending.push_back(child);
      }
      if (!NameIs(node, "Macro")) continue;
      std::string name = node.attribute("Name").value();
      if (name.empty()) name = node.attribute("id").value();
      if (name.empty()) continue;
      const pugi::xml_node value = node.child("MacroValue");
      auto map = std::make_shared<SourceMap>(file_, lines_);
      std::string text = AnsiText(value ? value : node, map.get());
      macros_.Define(name, std::move(text), std::move(map));
    }
  }

  void ReadGauge(const pugi::xml_node& gauge) {
    model_->name = gauge.attribute("Name").value();
    if (model_->name.empty()) model_->name = gauge.attribute("id").value();
    model_->new_schema = NameIs(gauge, "SimGauge.Gauge");
    BuildNode(gauge, &model_->root);
    for (pugi::xml_node child : gauge.children()) {
      if (NameIs(child, "Update")) {
        const pugi::xml_node script = child.child("Script");
        Site site = MakeSite(script ? script : child, SiteKind::kUpdate, "<Update>");
        Keep(std::move(site), &model_->updates);
      } else if (NameIs(child, "Element")) {
        model_->elements.emplace_back();
        ReadElement(child, &model_->elements.back());
      } else if (NameIs(child, "Mouse")) {
        // A <Mouse> with a <Click> of its own is an area covering the
        // whole gauge (simple FS9 switches); its <Area>s nest in it.
        if (child.child("Click")) {
          ReadArea(child);
        } else {
          for (pugi::xml_node area : child.children("Area")) ReadArea(area);
        }
      } else if (NameIs(child, "MouseArea")) {
        ReadArea(child);
      }
    }
  }

 private:
  // The text of a node: its character data, comments left out.
  static std::string Text(const pugi::xml_node& node) {
    std::string text;
    for (pugi::xml_node child : node.children()) {
      if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
        text += child.value();
      }
    }
    return text;
  }

  // The ANSI bytes of a node's character data, comments left out, and where
  // each stands in the file.
  std::string AnsiText(const pugi::xml_node& node, SourceMap* map) {
    std::string text;
    CharacterProblem ignored;  // CheckCharacters found them already
    for (pugi::xml_node child : node.children()) {
      if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
        FollowText(contents_, static_cast<size_t>(child.offset_debug()), child.value(),
                   child.type() == pugi::node_cdata, &text, map, &unmapped_, &first_unmapped_,
                   &unmapped_offset_, &ignored);
      }
    }
    return text;
  }

  Site MakeSite(const pugi::xml_node& node, SiteKind kind, const std::string& name) {
    Site site;
    site.kind = kind;
    site.name = name;
    auto map = std::make_shared<SourceMap>(file_, lines_);
    site.text = AnsiText(node, map.get());
    site.source = std::move(map);
    int origin = 0;
    site.place =
        site.source->empty() ? lines_->At(file_, ElementOffset(node)) : site.source->At(0, &origin);
    if (case_ != nullptr) {
      site.in_case = true;
      site.choice = *case_;
    }
    if (element_ != nullptr &&
        (kind == SiteKind::kText || kind == SiteKind::kScript || kind == SiteKind::kOnce)) {
      site.result = kind == SiteKind::kText ? element_->texts++ : element_->scripts++;
      results_[node.internal_object()] = site.result;
    }
    return site;
  }

  // Copies `node` into `*out`, leaving out what other parts of the model
  // hold (elements, mouse areas, updates, macros) and comments.
  void BuildNode(const pugi::xml_node& node, XmlNode* out) {
    out->tag = node.name();
    out->place = lines_->At(file_, ElementOffset(node));
    for (pugi::xml_attribute attribute : node.attributes()) {
      out->attributes.emplace_back(attribute.name(), ExpandBounded(attribute.value()));
    }
    out->text = ExpandBounded(Text(node));
    const auto found = results_.find(node.internal_object());
    if (found != results_.end()) out->result = found->second;
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = child.name();
      if (name == "Element" || name == "MouseArea" || name == "Mouse" || name == "Update" ||
          name == "Macro" || name == "Comment" || name == "KeyMap") {
        continue;
      }
      out->children.emplace_back();
      BuildNode(child, &out->children.back());
    }
  }

  // Expands the macros of a drawing property, within the file's budget for
  // expansions; text that does not expand is kept as written.
  std::string ExpandBounded(const std::string& text) {
    if (text.find('@') == std::string::npos) return text;
    // Macros hold ANSI bytes; drawing reads UTF-8.
    std::string expanded;
    std::string problem;
    if (!macros_.Expand(Utf8ToAnsi(text), &expanded, &problem)) return text;
    expanded = AnsiToUtf8Exact(expanded);
    if (expanded.size() > text.size()) {
      if (expanded_bytes_ + expanded.size() - text.size() > kMaxExpandedBytes) return text;
      expanded_bytes_ += expanded.size() - text.size();
    }
    return expanded;
  }

  // Expands the site's macros and adds it to `sites`, or records the
  // expansion error.
  void Keep(Site site, std::vector<Site>* sites) {
    std::string expanded;
    std::string problem;
    auto map = std::make_shared<SourceMap>(file_, lines_);
    std::vector<MacroNotice> notices;
    bool ok =
        macros_.Expand(site.text, site.source.get(), &expanded, map.get(), &notices, &problem);
    for (const MacroNotice& notice : notices) {
      // A script's compiler reports a lone @name as the unknown word it is
      // (in a template, inside %( )).
      if (notice.kind == MacroNotice::Kind::kUndefined && notice.whole_word &&
          (!site.is_template || InScriptPart(site.text, notice.text_offset))) {
        continue;
      }
      const std::string key = std::to_string(static_cast<int>(notice.kind)) + notice.name;
      if (std::find(noticed_.begin(), noticed_.end(), key) != noticed_.end()) continue;
      noticed_.push_back(key);
      model_->warnings.push_back(MakeDiagnostic(
          Severity::kWarning, lines_->At(file_, static_cast<std::ptrdiff_t>(notice.offset)),
          notice.message + map->Note(notice.origin), site.name));
    }
    if (ok && site.text.size() < expanded.size()) {
      // Each expansion is bounded, and so is their sum: a small file must
      // not grow into a large model.
      expanded_bytes_ += expanded.size() - site.text.size();
      if (expanded_bytes_ > kMaxExpandedBytes) {
        problem = "macros of this file expand to more than " +
                  std::to_string(kMaxExpandedBytes >> 20) + " MiB in all";
        ok = false;
      }
    }
    if (!ok) {
      model_->macro_errors.emplace_back(std::move(site), std::move(problem));
      return;
    }
    site.text = std::move(expanded);
    // A hostile file's macros may cut their text into a piece a byte: its
    // places are then counted in the expanded text, so that what is kept
    // stays near the size of the text.
    if (map->spans() <= kMaxSpans) {
      site.source = std::move(map);
    } else {
      site.source = nullptr;
    }
    sites->push_back(std::move(site));
  }

  std::string ExpandOrKeep(const std::string& text) {
    std::string expanded;
    std::string problem;
    return macros_.Expand(text, &expanded, &problem) ? expanded : text;
  }

  static void ReadLimit(const pugi::xml_node& node, const char* name, bool* has, double* limit) {
    const pugi::xml_attribute attribute = node.attribute(name);
    const pugi::xml_node child = node.child(name);
    const char* text = attribute ? attribute.value() : child ? child.child_value() : nullptr;
    if (text == nullptr) return;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    // FSX writes -9999999 for "no limit".
    if (end == text || value == -9999999.0) return;
    *has = true;
    *limit = value;
  }

  void ReadTransform(const pugi::xml_node& node, SiteKind kind, Element* element) {
    const std::string name = element->name + " <" + node.name() + ">";
    for (pugi::xml_node child : node.children()) {
      pugi::xml_node script;
      if (NameIs(child, "Value")) {
        script = child;
      } else if (NameIs(child, "Expression")) {
        script = child.child("Script");
        if (!script) continue;
      } else {
        continue;
      }
      Site site = MakeSite(script, kind, name);
      ReadLimit(child, "Minimum", &site.has_minimum, &site.minimum);
      ReadLimit(child, "Maximum", &site.has_maximum, &site.maximum);
      Keep(std::move(site), &element->sites);
    }
    if (kind == SiteKind::kSelect) {
      for (pugi::xml_node child : node.children("Case")) ReadCase(child, element);
    }
  }

  // A <Case>'s texts: FS9 <Text>/<FormattedText> or a bare <String>, FSX
  // <GaugeText>; shown as texts of the element when the case is chosen.
  void ReadCase(const pugi::xml_node& node, Element* element) {
    CaseChoice choice;
    ReadLimit(node, "Value", &choice.has_value, &choice.value);
    ReadLimit(node, "ExpressionResult", &choice.has_value, &choice.value);
    ReadLimit(node, "Minimum", &choice.has_minimum, &choice.minimum);
    ReadLimit(node, "Maximum", &choice.has_maximum, &choice.maximum);
    element->cases.push_back(choice);
    std::string label = node.attribute("Value").value();
    if (label.empty()) label = node.child_value("ExpressionResult");
    if (label.empty() && (choice.has_minimum || choice.has_maximum)) {
      const pugi::xml_node minimum = node.child("Minimum");
      const pugi::xml_node maximum = node.child("Maximum");
      label =
          std::string(Trim(minimum ? minimum.child_value() : node.attribute("Minimum").value())) +
          ".." +
          std::string(Trim(maximum ? maximum.child_value() : node.attribute("Maximum").value()));
    }
    const std::string saved_name = element->name;
    element->name +=
        " <Case" + (label.empty() ? std::string() : " " + std::string(Trim(label))) + ">";
    case_ = &choice;
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = child.name();
      if (name == "Text" || name == "FormattedText" || name == "GaugeText") {
        ReadText(child, element);
      } else if (name == "String" || name == "GaugeString") {
        Site site = MakeSite(child, SiteKind::kText, element->name + " <" + child.name() + ">");
        site.is_template = true;
        Keep(std::move(site), &element->sites);
      }
    }
    case_ = nullptr;
    element->name = saved_name;
  }

  void ReadText(const pugi::xml_node& node, Element* element) {
    const bool multiline = NameIs(node, "FormattedText") || IsTrue(node.child_value("Multiline"));
    const std::string prefix = element->name + " <" + node.name() + ">";
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view child_name = child.name();
      if (child_name == "String" || child_name == "GaugeString") {
        Site site = MakeSite(child, SiteKind::kText, prefix);
        site.is_template = true;
        site.multiline = multiline;
        Keep(std::move(site), &element->sites);
      } else if (EndsWith(child_name, "Script") || child_name == "BlinkCode" ||
                 child_name == "ScrollY") {
        Keep(MakeSite(child, SiteKind::kScript, element->name + " <" + child.name() + ">"),
             &element->sites);
      }
    }
  }

  void ReadScripts(const pugi::xml_node& node, Element* element) {
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element || !EndsWith(child.name(), "Script")) continue;
      Keep(MakeSite(child, ScriptKind(child.name()), element->name + " <" + child.name() + ">"),
           &element->sites);
    }
  }

  // The simulator draws a <CustomDraw> (a map, an engine layer) itself, but
  // evaluates each <CustomDrawParam>'s script every frame and hands it over:
  // each is a value of its element, as written or in a <Value>/<Script>.
  void ReadCustomDraw(const pugi::xml_node& node, Element* element) {
    ReadScripts(node, element);
    for (pugi::xml_node param : node.children("CustomDrawParam")) {
      pugi::xml_node script = param.child("Value");
      if (!script) script = param.child("Script");
      std::string label = param.attribute("Name").value();
      if (label.empty()) label = param.attribute("id").value();
      Keep(MakeSite(script ? script : param, SiteKind::kValue,
                    element->name + " <CustomDrawParam" +
                        (label.empty() ? "" : " '" + label + "'") + ">"),
           &element->sites);
    }
  }

  static SiteKind ScriptKind(std::string_view name) {
    return name == "LeftScript" || name == "TopScript" || name == "WidthScript" ||
                   name == "HeightScript"
               ? SiteKind::kOnce
               : SiteKind::kScript;
  }

  void ReadElement(const pugi::xml_node& node, Element* element) {
    ++element_count_;
    std::string id = node.attribute("id").value();
    if (id.empty()) id = node.attribute("Name").value();
    element->name =
        id.empty() ? "Element #" + std::to_string(element_count_) : "Element '" + id + "'";
    element->place = lines_->At(file_, ElementOffset(node));
    Element* const outer = element_;
    element_ = element;
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = child.name();
      if (name == "Element") {
        element->children.emplace_back();
        ReadElement(child, &element->children.back());
      } else if (name == "Visible" || name == "Visibility") {
        std::vector<Site> visible;
        Keep(MakeSite(child, SiteKind::kVisible, element->name + " <" + child.name() + ">"),
             &visible);
        // An empty <Visibility/> hides nothing.
        if (!visible.empty() && !Trim(visible.front().text).empty()) {
          element->has_visible = true;
          element->visible = std::move(visible.front());
        }
      } else if (name == "Select") {
        ReadTransform(child, SiteKind::kSelect, element);
      } else if (name == "Rotate" || name == "Rotation") {
        ReadTransform(child, SiteKind::kRotate, element);
      } else if (name == "Shift") {
        ReadTransform(child, SiteKind::kShift, element);
      } else if (name == "Value") {
        Keep(MakeSite(child, SiteKind::kValue, element->name + " <Value>"), &element->sites);
      } else if (name == "Text" || name == "FormattedText" || name == "GaugeText") {
        ReadText(child, element);
      } else if (name == "MouseArea") {
        ReadArea(child);
      } else if (EndsWith(name, "Script")) {
        Keep(MakeSite(child, ScriptKind(name), element->name + " <" + child.name() + ">"),
             &element->sites);
      } else if (name == "CustomDraw") {
        ReadCustomDraw(child, element);
      } else if (name != "Comment" && name != "FailureTable" && name != "KeyMap") {
        ReadScripts(child, element);  // shapes: LineColorScript, FillColorScript, ...
      }
    }
    BuildNode(node, &element->node);
    element_ = outer;
  }

  void ReadClick(const pugi::xml_node& node, const std::string& area, Click* click) {
    const std::string site_name = area + " <" + node.name() + ">";
    if (NameIs(node, "Click")) {
      click->kinds = node.attribute("Kind").value();
      const std::string event = ExpandOrKeep(node.attribute("Event").value());
      if (!event.empty()) click->events.push_back({event, 0});
      if (!Text(node).empty()) Keep(MakeSite(node, SiteKind::kClick, site_name), &click->scripts);
      return;
    }
    if (NameIs(node, "CallbackCode")) {
      click->every_event = true;
      Keep(MakeSite(node, SiteKind::kClick, site_name), &click->scripts);
      return;
    }
    // <WheelUp> and <WheelDown> are clicks of their own event, whose key
    // events carry the area's <Parameter>.
    const bool wheel = NameIs(node, "WheelUp") || NameIs(node, "WheelDown");
    click->kinds = wheel ? node.name() : node.child_value("ClickType");
    double parameter = 0;
    if (wheel) parameter = std::strtod(node.child_value("Parameter"), nullptr);
    for (pugi::xml_node child : node.children()) {
      if (NameIs(child, "Script")) {
        Keep(MakeSite(child, SiteKind::kClick, site_name), &click->scripts);
      } else if (NameIs(child, "KeyEvent")) {
        const std::string event(Trim(ExpandOrKeep(Text(child))));
        if (!event.empty()) click->events.push_back({event, parameter});
      }
    }
  }

  void ReadArea(const pugi::xml_node& node, int parent = -1) {
    MouseArea area;
    area.number = static_cast<int>(model_->areas.size()) + 1;
    area.parent = parent;
    const std::string id = node.attribute("id").value();
    area.name = id.empty() || id == "MouseArea" ? "Area #" + std::to_string(area.number)
                                                : "MouseArea '" + id + "'";
    area.place = lines_->At(file_, ElementOffset(node));
    const size_t at = model_->areas.size();
    model_->areas.push_back(area);
    std::vector<pugi::xml_node> nested;
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = child.name();
      MouseArea& self = model_->areas[at];
      if (name == "Tooltip") {
        pugi::xml_node script = child.child("DefaultScript");
        if (!script && !Text(child).empty()) script = child;
        if (script) {
          std::vector<Site> tooltip;
          Site site = MakeSite(script, SiteKind::kTooltip, self.name + " <Tooltip>");
          site.is_template = true;
          Keep(std::move(site), &tooltip);
          if (!tooltip.empty()) {
            self.has_tooltip_template = true;
            self.tooltip_template = std::move(tooltip.front());
            self.tooltip = self.tooltip_template.text;
          }
        }
        if (self.tooltip.empty()) {
          self.tooltip = child.attribute("ID").value();
          if (self.tooltip.empty()) self.tooltip = child.child_value("DefaultID");
        }
      } else if (name == "Visibility" || name == "Visible") {
        std::vector<Site> visible;
        Keep(MakeSite(child, SiteKind::kVisible, self.name + " <" + child.name() + ">"), &visible);
        if (!visible.empty() && !Trim(visible.front().text).empty()) {
          self.has_visible = true;
          self.visible = std::move(visible.front());
        }
      } else if (name == "Click" || name == "MouseClick" || name == "CallbackCode" ||
                 name == "WheelUp" || name == "WheelDown") {
        Click click;
        ReadClick(child, self.name, &click);
        self.clicks.push_back(std::move(click));
      } else if (name == "Area" || name == "MouseArea") {
        nested.push_back(child);
      }
    }
    for (const pugi::xml_node& child : nested) ReadArea(child, static_cast<int>(at));
  }

  const std::string& file_;
  std::string_view contents_;  // the file's text as UTF-8
  std::shared_ptr<const LineTable> lines_;
  GaugeModel* model_;
  size_t unmapped_ = 0;  // characters with no ANSI byte
  uint32_t first_unmapped_ = 0;
  size_t unmapped_offset_ = 0;
  std::vector<std::string> noticed_;  // macro notices warned about: kind and name
  static constexpr size_t kMaxExpandedBytes = size_t{16} << 20;
  static constexpr size_t kMaxSpans = size_t{1} << 14;

  MacroTable macros_;
  const CaseChoice* case_ = nullptr;  // the <Case> being read, if any
  Element* element_ = nullptr;        // the element being read, if any
  // Result slots of the site nodes read so far, by pugixml's node.
  std::unordered_map<const void*, int> results_;
  size_t expanded_bytes_ = 0;
  int element_count_ = 0;
};

// UTF-16 (with its byte-order mark, which is left out) as UTF-8; a lone
// surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes) {
  const bool big = bytes[0] == '\xFE';
  std::string text;
  text.reserve(bytes.size());
  const auto unit = [&](size_t i) -> uint32_t {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<uint32_t>(big ? (a << 8 | b) : (b << 8 | a));
  };
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    uint32_t code = unit(i);
    if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    AppendUtf8(code, &text);
  }
  return text;
}

// Whether the XML declaration names the ANSI code page: ISO-8859-1 (which
// Windows reads as Windows-1252), Windows-1252 or their other names.
bool DeclaresAnsi(std::string_view contents) {
  if (contents.substr(0, 5) != "<?xml") return false;
  const size_t end = contents.find("?>");
  if (end == std::string_view::npos || end > 512) return false;
  std::string prolog(contents.substr(0, end + 2));
  pugi::xml_document declaration;
  // The prolog alone has no root element: the reader says so, and keeps
  // the declaration it read.
  declaration.load_buffer(prolog.data(), prolog.size(), pugi::parse_declaration,
                          pugi::encoding_utf8);
  const pugi::xml_node node = declaration.first_child();
  if (node.type() != pugi::node_declaration) return false;
  std::string encoding = node.attribute("encoding").value();
  for (char& c : encoding) c = vellomar::FoldAscii(c);
  return encoding == "iso-8859-1" || encoding == "iso8859-1" || encoding == "latin1" ||
         encoding == "latin-1" || encoding == "windows-1252" || encoding == "cp1252";
}

// Finds an element nested deeper than the reader goes (it reads elements
// and mouse areas recursively); real gauges nest a few levels, a hostile
// file may nest a hundred thousand.
class DepthCheck : public pugi::xml_tree_walker {
 public:
  static constexpr int kMaxDepth = 200;
  bool for_each(pugi::xml_node& node) override {
    if (depth() < kMaxDepth) return true;
    too_deep_ = node;
    return false;
  }
  pugi::xml_node too_deep() const { return too_deep_; }

 private:
  pugi::xml_node too_deep_;
};

}  // namespace

bool ParseGaugeFile(const std::string& file, std::string_view contents, GaugeModel* model,
                    Diagnostic* problem) {
  *model = GaugeModel();
  model->file = file;
  // The XML reader gets UTF-8, and columns count its characters. A UTF-8
  // byte-order mark is left out so that columns count from the text; UTF-16
  // is converted. Gauges saved by Windows editors are often in the ANSI code
  // page (declared ISO-8859-1 or Windows-1252, or not declared at all, with
  // a raw 0xB0 for the degree sign): such a file, and any file that is not
  // valid UTF-8, is read as Windows-1252.
  std::string text;
  if (contents.substr(0, 3) == "\xEF\xBB\xBF") {
    text = contents.substr(3);
  } else if (contents.size() >= 2 &&
             (contents.substr(0, 2) == "\xFF\xFE" || contents.substr(0, 2) == "\xFE\xFF")) {
    text = Utf16ToUtf8(contents);
  } else if (!IsValidUtf8(contents) || DeclaresAnsi(contents)) {
    text = AnsiToUtf8Exact(contents);
  } else {
    text = contents;
  }
  // Parsed in place (in a copy: the reader decodes into it), so that
  // attribute values can be found in the file's text.
  std::string buffer = text;
  pugi::xml_document document;
  const pugi::xml_parse_result result = document.load_buffer_inplace(
      buffer.data(), buffer.size(), pugi::parse_default, pugi::encoding_utf8);
  const LineTable lines(text, 1, 1, true);
  if (!result) {
    std::string description = std::string("not well-formed XML: ") + result.description();
    ptrdiff_t offset = result.offset;
    // "1 < 2" in a script: what is not a tag is a '<' that should be &lt;.
    if (result.status == pugi::status_unrecognized_tag && offset > 0 &&
        static_cast<size_t>(offset) <= text.size() &&
        text[static_cast<size_t>(offset) - 1] == '<') {
      --offset;
      description = "not well-formed XML: a raw '<' in text: write &lt;";
    }
    *problem = MakeDiagnostic(Severity::kUnreadable, lines.At(file, offset), description);
    return false;
  }
  pugi::xml_node gauge = document.document_element();
  if (NameIs(gauge, "SimBase.Document")) gauge = gauge.child("SimGauge.Gauge");
  if (!gauge || !(NameIs(gauge, "Gauge") || NameIs(gauge, "SimGauge.Gauge"))) {
    *problem = MakeDiagnostic(
        Severity::kUnreadable, lines.At(file, ElementOffset(document.document_element())),
        std::string("not a gauge file: the root is <") + document.document_element().name() +
            ">, not <Gauge> or <SimBase.Document> with <SimGauge.Gauge>");
    return false;
  }
  DepthCheck depth;
  if (!document.traverse(depth)) {
    *problem = MakeDiagnostic(
        Severity::kUnreadable, lines.At(file, ElementOffset(depth.too_deep())),
        "elements nested more than " + std::to_string(DepthCheck::kMaxDepth) + " levels deep");
    return false;
  }
  model->folder = std::filesystem::u8path(file).parent_path().u8string();
  GaugeReader reader(file, text, model);
  const CharacterProblem characters =
      reader.CheckCharacters(document.document_element(), buffer.data(), buffer.size());
  if (characters.found) {
    *problem = MakeDiagnostic(Severity::kUnreadable,
                              lines.At(file, static_cast<ptrdiff_t>(characters.offset)),
                              "not well-formed XML: " + characters.message);
    return false;
  }
  reader.DefineMacros(document.document_element());
  reader.ReadGauge(gauge);
  reader.WarnUnmapped();
  CheckSchema(
      gauge, model->new_schema,
      [&](const pugi::xml_node& node) { return lines.At(file, ElementOffset(node)); },
      &model->schema_warnings);
  return true;
}

bool LoadGaugeFile(const std::string& path, GaugeModel* model, Diagnostic* problem) {
  std::string contents;
  return ReadRegularFile(path, &contents, problem) &&
         ParseGaugeFile(path, contents, model, problem);
}

}  // namespace runner
