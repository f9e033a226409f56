#include "runner/gauges/schema.h"

#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace runner {

namespace {

struct Container {
  std::string_view name;
  std::vector<std::string_view> children;
};

// The FSX schema's inventory, for the containers scripting depends on.
// <Comment> may stand anywhere.
const std::vector<Container>& FsxContainers() {
  static const std::vector<Container> containers = {
      {"SimGauge.Gauge",
       {"Include", "ArtDirectory", "Size", "FloatPosition", "Element", "KeyMap", "Macro",
        "MouseArea", "Name", "Image", "MaskImage", "Update", "Update_When_Hidden"}},
      {"Element",
       {"Arc",
        "Circle",
        "ClipRect",
        "CustomDraw",
        "Element",
        "Ellipse",
        "EnablePositionUpdate",
        "FloatPosition",
        "FailureTable",
        "GaugeText",
        "HorizontalLine",
        "Image",
        "Include",
        "LeftScript",
        "MaskImage",
        "Pie",
        "Polygon",
        "Polyline",
        "PolyLine",
        "Rectangle",
        "Rotation",
        "SizeScale",
        "Select",
        "Shift",
        "Texture",
        "TopScript",
        "VerticalLine",
        "Visibility"}},
      {"Select", {"Case", "Expression", "FailureTable"}},
      {"Case", {"ExpressionResult", "Minimum", "Maximum", "GaugeText", "Image"}},
      {"Rotation",
       {"Delay", "NonlinearityTable", "Expression", "FailureTable", "PointsTo", "DegreesPointsTo"}},
      {"Shift",
       {"Delay", "NonlinearityTable", "Scale", "Expression", "WrapMin", "WrapMax", "FailureTable"}},
      {"Expression", {"Minimum", "Maximum", "Script"}},
      // <CallbackCode> is FSX's: a script for every event of the area.
      {"MouseArea",
       {"Visibility", "FloatPosition", "Size", "MouseArea", "MouseClick", "WheelUp", "WheelDown",
        "CursorType", "HelpID", "Tooltip", "CallbackCode"}},
      {"MouseClick", {"KeyEvent", "Script", "ClickType", "MouseWheelFlip", "ClickRepeat"}},
      {"WheelUp", {"KeyEvent", "Parameter"}},
      {"WheelDown", {"KeyEvent", "Parameter"}},
      {"Tooltip",
       {"DefaultID", "EnglishID", "MetricID", "DefaultScript", "EnglishScript", "MetricScript"}},
      {"Update", {"Script", "Frequency", "Update"}},
      {"Macro", {"Name", "MacroValue"}},
  };
  return containers;
}

const Container* FindContainer(std::string_view name) {
  for (const Container& container : FsxContainers()) {
    if (container.name == name) return &container;
  }
  return nullptr;
}

bool Has(const Container& container, std::string_view child) {
  for (std::string_view name : container.children) {
    if (name == child) return true;
  }
  return false;
}

// The FS2004 names and what the FSX schema calls them.
constexpr std::pair<std::string_view, std::string_view> kFs2004Names[] = {
    {"Area", "<MouseArea>"},
    {"Mouse", "<MouseArea>"},
    {"Click", "<MouseClick>"},
    {"Visible", "<Visibility>"},
    {"Rotate", "<Rotation>"},
    {"Value", "<Expression>"},
    {"Text", "<GaugeText>"},
    {"FormattedText", "<GaugeText>"},
    {"String", "<GaugeString>"},
    {"Position", "<FloatPosition>"},
    {"Nonlinearity", "<NonlinearityTable>"},
    {"Cursor", "<CursorType>"},
    {"Help", "<HelpID>"},
    {"Failures", "<FailureTable>"},
};

// The FSX names and what an FS2004 gauge writes instead.
constexpr std::pair<std::string_view, std::string_view> kFsxNames[] = {
    {"MouseArea", "<Area> in <Mouse>"},
    {"MouseClick", "<Click>"},
    {"Visibility", "<Visible>"},
    {"Rotation", "<Rotate>"},
    {"Expression", "<Value>"},
    {"GaugeText", "<Text>"},
    {"GaugeString", "<String>"},
    {"FloatPosition", "<Position>"},
    {"NonlinearityTable", "<Nonlinearity>"},
    {"CursorType", "<Cursor>"},
    {"ClickType", "the Kind attribute of <Click>"},
    {"KeyEvent", "the Event attribute of <Click>"},
    {"SimGauge.Gauge", "<Gauge>"},
};

// The FS2004 attributes and the FSX element that holds the same.
constexpr std::pair<std::string_view, std::string_view> kFs2004Attributes[] = {
    {"Kind", "<ClickType>"},
    {"Event", "<KeyEvent>"},
    {"Value", "<ExpressionResult>"},
    {"Minimum", "<Minimum>"},
    {"Maximum", "<Maximum>"},
    {"Frequency", "<Frequency>"},
    {"Left", "<FloatPosition>"},
    {"Top", "<FloatPosition>"},
    {"X", "<FloatPosition>"},
    {"Y", "<FloatPosition>"},
    {"Width", "<Size>"},
    {"Height", "<Size>"},
    {"Repeat", "<ClickRepeat>"},
    {"Hidden", "<Update_When_Hidden>"},
};

template <size_t N>
std::string_view Lookup(const std::pair<std::string_view, std::string_view> (&table)[N],
                        std::string_view name) {
  for (const auto& [key, value] : table) {
    if (key == name) return value;
  }
  return {};
}

class SchemaCheck {
 public:
  SchemaCheck(const std::function<Place(const pugi::xml_node&)>& place_of,
              std::vector<Diagnostic>* warnings)
      : place_of_(place_of), warnings_(warnings) {}

