// The gauge language as the engine runs it, through the Engine API the
// gauge-file runner uses, without a module: every edge case the simulator's
// engine is known for, each operator's own edge cases, templates, variables,
// warnings and load errors. Tables of cases; each failure names its case.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "runner/aircraft/sim_state.h"
#include "runner/base/number_format.h"
#include "runner/base/units.h"
#include "runner/language/engine.h"
#include "runner/language/interpreter.h"
#include "runner/language/words.h"

namespace runner {
namespace {

std::string Show(const Value& value) {
  if (value.is_text()) return value.text();
  if (value.is_integer()) return std::to_string(static_cast<int32_t>(value.number()));
  return FormatNumber(value.number());
}

struct Outcome {
  bool loaded = false;
  std::string out;  // each run's top (or text), one per line
  std::string err;
  int warnings = 0;
  int errors = 0;
};

// Runs `source` (a template when it starts with '%', or with "T|" which is
// dropped) `frames` times in a
// fresh engine with no module; `setup` may fill the simulator state first.
Outcome Evaluate(const std::string& source, int frames = 1,
                 const std::function<void(SimState*, Engine*)>& setup = nullptr) {
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  SimState sim;
  Outcome outcome;
  {
    Engine engine(nullptr, &sim, &diagnostics);
    if (setup) setup(&sim, &engine);
    const int gauge = engine.AddGauge("test");
    const Place start{"t", 1, 1};
    const bool marked = source.compare(0, 2, "T|") == 0;
    const bool is_template = marked || (!source.empty() && source[0] == '%');
    const std::string text = marked ? source.substr(2) : source;
    Template* text_template = nullptr;
    Script* script = nullptr;
    if (is_template) {
      text_template = engine.CompileTemplate(gauge, text, start, "", false);
    } else {
      script = engine.CompileScript(gauge, text, start, "");
    }
    outcome.loaded = text_template != nullptr || script != nullptr;
    for (int frame = 1; outcome.loaded && frame <= frames; ++frame) {
      engine.set_frame(frame);
      if (is_template) {
        std::string expanded;
        engine.Render(text_template, &expanded);
        outcome.out += expanded + "\n";
      } else {
        Value result;
        engine.Run(script, &result);
        outcome.out += Show(result) + "\n";
      }
    }
  }
  outcome.err = err.str();
  outcome.warnings = diagnostics.warnings();
  outcome.errors = diagnostics.errors();
  return outcome;
}

struct Case {
  std::string source;
  std::string expected;  // the top, or the template's text
};

void ExpectResults(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const Outcome outcome = Evaluate(c.source);
    EXPECT_TRUE(outcome.loaded) << c.source << "\n" << outcome.err;
    EXPECT_EQ(outcome.out, c.expected + "\n") << c.source;
    EXPECT_EQ(outcome.errors, 0) << c.source << "\n" << outcome.err;
  }
}

std::string CountTo(int n) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += std::to_string(i) + " ";
  return text;
}
std::string Repeat(const std::string& text, int n) {
  std::string repeated;
  for (int i = 0; i < n; ++i) repeated += text;
  return repeated;
}

// The word table is the engine's complete list, and each word takes as many
// operands as the table says: one fewer pops an empty stack.
TEST(RunnerLanguageTest, TheWordTableIsCompleteAndTrue) {
  const std::string engine_words =
      "! != % & && * + ++ - -- / /-/ < << <= == > >= >> ? ^ abs acos and asin atg atg2 b c cap "
      "case ceil chr cos ctg d d360 dgrd div dnor els{ eps exp flr if{ int lc lg ln log lt max "
      "min near neg not or ord p pi pow quit r rddg rng rnor scat schr scmi scmp sin slen spt "
      "sqr sqrt sstr ssub st symb tg uc | || } ~";
  std::istringstream list(engine_words);
  std::vector<std::string> expected;
  for (std::string word; list >> word;) expected.push_back(word);
  std::vector<std::string> table;
  for (const Word* word = Words().begin; word != Words().end; ++word) {
    table.emplace_back(word->spelling);
    EXPECT_EQ(FindWord(word->spelling), word) << word->spelling;
    if (word->group == WordGroup::kControl || word->pops < 0) continue;
    const std::string spelling(word->spelling);
    const Outcome enough = Evaluate(Repeat("1 ", word->pops) + spelling);
    EXPECT_EQ(enough.err.find("popped an empty stack"), std::string::npos) << spelling << "\n"
                                                                           << enough.err;
    if (word->pops == 0) continue;
    const Outcome short_of_one = Evaluate(Repeat("1 ", word->pops - 1) + spelling);
    EXPECT_NE(short_of_one.err.find("popped an empty stack"), std::string::npos) << spelling;
  }
  std::sort(expected.begin(), expected.end());
  std::sort(table.begin(), table.end());
  EXPECT_EQ(table, expected);
}

