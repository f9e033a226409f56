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
// A macro used with fewer or more arguments than its text uses, and a name
// no macro has, are told to the caller (it warns). The places of the result
// can be followed back: each byte to where it is written in the file, and
// the macro uses it came through (see SourceMap).
// A macro that reaches itself again expands without end (the message gives
// the path, "a -> b -> a"): that, an expansion
// nested more than kMaxDepth deep, a result above kMaxExpandedSize bytes, or
// argument lists that take more than kMaxScanned bytes of reading (unclosed
// ones, used many times) is an error naming the macro, never a hang. (A gauge file also bounds
// the sum of its expansions; see gauge_file.cc.)
#ifndef VELLOMAR_RUNNER_GAUGES_MACROS_H_
#define VELLOMAR_RUNNER_GAUGES_MACROS_H_

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runner/base/place.h"

namespace runner {

// Something an expansion tells its caller about a macro use.
struct MacroNotice {
  enum class Kind {
    kUndefined,  // no macro has the name; the text stays as written
    kArguments,  // given more or fewer arguments than the macro's text uses
  };
  Kind kind = Kind::kUndefined;
  std::string name;     // the macro's
  std::string message;  // for a warning
  // The '@name' is a token of its own, or all of a variable's parentheses
  // (a script's compiler then reports it).
  bool whole_word = false;
  // Where the '@' stands in the text expanded, when it is written there
  // rather than in a macro's text or an argument (npos otherwise).
  size_t text_offset = std::string::npos;
  size_t offset = 0;  // where the '@' stands in the file (with a source map)
  int origin = 0;     // the macro use it is in (SourceMap::Note), or 0
};

class MacroTable {
 public:
  static constexpr int kMaxDepth = 64;
  static constexpr size_t kMaxExpandedSize = size_t{1} << 20;
  static constexpr size_t kMaxScanned = size_t{16} << 20;

  // Defines or redefines a macro; the last definition in a file wins.
  // `source`: where its text stands in the file.
  void Define(const std::string& name, std::string text,
              std::shared_ptr<const SourceMap> source = nullptr);
  bool empty() const { return macros_.empty(); }

  // Expands every macro in `text` into `*result`. On an expansion without
  // end (or too large) returns false with the reason, naming the macro, in
  // `*problem`; `*result` is then unspecified.
  bool Expand(std::string_view text, std::string* result, std::string* problem) const;
  // As Expand; `in` tells where the bytes of `text` stand in the file, and
  // `*map` gets where each byte of the result came from (both may be null).
  // What the caller should warn about goes to `*notices` (may be null).
  bool Expand(std::string_view text, const SourceMap* in, std::string* result, SourceMap* map,
              std::vector<MacroNotice>* notices, std::string* problem) const;

 private:
  struct Macro {
    std::string text;
    int arguments = 0;  // the highest @N its text uses
    std::shared_ptr<const SourceMap> source;
  };
  // Where the bytes of a text come from: byte i is byte begin + i of `map`,
  // its origin 0 standing for `base`; without a map, all at `offset`.
  struct From {
    const SourceMap* map = nullptr;
    size_t begin = 0;
    int base = 0;
    size_t offset = 0;
  };
  struct Argument {
    std::string text;
    SourceMap map;
  };
  struct Output {
    std::string* text;
    SourceMap* map;  // null: no places
  };
  struct Context {
    SourceMap* uses;  // numbers the macro uses (the final map); null without places
    std::vector<MacroNotice>* notices;
  };
  bool ExpandInto(std::string_view text, const From& from, const std::vector<Argument>* arguments,
                  std::vector<std::string>* active, const Output& out, const Context& context,
                  std::string* problem) const;

  std::map<std::string, Macro, std::less<>> macros_;
  // Bytes argument lists may still be scanned in this Expand: unclosed
  // lists are scanned to the end of the text, once per use.
  mutable size_t scan_budget_ = 0;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_GAUGES_MACROS_H_
