// Turns the text of a gauge script into a Script, or says where it is wrong.
//
// The language: whitespace-separated tokens, one expression per non-blank
// line; a line whose first non-blank character is '#' is a comment. The XML
// entities &lt; &gt; and &amp; are decoded first, so text pasted from a gauge
// file works. Anything the runner does not know is an error, never a guess.
#ifndef VELLOMAR_RUNNER_PARSER_H_
#define VELLOMAR_RUNNER_PARSER_H_

#include <string>

#include "hostsim/units.h"
#include "runner/script.h"

namespace runner {

// Parses `source`, naming it `name` in messages; units are checked against
// `units`. On success fills `*script` and returns true. On failure returns
// false with "name:line:column: what" in `*error` (columns count bytes from 1
// in the file as written); `*script` then holds only part of the script.
bool ParseScript(const std::string& name, const std::string& source,
                 const hostsim::UnitsTable& units, Script* script, std::string* error);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_PARSER_H_