// Templates show whole stacks: "%(script)%!s!%!s!" prints the top two.
TEST(RunnerLanguageTest, EdgeCasesOfTheEngine) {
  std::string pops_of_31;
  for (int i = 31; i >= 2; --i) pops_of_31 += std::to_string(i);
  ExpectResults({
      {"5 2 /", "2.5"},  // 1
      {"5 0 /", "0"},    // 2
      {"7 2 div", "3"},  // 3
      {"-7 2 div", "-3"},
      {"5 3 %", "2"},  // 4
      {"-7 3 %", "-1"},
      {"5 0 %", "0"},
      {"2.5 near", "3"},  // 5
      {"-2.5 near", "-3"},
      {"-2.4 near", "-2"},
      {"-2.7 int", "-2"},  // 6
      {"-2.1 flr", "-3"},
      {"-2.7 ceil", "-2"},
      {"5 -", "-5"},                                                      // 7
      {"+", "0"},                                                         // 8
      {"%(" + CountTo(31) + ")" + Repeat("%!d!", 31), pops_of_31 + "0"},  // 9
      {"10 20 1 ?", "10"},                                                // 10
      {"10 20 0 ?", "20"},
      {"10 20 30 3 0 case", "30"},  // 11
      {"10 20 30 3 2 case", "10"},
      {"10 20 30 3 7 case", "30"},  // 12
      {"10 20 30 3 3 case", "30"},
      {"10 20 30 0 0 case", "0"},
      {"10 20 30 3 -1 case", "30"},
      {"%(1 2 3 2 1 case)%!d!%!d!%!d!", "210"},  // 13
      {"0 10 5 rng", "1"},                       // 14
      {"0 10 10 rng", "1"},
      {"10 0 5 rng", "0"},
      {"1 if{ 10 } els{ 20 }", "10"},  // 15
      {"0 if{ 10 } els{ 20 }", "20"},
      {"0 if{ 1 if{ 5 } els{ 6 } } els{ 7 }", "7"},  // 16
      {"0.5 if{ 1 } els{ 2 }", "1"},                 // 17
      {"0.5 !", "1"},
      {"%(0 sp0 :1 l0 ++ s0 5 < if{ g1 } l0)%!d!%!d!", "50"},  // 18
      {"%(g5 1 :5 2)%!d!%!d!", "20"},                          // 19
      {"%(1 2 quit 3)%!d!%!d!%!d!", "210"},                    // 20
      {"5 s0 p l0 l0 *", "25"},                                // 21
      {"5 sp0 l0", "5"},
      {"3 d *", "9"},  // 22
      {"1 2 r -", "1"},
      {"1 2 p", "1"},
      {"0x10 010 +", "24"},  // 23
      {"5 ~", "-6"},         // 25
      {"1 4 <<", "16"},
      {"-16 2 >>", "-4"},
      {"6 3 &", "2"},  // 26
      {"6 3 |", "7"},
      {"6 3 ^", "5"},
      {"2 3 pow", "8"},  // 27
      {"8 2 log", "3"},
      {"100 lg", "2"},
      {"90 dgrd sin", "1"},  // 28
      {"1 -1 atg2 rddg", "135"},
      {"-30 dnor", "330"},  // 29
      {"720 dnor", "0"},
      {"-360 dnor", "360"},
      {"0 d360", "360"},  // 30
      {"0.6 d360", "1"},
      {"359.6 d360", "360"},
      {"-1 sqrt", "0"},  // 31
      {"2 asin", "0"},
      {"0 ln", "-inf"},
      {"1 1.2 0.5 eps", "1"},  // 32
      {"1 2 0.5 eps", "0"},
      {"'abc' 'abc' scmp", "0"},  // 33
      {"'abc' 'abd' scmp", "-1"},
      {"'abc' 'xyz' ==", "1"},  // 34
      {"'12' '30' +", "42"},    // 35
      {"'ab' 'cd' scat", "abcd"},
      {"'hello' 1 3 ssub", "ell"},  // 36
      {"'hello' -3 2 ssub", "ll"},
      {"'hello' 'll' sstr", "2"},
      {"'hello' 'z' sstr", "-1"},
      {"65 chr 66 chr scat", "AB"},  // 37
      {"'A' ord", "65"},
      {"65 ord", "54"},
      {"2147483647 1 +", "-2147483648"},  // 38
      {"2147483647.0 1 +", "2147483648"},
      {"100 (>L:x, feet) (L:x, meters)", "30.48"},  // 40
      {"(L:never_set, number)", "0"},               // 41
      {"(A:NO SUCH VAR, feet)", "0"},
      {"%(2.5)%!d!", "3"},  // 42
      {"%(-2.5)%!d!", "-3"},
      {"%(7)%!03d!", "007"},
      {"%(2.96)%!.1f!", "3.0"},  // 43
      {"%(2.7)%!.0f!", "2"},
      {"%('ABCDEF')%!.3s!", "DEF"},  // 44
      {"%('ABCDEF')%!-.3s!", "ABC"},
      {"%(1 2)%!d!%!d!", "21"},                                   // 45
      {"%(3)%{case}%{:1}A%{:3}C%{:3}D%{else}E%{end}", "C"},       // 46
      {"%(1)%{if}%(0)%{if}X%{else}Y%{end}%{end}", "Y"},           // 47
      {"%(0 sp0)%{loop}%(l0)%!d!%(l0 ++ s0 3 <)%{next}", "012"},  // 48
      {"%(0)%{if}%(5 sp0)%{end}%(l0)%!d!", "0"},                  // 49
      {"%(-5)%!03d!", "0-5"},                                     // 50
  });
  // 24: not a number.
  EXPECT_FALSE(Evaluate(".5").loaded);
  // 39: the host converts from the stored base unit.
  const Outcome altitude = Evaluate("(A:PLANE ALTITUDE, meters)", 1, [](SimState* sim, Engine*) {
    sim->Set(sim->Find('A', "", "Plane Altitude", 0), FindUnit("feet"), 1000);
  });
  EXPECT_EQ(altitude.out, "304.8\n");
}

