// Gauge-file macros: `@Name` and `@Name(arg1, arg2, ...)` stand for a text
// given once in the file (<Macro Name="Name">text</Macro>, or FSX's
// <Macro Name="Name"><MacroValue>text</MacroValue></Macro>), anywhere in a
// script, a text, or inside a variable token ("(@c:WaypointAirportCity)" with
// c = "C:fs9gps" gives "(C:fs9gps:WaypointAirportCity)").
//
// Expansion is purely textual and happens before a script is compiled:
// - a macro name is the longest run of letters, digits and '_' after '@' that
//   does not start with a digit ("@1" is an argument);
// - a name that is not defined stays as written;
// - an argument list is taken only by a macro whose text uses @1..@9, and only
//   when '(' follows the name at once: balanced parentheses (quoted '...'
//   texts skipped), split at top-level commas, each argument trimmed; inside
//   the macro's text @1, @2, ... stand for them (a missing one for nothing);
// - the result is expanded again, so macros may use macros.
// A macro that reaches itself again expands without end: that, an expansion
// nested more than kMaxDepth deep, a result above kMaxExpandedSize bytes, or
// argument lists that take more than kMaxScanned bytes of reading (unclosed
// ones, used many times) is an error naming the macro, never a hang. (A gauge file also bounds
// the sum of its expansions; see gauge_file.cc.)
#ifndef VELLOMAR_RUNNER_GAUGES_MACROS_H_
#define VELLOMAR_RUNNER_GAUGES_MACROS_H_

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace runner {

class MacroTable {
 public:
  static constexpr int kMaxDepth = 64;
  static constexpr size_t kMaxExpandedSize = size_t{1} << 20;
  static constexpr size_t kMaxScanned = size_t{16} << 20;

  // Defines or redefines a macro; the last definition in a file wins.
  void Define(const std::string& name, std::string text);
  bool empty() const { return macros_.empty(); }

  // Expands every macro in `text` into `*result`. On an expansion without
  // end (or too large) returns false with the reason, naming the macro, in
  // `*problem`; `*result` is then unspecified.
  bool Expand(std::string_view text, std::string* result, std::string* problem) const;

 private:
  struct Macro {
    std::string text;
    bool takes_arguments = false;
  };
  bool ExpandInto(std::string_view text, const std::vector<std::string>* arguments,
                  std::vector<std::string>* active, std::string* result,
                  std::string* problem) const;

  std::map<std::string, Macro, std::less<>> macros_;
  // Bytes argument lists may still be scanned in this Expand: unclosed
  // lists are scanned to the end of the text, once per use.
  mutable size_t scan_budget_ = 0;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_GAUGES_MACROS_H_
