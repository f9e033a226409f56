// What an element's ...Script sites gave in the frame being drawn, keyed by
// the site's tag without "Script": "FillColor" for <FillColorScript>,
// "FontHeight" for <FontHeightScript>, "Width" for <WidthScript>. A result
// present replaces the fixed value the element's XML gives for that tag.
#ifndef VELLOMAR_RUNNER_DRAWING_SCRIPT_RESULTS_H_
#define VELLOMAR_RUNNER_DRAWING_SCRIPT_RESULTS_H_

#include <functional>
#include <map>
#include <string>

#include "runner/base/value.h"

namespace runner {

using ScriptResults = std::map<std::string, Value, std::less<>>;

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_SCRIPT_RESULTS_H_