TEST(RunnerLanguageTest, OperatorsKeepTheIntegerTagAndOrder) {
  ExpectResults({
      // Integer results stay integers; mixing with a double gives a double.
      {"6 3 / 0.5 +", "2.5"},
      {"%(6 3 /)%!s!", "2"},
      {"%(7 2 /)%!s!", "3.5"},
      {"%(6.0 3 /)%!s!", "2."},
      {"%(7.5 2 div)%!s!", "3."},
      {"-2147483648 -1 /", "-2147483648"},
      {"-2147483648 -1 %", "0"},
      {"5.5 2 %", "1.5"},
      {"7 -3 %", "1"},
      {"2147483647 ++", "-2147483648"},
      {"-2147483648 neg", "-2147483648"},
      {"-2147483648 abs", "-2147483648"},
      {"-3 /-/", "3"},
      {"-2.5 abs", "2.5"},
      {"65536 sqr", "0"},
      {"1.5 sqr", "2.25"},
      {"3 5 min", "3"},
      {"3 5.5 max", "5.5"},
      {"2147483648.0 int", "-2147483648"},
      {"-1 1 32 << <<", "-2"},
      {"1 33 <<", "2"},
      {"-1 28 >>", "-1"},
      {"2 1 &&", "1"},
      {"0.5 1 and", "0"},
      {"'abc' not", "1"},
      {"0 0.1 ||", "0"},
      {"1 0 or", "1"},
      {"'2' '10' <", "1"},
      {"0 0 / 0 ==", "1"},
      {"pi 4 / tg", "0.9999999999999999"},
      {"0 ctg", "0"},
      {"-1 acos", "3.141592653589793"},
      {"1 atg 4 *", "3.141592653589793"},
      {"-1 rnor", "5.283185307179586"},
      {"10.2 d360", "10"},
      {"-90 d360", "270"},
      {"1 exp ln", "1"},
      {"8 1 log", "0"},
      {"5 0 3 case", "0"},
      {"%(7 0 3 case)%!d!%!d!", "07"},
      {"'x' 'y' 0 ?", "y"},
      {"'a' 'b' '0' ?", "b"},
  });
}

