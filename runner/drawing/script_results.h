// What an element's ...Script sites gave in the frame being drawn, keyed by
// the site's tag without "Script": "FillColor" for <FillColorScript>,
// "FontHeight" for <FontHeightScript>, "Width" for <WidthScript>. A result
// present replaces the fixed value the element's XML gives for that tag.
#ifndef VELLOMAR_RUNNER_DRAWING_SCRIPT_RESULTS_H_
#define VELLOMAR_RUNNER_DRAWING_SCRIPT_RESULTS_H_

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runner/base/value.h"

namespace runner {

using ScriptResults = std::map<std::string, Value, std::less<>>;

// Results kept as (tag, result) pairs, tags as written ("FillColorScript"),
// keyed as above; of two sites with one tag the later wins.
inline ScriptResults ScriptResultsFrom(const std::vector<std::pair<std::string, Value>>& scripts) {
  ScriptResults results;
  constexpr std::string_view kSuffix = "Script";
  for (const auto& [tag, value] : scripts) {
    std::string key = tag;
    if (key.size() > kSuffix.size() &&
        key.compare(key.size() - kSuffix.size(), std::string::npos, kSuffix) == 0) {
      key.resize(key.size() - kSuffix.size());
    }
    results[key] = value;
  }
  return results;
}

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_SCRIPT_RESULTS_H_
