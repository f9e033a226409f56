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
#include "runner/base/files.h"
#include "runner/base/text.h"
#include "runner/gauges/macros.h"
#include "runner/gauges/schema.h"

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

class GaugeReader {
 public:
  GaugeReader(const std::string& file, std::string_view contents, GaugeModel* model)
      : file_(file), lines_(contents), model_(model) {}

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
      macros_.Define(name, Text(value ? value : node));
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

  Site MakeSite(const pugi::xml_node& node, SiteKind kind, const std::string& name) {
    Site site;
    site.kind = kind;
    site.name = name;
    ptrdiff_t offset = ElementOffset(node);
    for (pugi::xml_node child : node.children()) {
      if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
        offset = child.offset_debug();
        break;
      }
    }
    site.place = lines_.At(file_, offset);
    site.text = Text(node);
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
    out->place = lines_.At(file_, ElementOffset(node));
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
    std::string expanded;
    std::string problem;
    if (!macros_.Expand(text, &expanded, &problem)) return text;
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
    bool ok = macros_.Expand(site.text, &expanded, &problem);
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
    element->place = lines_.At(file_, ElementOffset(node));
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
    area.place = lines_.At(file_, ElementOffset(node));
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
  LineTable lines_;
  GaugeModel* model_;
  static constexpr size_t kMaxExpandedBytes = size_t{16} << 20;

  MacroTable macros_;
  const CaseChoice* case_ = nullptr;  // the <Case> being read, if any
  Element* element_ = nullptr;        // the element being read, if any
  // Result slots of the site nodes read so far, by pugixml's node.
  std::unordered_map<const void*, int> results_;
  size_t expanded_bytes_ = 0;
  int element_count_ = 0;
};

// Whether `text` is well-formed UTF-8 (no overlong forms are checked: any
// lead byte with the right continuation bytes passes).
bool IsUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t length = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xE  ? 3
                          : (c >> 3) == 0x1E ? 4
                                             : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t j = 1; j < length; ++j) {
      if ((static_cast<unsigned char>(text[i + j]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

std::string Latin1ToUtf8(std::string_view text) {
  std::string converted;
  converted.reserve(text.size() + text.size() / 8);
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c < 0x80) {
      converted.push_back(byte);
    } else {
      converted.push_back(static_cast<char>(0xC0 | (c >> 6)));
      converted.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return converted;
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
  // A UTF-8 byte-order mark is left out so that columns count from the text.
  if (contents.size() >= 3 && contents.substr(0, 3) == "\xEF\xBB\xBF") contents.remove_prefix(3);
  const bool utf16 = contents.size() >= 2 &&
                     (contents.substr(0, 2) == "\xFF\xFE" || contents.substr(0, 2) == "\xFE\xFF");
  // Gauges saved by Windows editors are often in the ANSI code page (an
  // ISO-8859-1 or Windows-1252 declaration, or none at all, with a raw 0xB0
  // for the degree sign). Bytes that are not UTF-8 are read as Latin-1, so
  // texts show the characters the author typed.
  std::string converted;
  if (!utf16 && !IsUtf8(contents)) {
    converted = Latin1ToUtf8(contents);
    contents = converted;
  }
  // A copy, so that the parser gets an aligned buffer even after the mark
  // was cut off (it reads UTF-16 two bytes at a time).
  const std::string buffer(contents);
  pugi::xml_document document;
  const pugi::xml_parse_result result =
      document.load_buffer(buffer.data(), buffer.size(), pugi::parse_default,
                           utf16 ? pugi::encoding_auto : pugi::encoding_utf8);
  const LineTable lines(contents);
  if (!result) {
    *problem = MakeDiagnostic(Severity::kUnreadable, lines.At(file, result.offset),
                              std::string("not well-formed XML: ") + result.description());
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
  GaugeReader reader(file, contents, model);
  reader.DefineMacros(document.document_element());
  reader.ReadGauge(gauge);
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