TEST(RunnerLanguageTest, StackAndRegisterWords) {
  ExpectResults({
      {"%(" + CountTo(31) + "c 9)%!d!%!d!", "90"},
      {"d", "0"},
      {"%(1 r)%!d!%!d!", "01"},
      {"%(1 2 +)%(b)%!d!%!d!", "23"},
      {"%(4 d b)%!d!%!d!%!d!", "444"},
      {"7 3 st p 3 lt", "7"},
      {"%(7 3 st)%!d!", "7"},
      {"8 4 spt 4 lt", "8"},
      {"9 60 st 60 lt", "0"},
      {"5 s50 p l50", "0"},
      {"5 s49 p l49", "5"},
      {"'t' s2 p l2 l2 scat", "tt"},
  });
}

TEST(RunnerLanguageTest, TextWords) {
  ExpectResults({
      {"'a' 'b' scmp", "-1"},
      {"'b' 'a' scmp", "1"},
      {"'ABC' 'abd' scmi", "-1"},
      {"'ABC' 'abc' scmi", "0"},
      {"'abc' 'ABC' scmi", "0"},
      {"'abc' 'ABD' scmi", "-1"},
      {"'abd' 'ABC' scmi", "1"},
      {"'' '' scmp", "0"},
      {"'' 'a' scmi", "-1"},
      {"12 'x' scat", "12x"},
      {"2.5 'x' scat", "2.5x"},
      {"'hello' 108 schr", "2"},
      {"'hello' 0 schr", "5"},
      {"'hello' 122 schr", "-1"},
      {"'hello' 2 -1 ssub", "llo"},
      {"'hello' 3 10 ssub", "lo"},
      {"'hello' -9 2 ssub", "he"},
      {"'hello' 9 2 ssub", ""},
      {"'hello' 1 symb", "e"},
      {"'hello' 5 symb", ""},
      {"'hello' 4 symb", "o"},
      {"'hello' 0 symb", "h"},
      {"'hello' -1 symb", ""},
      {"'hello' 1 0 ssub", ""},
      {"'hello' 5 1 ssub", ""},
      {"'hello' 0 5 ssub", "hello"},
      {"'hello' 'o' sstr", "4"},
      {"'hello' 'h' sstr", "0"},
      {"'' slen", "0"},
      {"'' 'a' scat", "a"},
      {"'hello' 111 schr", "4"},
      {"'' lc", ""},
      {"'hello' slen", "5"},
      {"123 slen", "3"},
      {"'' ord", "0"},
      {"321 chr", "A"},
      {"0 chr slen", "0"},
      {"'MiXed 1' lc", "mixed 1"},
      {"'MiXed 1' uc", "MIXED 1"},
      {"'hELLO wORLD' cap", "Hello World"},
      {"'it''s'", "it's"},
      {"'a b  (c)'", "a b  (c)"},
  });
}

TEST(RunnerLanguageTest, BlocksGotosAndLabels) {
  ExpectResults({
      {"0 if{ 2 }", "0"},
      {"7 1 if{ 1 + }", "8"},
      {"1 if{ 0 if{ 4 } els{ 5 } } els{ 6 }", "5"},
      {"%(0 if{ 2 } 3 els{ 4 })%!d!%!d!", "43"},
      {"%(1 if{ 2 } 3 els{ 4 })%!d!%!d!", "32"},
      {"els{ 8 }", "8"},
      {"1 if{ 8 quit } 9", "8"},
      {"%(g1 1 if{ :1 2 } 3)%!d!%!d!%!d!", "320"},
      {"%(g7 5)%!d!", "0"},
      {"%(:1 l0 ++ s0 3 < if{ g1 } els{ 40 } l0)%!d!%!d!", "340"},
      {"(* a comment *) 4 (* another\n over two lines *) 5 +", "9"},
      {"1\n2\r\n+\r3 *", "9"},
      {"0 sp1 :2 l1 ++ sp1 l1 10 < if{ g2 } l1", "10"},
  });
}

