// Macro expansion as gauge files use it, and the expansions that never end.
#include "runner/gauges/macros.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace runner {
namespace {

struct ExpandCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> macros;
  const char* text;
  const char* expected;  // null: an error whose message contains `error`
  const char* error = "";
};

const std::string kNestedArguments = [] {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "@F(";
  return text + "1" + std::string(100, ')');
}();

const std::string kUnclosedArguments = [] {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "@F(";
  return text;
}();

const ExpandCase kExpandCases[] = {
    {"plain text stays", {{"c", "C:fs9gps"}}, "1 2 +", "1 2 +"},
    {"inside a variable token",
     {{"c", "C:fs9gps:1"}},
     "(@c:WaypointAirportCity, string)",
     "(C:fs9gps:1:WaypointAirportCity, string)"},
    {"longest name wins", {{"c", "X"}, {"cc", "Y"}}, "@cc @c", "Y X"},
    {"undefined name stays", {{"c", "X"}}, "@cx @ @ 1", "@cx @ @ 1"},
    {"arguments", {{"Add", "@1 @2 +"}}, "@Add(1, (A:X, feet))", "1 (A:X, feet) +"},
    {"nested parentheses and commas in quotes",
     {{"F", "[@1][@2]"}},
     "@F((A:X, feet) 2 *, 'a,b')",
     "[(A:X, feet) 2 *]['a,b']"},
    {"missing argument is empty", {{"F", "<@1|@2>"}}, "@F(a)", "<a|>"},
    {"empty argument list", {{"F", "<@1>"}}, "@F() @F( \t)", "<> <>"},
    {"name at the very end", {{"c", "X"}}, "1 @c", "1 X"},
    {"arguments trimmed of line ends", {{"F", "[@1]"}}, "@F(\r\n a \n)", "[a]"},
    {"macro without @N leaves parentheses", {{"v", "(L:V, number)"}}, "@v(x)", "(L:V, number)(x)"},
    {"macro in macro", {{"a", "@b @b"}, {"b", "2"}}, "@a", "2 2"},
    {"macro in argument", {{"F", "@1 1 +"}, {"k", "5"}}, "@F(@k)", "5 1 +"},
    {"argument outside a macro stays", {}, "@1 x", "@1 x"},
    {"image escape", {{"Icon", "img@1"}}, "\\{@Icon(3)}", "\\{img3}"},
    {"macros in arguments in arguments", {{"F", "@1 1 +"}}, "@F(@F(@F(1)))", "1 1 + 1 + 1 +"},
    {"arguments nested without end",
     {{"F", "@1 1 +"}},
     kNestedArguments.c_str(),
     nullptr,
     "macro 'F' is nested more than 64 deep"},
    {"unclosed argument lists, many",
     {{"F", "@1 1 +"}},
     kUnclosedArguments.c_str(),
     nullptr,
     "macro 'F': its argument lists take more than 16 MiB of reading"},
    {"direct recursion", {{"a", "1 @a"}}, "@a", nullptr, "macro 'a' expands without end"},
    {"indirect recursion", {{"a", "@b"}, {"b", "@a"}}, "x @a", nullptr, "macro 'a'"},
    {"exponential growth",
     {{"a", "@b@b@b@b@b@b@b@b"},
      {"b", "@c@c@c@c@c@c@c@c"},
      {"c", "@d@d@d@d@d@d@d@d"},
      {"d", "@e@e@e@e@e@e@e@e"},
      {"e", "@f@f@f@f@f@f@f@f"},
      {"f", "@g@g@g@g@g@g@g@g"},
      {"g", "0123456789"}},
     "@a",
     nullptr,
     "more than"},
};

TEST(MacrosTest, Expands) {
  for (const ExpandCase& test : kExpandCases) {
    MacroTable macros;
    for (const auto& [name, text] : test.macros) macros.Define(name, text);
    std::string result;
    std::string problem;
    const bool expanded = macros.Expand(test.text, &result, &problem);
    if (test.expected != nullptr) {
      EXPECT_TRUE(expanded) << test.name << ": " << problem;
      EXPECT_EQ(result, test.expected) << test.name;
    } else {
      EXPECT_FALSE(expanded) << test.name;
      EXPECT_NE(problem.find(test.error), std::string::npos) << test.name << ": " << problem;
    }
  }
}

}  // namespace
}  // namespace runner