  void Fsx(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const Container* container = FindContainer(name);
    if (container == nullptr) return;
    for (const pugi::xml_attribute attribute : node.attributes()) {
      const std::string_view key = attribute.name();
      if (key == "id" || key == "Name" || (name == "SimGauge.Gauge" && key == "ArtDirectory")) {
        continue;
      }
      const std::string_view instead = Lookup(kFs2004Attributes, key);
      Warn(node, "attribute " + std::string(name) + "." + std::string(key),
           "<" + std::string(name) + "> takes no attribute " + std::string(key) +
               " in the FSX schema" +
               (instead.empty() ? std::string() : ": write " + std::string(instead)));
    }
    for (const pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view child_name = child.name();
      if (child_name == "Comment") continue;
      if (Has(*container, child_name)) {
        Fsx(child);
        continue;
      }
      std::string message = "<" + std::string(child_name) + "> is not in the FSX schema's <" +
                            std::string(name) + ">";
      const std::string_view fsx_name = Lookup(kFs2004Names, child_name);
      std::string places;
      for (const Container& other : FsxContainers()) {
        if (Has(other, child_name))
          places += (places.empty() ? "<" : " or <") + std::string(other.name) + ">";
      }
      if (!fsx_name.empty()) {
        message += ": it is the FS2004 name, the FSX schema's is " + std::string(fsx_name);
      } else if (!places.empty()) {
        message += ": it belongs in " + places;
      }
      Warn(child, std::string(name) + "/" + std::string(child_name), message);
    }
  }

  void Fs2004(const pugi::xml_node& node) {
    for (const pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view child_name = child.name();
      if (child_name == "Comment") continue;
      const std::string_view instead = Lookup(kFsxNames, child_name);
      if (!instead.empty()) {
        Warn(child, std::string(node.name()) + "/" + std::string(child_name),
             "<" + std::string(child_name) +
                 "> is an FSX name, not in the FS2004 schema of this <Gauge>: write " +
                 std::string(instead));
      }
      Fs2004(child);
    }
  }

 private:
  void Warn(const pugi::xml_node& node, const std::string& kind, std::string message) {
    if (!kinds_.insert(kind).second) return;
    warnings_->push_back(MakeDiagnostic(Severity::kWarning, place_of_(node), std::move(message)));
  }

  const std::function<Place(const pugi::xml_node&)>& place_of_;
  std::vector<Diagnostic>* warnings_;
  std::set<std::string> kinds_;
};

}  // namespace

void CheckSchema(const pugi::xml_node& gauge, bool new_schema,
                 const std::function<Place(const pugi::xml_node&)>& place_of,
                 std::vector<Diagnostic>* warnings) {
  SchemaCheck check(place_of, warnings);
  if (new_schema) {
    check.Fsx(gauge);
  } else {
    check.Fs2004(gauge);
  }
}

}  // namespace runner
