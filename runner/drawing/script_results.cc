#include "runner/drawing/script_results.h"

namespace runner {
namespace {

std::string KeyOf(std::string tag) {
  constexpr std::string_view kSuffix = "Script";
  if (tag.size() > kSuffix.size() &&
      tag.compare(tag.size() - kSuffix.size(), std::string::npos, kSuffix) == 0) {
    tag.resize(tag.size() - kSuffix.size());
  }
  return tag;
}

}  // namespace

ScriptResults ScriptResultsFrom(const std::vector<std::pair<std::string, Value>>& scripts) {
  ScriptResults results;
  for (const auto& [tag, value] : scripts) results[KeyOf(tag)] = value;
  return results;
}

ScriptResults ScriptResultsOf(const XmlNode& node,
                              const std::vector<std::pair<std::string, Value>>& scripts) {
  ScriptResults results;
  for (const XmlNode& child : node.children) {
    if (child.result < 0 || static_cast<size_t>(child.result) >= scripts.size()) continue;
    results[KeyOf(child.tag)] = scripts[static_cast<size_t>(child.result)].second;
  }
  return results;
}

std::string_view FrameTextOf(const XmlNode& node, const std::vector<std::string>& texts) {
  for (const XmlNode& child : node.children) {
    if (child.tag != "String" && child.tag != "GaugeString") continue;
    if (child.result >= 0 && static_cast<size_t>(child.result) < texts.size()) {
      return texts[static_cast<size_t>(child.result)];
    }
  }
  return std::string_view();
}

}  // namespace runner