// A } at depth 0 is ignored and an unclosed block runs to the end, as the
// simulator's block algorithm does; a %{ without its } hides the rest of the
// text. Each gives the simulator's result and one warning.
TEST(RunnerLanguageTest, UnbalancedBlocksRunAsTheSimulatorRunsThem) {
  const Case cases[] = {
      {"1 if{ 2 } } 3", "3"},
      {"0 if{ 2 } } 3", "3"},
      {"} 4", "4"},
      {"1 } 0 if{ 5 } 6", "6"},
      {"0 if{ 5 } } els{ 6 }", "0"},  // the stray } counts as a block that ran
      {"1 if{ 5", "5"},
      {"0 if{ 5", "0"},
      {"1 if{ 0 if{ 5 } 6", "6"},
      {"%(1)%{if}A%{end", "A"},
      {"%(0)%{if}A%{end", ""},
      {"T|AB%{if", "AB"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Evaluate(c.source);
    EXPECT_TRUE(outcome.loaded) << c.source << "\n" << outcome.err;
    EXPECT_EQ(outcome.out, c.expected + "\n") << c.source;
    EXPECT_EQ(outcome.warnings, 1) << c.source << "\n" << outcome.err;
  }
}

// Registers belong to one script and keep their values between runs; the
// runaway budget stops a loop with an error and the next run goes on.
TEST(RunnerLanguageTest, RegistersPersistAndLoopsAreStopped) {
  EXPECT_EQ(Evaluate("l0 ++ s0", 3).out, "1\n2\n3\n");
  EXPECT_EQ(Evaluate("%(l0 ++ s0)%!d!", 3).out, "1\n2\n3\n");
  const Outcome loop = Evaluate(":1 g1", 2);
  EXPECT_EQ(loop.out, "0\n0\n");
  EXPECT_EQ(loop.errors, 2);
  EXPECT_NE(loop.err.find("t:1:4: error: runaway loop: g1 jumped back 100000 times"),
            std::string::npos)
      << loop.err;
  const Outcome text_loop = Evaluate("T|A%{loop}x%(1)%{next}", 1);
  EXPECT_EQ(text_loop.errors, 1);
  EXPECT_NE(text_loop.err.find("t:1:14: error: runaway loop: %{next}"), std::string::npos)
      << text_loop.err;
  // A template's text stops at the text limit, with one warning.
  const Outcome long_text =
      Evaluate("T|%(0 sp0)%{loop}" + std::string(100, 'x') + "%(l0 ++ d sp0 1000 <)%{next}", 2);
  EXPECT_EQ(long_text.out, Repeat(std::string(kMaxTextLength, 'x') + "\n", 2));
  EXPECT_EQ(long_text.warnings, 1) << long_text.err;
  EXPECT_NE(long_text.err.find("longer than 65536 bytes: it is cut"), std::string::npos);
}

TEST(RunnerLanguageTest, Templates) {
  ExpectResults({
      {"%( 1 )%{if}ON%{else}OFF%{end}", "ON"},
      {"%( 0 )%{if}true%{end}", ""},
      {"%(2)%{case}%{:1}ONE%{:2}TWO%{else}OTHER%{end}", "TWO"},
      {"%(2.5)%{case}%{:2}TWO%{else}OTHER%{end}", "OTHER"},
      {"%(5)%{case}%{:<3}S%{:<=5}M%{:>5}L%{end}", "M"},
      {"%(7)%{case}%{:>=7}A%{:=7}B%{end}", "A"},
      {"%(1)%{case}%{:1}%(2)%{case}%{:2}in%{end}!%{end}", "in!"},
      {"%('abc')%!s!%('x')%!s!", "abcx"},
      {"%((L:x, feet) 2 +)%!d! ft", "2 ft"},
      {"%('a)b' slen)%!d!", "3"},
      {"T|100%% %{nothing}done", "100% done"},
      {"T|\\{clr}\\n%(1)%!d!\\t", "\\{clr}\\n1\\t"},
      {"%(1)%!q!x", "x"},
      {"%(3)%!5.1f!|%(12)%!-4d!|", "  3.0|12  |"},
      {"%(0)%{if}%(1)%{loop}x%(1)%{next}%{end}y", "y"},
      {"%(3 sp0)%{loop}%(l0 d -- sp0)%!d!%(l0)%{next}", "321"},
      {"%(1 0)%{if}%{else}%!d!%{end}", "1"},
      {"%(0)%{if}%(1)%{if}A%{else}B%{end}%{end}C", "C"},
      {"%(0)%{if}%(0)%{if}A%{else}B%{end}%{end}C", "C"},
      {"%(0)%{if}%(1)%{case}%{:1}A%{else}B%{end}%{end}C", "C"},
      {"%(1)%{if}%(0)%{if}A%{else}B%{end}%{end}C", "BC"},
      {"%(1)%{case}%{:1}A%{:1}B%{else}C%{end}", "A"},
  });
}

TEST(RunnerLanguageTest, MultilineTemplatesDropIndentationAndLineBreaks) {
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  SimState sim;
  Engine engine(nullptr, &sim, &diagnostics);
  const int gauge = engine.AddGauge("g");
  Template* text =
      engine.CompileTemplate(gauge, "\n    A %(1)%!d!\r\n\t  B\\nC\n", Place{"f", 3, 7}, "", true);
  ASSERT_NE(text, nullptr);
  std::string out;
  EXPECT_TRUE(engine.Render(text, &out));
  EXPECT_EQ(out, "A 1B\\nC");
  EXPECT_EQ(Engine::ScriptCount(*text), 1);
}

TEST(RunnerLanguageTest, VariablesOfEveryKind) {
  const auto setup = [](SimState* sim, Engine* engine) {
    sim->Set(sim->Find('A', "", "AIRSPEED INDICATED", 0), FindUnit("knots"), 100);
    sim->Set(sim->Find('A', "", "GENERAL ENG RPM", 2), nullptr, 2000 * 0.10471975511965977);
    sim->SetText(sim->Find('A', "", "ATC ID", 0), "N123");
    sim->Set(sim->Find('E', "", "ZULU TIME", 0), nullptr, 3600);
    sim->Set(sim->Find('C', "fs9gps", "WaypointDistance", 1), FindUnit("nmiles"), 12);
    engine->SetMouse("LeftSingle", 3, 4);
  };
  const struct {
    std::string script;
    std::string expected;
  } cases[] = {
      {"(A:Airspeed Indicated, knots) near", "100"},
      {"(A:AIRSPEED INDICATED, meters per second)", "51.44444444444445"},
      {"(A:GENERAL ENG RPM:2, rpm) near", "2000"},
      {"(A:ATC ID, string)", "N123"},
      {"(P:Zulu Time, hours)", "1"},
      {"(E:ZULU TIME, minutes)", "60"},
      {"(C:fs9gps:1:WaypointDistance, nmiles)", "12"},
      {"(M:Event) 'LeftSingle' scmp 0 ==", "1"},
      {"(M:X) (M:Y) +", "7"},
      {"(R:HELPID_GAUGE_FLAPS_UP)", "HELPID_GAUGE_FLAPS_UP"},
      {"5 (>G:Var3) (G:VAR3) (G:Var4) +", "5"},
      {"1 (>G:Var1) (G:var1) (G:Var2) +", "1"},
      {"9 (>G:Var9) (g:VAR9) (G:Var8) +", "9"},
      {"(a:Airspeed Indicated, knots) near", "100"},
      {"(A:AIRSPEED INDICATED, knots, ignored) near", "100"},
      {"(A:GENERAL ENG RPM : 2 , rpm) near", "2000"},
      {"(A:GENERAL ENG RPM:1, rpm)", "0"},
      {"(C:fs9gps:WaypointDistance:1, nmiles)", "12"},
      {"(c:fs9gps: 1 :WaypointDistance, nmiles)", "12"},
      {"(m:event) 'LeftSingle' scmp", "0"},
      {"50 (>L:p, percent) (L:P, number)", "0.5"},
      {"20 (>L:t, celsius) (L:t, fahrenheit) near", "68"},
      {"20 (>L:t, celsius) (L:t, celsius)", "20"},
      {"'12' (>L:s) (L:s) 1 +", "13"},
      {"7 (>A:AUTOPILOT ALTITUDE LOCK VAR, feet) (A:AUTOPILOT ALTITUDE LOCK VAR, feet) near", "7"},
      {"1 2 (>K:FLAPS_SET)", "1"},
      {"(A:PLANE ALTITUDE)", "0"},
      {"(L:x, furlongs)", "0"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Evaluate(c.script, 1, setup);
    EXPECT_TRUE(outcome.loaded) << c.script << "\n" << outcome.err;
    EXPECT_EQ(outcome.out, c.expected + "\n") << c.script << "\n" << outcome.err;
  }
}

TEST(RunnerLanguageTest, EventsChangesAndUnsetReadsAreRecorded) {
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  SimState sim;
  double flaps = -1;
  sim.OnEvent("flaps_set", [&flaps](double parameter) { flaps = parameter; });
  Engine engine(nullptr, &sim, &diagnostics);
  const int first = engine.AddGauge("a");
  const int second = engine.AddGauge("b");
  Script* fire = engine.CompileScript(
      first, "16383 (>K:FLAPS_SET) (>K:TOGGLE_GEAR) 2 (>L:n) 3 (>G:Var1) 2 (>L:N)", {"f", 1, 1},
      "");
  Script* read = engine.CompileScript(second, "(A:PLANE ALTITUDE, feet) (L:n) +", {"f", 2, 1}, "");
  ASSERT_NE(fire, nullptr);
  ASSERT_NE(read, nullptr);
  Value result;
  EXPECT_TRUE(engine.Run(fire, &result));
  EXPECT_TRUE(engine.Run(read, &result));
  EXPECT_EQ(Show(result), "2");
  EXPECT_EQ(flaps, 16383);
  const std::vector<FiredEvent> events = sim.TakeEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].name, "FLAPS_SET");
  EXPECT_EQ(events[1].name, "TOGGLE_GEAR");
  EXPECT_EQ(events[1].parameter, 0);
  const std::vector<VariableChange> changes = engine.TakeChanges(first);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].name, "L:n");
  EXPECT_EQ(changes[0].value, 2);
  EXPECT_EQ(changes[1].name, "G:Var1");
  EXPECT_TRUE(engine.TakeChanges(first).empty());
  EXPECT_TRUE(engine.TakeChanges(second).empty());
  EXPECT_EQ(sim.unset_reads(), std::vector<std::string>{"A:PLANE ALTITUDE, feet"});
}

