// What a frame computed for one text or shape: its ...Script results, keyed
// by the site's tag without "Script" ("FillColor" for <FillColorScript>,
// "FontHeight" for <FontHeightScript>, "Width" for <WidthScript>), and its
// text. A result present replaces the fixed value the XML gives for that tag.
#ifndef VELLOMAR_RUNNER_DRAWING_SCRIPT_RESULTS_H_
#define VELLOMAR_RUNNER_DRAWING_SCRIPT_RESULTS_H_

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runner/base/value.h"
#include "runner/gauges/gauge_file.h"

namespace runner {

using ScriptResults = std::map<std::string, Value, std::less<>>;

// Results kept as (tag, result) pairs, tags as written ("FillColorScript"),
// keyed as above; of two sites with one tag the later wins.
ScriptResults ScriptResultsFrom(const std::vector<std::pair<std::string, Value>>& scripts);

// The results of the ...Script sites among the children of `node` (a text
// or a shape), found by XmlNode::result in `scripts`, an element's results
// in the frame (ElementState::scripts). Sites the frame did not run (an
// index beyond `scripts`) are left out.
ScriptResults ScriptResultsOf(const XmlNode& node,
                              const std::vector<std::pair<std::string, Value>>& scripts);

// The text a frame computed for the text node `node`: the result of its
// <String> or <GaugeString> child in `texts` (ElementState::texts); empty
// when it has none or the frame did not run it. Points into `texts`.
std::string_view FrameTextOf(const XmlNode& node, const std::vector<std::string>& texts);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_SCRIPT_RESULTS_H_