// What the engine absorbs silently is a warning, once per script and kind,
// at the word's place; the value stays the engine's.
TEST(RunnerLanguageTest, RunTimeEventsAreWarnedOncePerScriptAndKind) {
  const struct {
    std::string script;
    std::string warning;  // the whole stderr
  } cases[] = {
      {"p p 1 +", "t:1:1: warning: 'p' popped an empty stack: it took 0 [frame 1]\n"},
      {"1 0 / 1 0 div", "t:1:5: warning: '/' divided by zero: the result is 0 [frame 1]\n"},
      {"-1 sqrt", "t:1:4: warning: 'sqrt' gave NaN (not a number): the result is 0 [frame 1]\n"},
      {"(A:X, feet) (A:X, feet)", ""},
      {"'a' 20 :1 r d scat r -- d if{ g1 } p slen",
       "t:1:15: warning: 'scat' made a text longer than 65536 bytes: it is cut [frame 1]\n"},
      {"1 1 (>K:X) (>K:Y)", ""},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Evaluate(c.script, 2);
    EXPECT_EQ(outcome.err, c.warning.empty() ? "" : "vellomar-run: " + c.warning) << c.script;
  }
}

TEST(RunnerLanguageTest, LoadErrorsAndWarningsNameThePlace) {
  const struct {
    std::string script;
    std::string message;  // stderr, after "vellomar-run: t:"
    bool loads;
  } cases[] = {
      {"1 2 foo", "1:5: error: unknown word 'foo'", false},
      // A long word is quoted by its start and its end.
      {std::string(1000, '}'),
       "1:1: error: unknown word '" + std::string(226, '}') + " ... (691 bytes left out) ... " +
           std::string(83, '}') +
           "': words, blocks and variables need blanks between them, as in } els{ (L:x) }",
       false},
      {"1 2\n  gt",
       "2:3: error: unknown word 'gt': not a comparison in gauge scripts; write > "
       "(a word starting with g is a goto, g and the label's number)",
       false},
      {"1 2 ge",
       "1:5: error: unknown word 'ge': not a comparison in gauge scripts; write >= "
       "(a word starting with g is a goto, g and the label's number)",
       false},
      {"1 2 eq",
       "1:5: error: unknown word 'eq': not a comparison in gauge scripts; write ==", false},
      {"1 2 AND", "1:5: error: unknown word 'AND': words are case-sensitive; write and", false},
      {"1 IF{", "1:3: error: unknown word 'IF{': words are case-sensitive; write if{", false},
      {"1 frac", "1:3: error: unknown word 'frac': write d int -", false},
      {"1 if{ 2 }els{ 3 }",
       "1:9: error: unknown word '}els{': words, blocks and variables need blanks between them, "
       "as in } els{ (L:x) }",
       false},
      {"1 float", "1:3: error: unknown word 'float' (no word is longer than 4 characters)", false},
      {".5", "1:1: error: unknown word '.5': a number starts with a digit: write 0.5, not .5",
       false},
      {"08",
       "1:1: error: malformed number '08': a leading 0 makes an octal number, whose "
       "digits are 0 to 7",
       false},
      {"1.2.3", "1:1: error: malformed number '1.2.3'", false},
      {"0x1G", "1:1: error: malformed number '0x1G'", false},
      {"1e", "1:1: error: malformed number '1e'", false},
      {"s1x", "1:1: error: bad register 's1x': write s, sp or l and the register number, 0 to 49",
       false},
      {":x", "1:1: error: bad label ':x': a label is : followed by its number", false},
      {"'abc", "1:1: error: text without a closing '", false},
      {"(L:x", "1:1: error: variable without a closing )", false},
      {"(* x", "1:1: error: comment without a closing *)", false},
      {"'a'b", "1:4: error: expected a blank after the closing '", false},
      {"1 if{ 2", "1:3: warning: if{ without a closing }: its block runs to the end of the script",
       true},
      {"1 }", "1:3: warning: } without an if{ or els{ to close: ignored, as the simulator does",
       true},
      {"(Z:y)", "1:1: error: unknown variable kind 'Z:' (known: A C E G K L M P R)", false},
      {"(G:Var10)", "1:1: error: unknown gauge variable 'G:Var10': only G:Var1 to G:Var9 exist",
       false},
      {"(G:Var0)", "1:1: error: unknown gauge variable 'G:Var0': only G:Var1 to G:Var9 exist",
       false},
      {"(G:Var)", "1:1: error: unknown gauge variable 'G:Var': only G:Var1 to G:Var9 exist", false},
      {"(z:y)", "1:1: error: unknown variable kind 'z:' (known: A C E G K L M P R)", false},
      {"(A:)", "1:1: error: variable name missing after A:", false},
      {"(a: )", "1:1: error: variable name missing after A:", false},
      {"(A :x, feet)",
       "1:1: error: expected (X:NAME) or (X:NAME, unit) with X one of A C E G K L M P R, found "
       "'(A :x, feet)'",
       false},
      {"(C::x)", "1:1: error: callback name missing in C:", false},
      {"(C:fs9gps: )", "1:1: error: property name missing in C:fs9gps:", false},
      {"(K:X)", "1:1: error: K: events can only be fired: write (>K:X)", false},
      {"(L:x,)", "1:1: error: units missing after ','", false},
      {"(C:fs9gps)", "1:1: error: expected (C:CALLBACK:Property), found '(C:fs9gps)'", false},
      {"(L:x, furlongs)", "1:1: warning: unknown unit 'furlongs': read as a number (factor 1)",
       true},
      {"l50", "1:1: warning: register 50 does not exist (registers are 0 to 49): it reads 0", true},
      {"(A:PLANE ALTITUDE)", "1:1: warning: A: variables need units: this read gives 0", true},
      {"1 (>P:SIMULATION RATE, number)",
       "1:3: warning: P: variables are not set by gauges: the simulator changes its aircraft "
       "through K: events and may ignore this write; the workbench sets the simulated value "
       "(warned once per file)",
       true},
      {"0 if{ 1 } 2 els{ 3 }",
       "1:13: warning: els{ does not follow the } of a block: it runs when the last block "
       "closed did not run",
       true},
      {"%(1 foo)", "1:5: error: unknown word 'foo'", false},
      {"T|A\n %(1", "2:2: error: %( without a closing )", false},
      {"%(1)%{if", "1:5: warning: %{ without a closing }: the rest of the text is not shown", true},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Evaluate(c.script, 0);
    EXPECT_EQ(outcome.loaded, c.loads) << c.script;
    EXPECT_EQ(outcome.err, "vellomar-run: t:" + c.message + "\n") << c.script;
  }
}

}  // namespace
}  // namespace runner
