// The gauge-script language as vellomar-run runs it: every word, its operand
// order, and how results are printed. One expression per case, run with -e.
#include <gtest/gtest.h>

#include <string>

#include "tests/runner_fixture.h"

namespace vellomar::testing {
namespace {

struct LanguageCase {
  const char* expression;
  const char* output;  // everything printed, "" when the line leaves nothing
};

void ExpectOutputs(const LanguageCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const CommandResult result = RunRunner({"-e", cases[i].expression});
    EXPECT_EQ(result.status, 0) << cases[i].expression << "\n" << result.err;
    EXPECT_EQ(result.out, cases[i].output) << cases[i].expression;
  }
}

TEST(RunnerLanguageTest, ArithmeticTakesTheDeeperValueFirst) {
  const LanguageCase cases[] = {
      {"2 3 +", "5\n"},      {"7 2 -", "5\n"},     {"2 3 *", "6\n"},     {"7 2 /", "3.5\n"},
      {"7 2 %", "1\n"},      {"-7 2 %", "-1\n"},   {"7.5 2 %", "1.5\n"}, {"3 /-/", "-3\n"},
      {"1 ++", "2\n"},       {"1 --", "0\n"},      {"3 5 min", "3\n"},   {"3 5 max", "5\n"},
      {"-2.5 abs", "2.5\n"}, {"-2.7 int", "-2\n"}, {"-2.5 flr", "-3\n"}, {"-2.5 ceil", "-2\n"},
      {"-2.5 near", "-3\n"}, {"2.5 near", "3\n"},  {"2.4 near", "2\n"},
  };
  ExpectOutputs(cases, std::size(cases));
}

TEST(RunnerLanguageTest, ComparisonsAndLogicGiveOneOrZero) {
  const LanguageCase cases[] = {
      {"2 1 >", "1\n"},
      {"2 1 gt", "1\n"},
      {"2 1 <", "0\n"},
      {"1 2 lt", "1\n"},
      {"2 2 >=", "1\n"},
      {"1 2 ge", "0\n"},
      {"1 2 <=", "1\n"},
      {"3 2 le", "0\n"},
      {"2 2 ==", "1\n"},
      {"2 3 eq", "0\n"},
      {"2 3 !=", "1\n"},
      {"2 2 ne", "0\n"},
      {"1 0 &&", "0\n"},
      {"2 3 and", "1\n"},
      {"1 0 ||", "1\n"},
      {"0 0 or", "0\n"},
      {"0 !", "1\n"},
      {"5 not", "0\n"},
      // XML entities, as pasted from a gauge file.
      {"1 2 &lt;", "1\n"},
      {"2 1 &gt;=", "1\n"},
      {"1 0 &amp;&amp;", "0\n"},
  };
  ExpectOutputs(cases, std::size(cases));
}

TEST(RunnerLanguageTest, TextWords) {
  const LanguageCase cases[] = {
      {"'ab' 'cd' scat", "abcd\n"},
      {"65 chr", "A\n"},
      {"'A' ord", "65\n"},
      {"'' ord", "0\n"},
      {"'MiXed 1' lc", "mixed 1\n"},
      {"'MiXed 1' uc", "MIXED 1\n"},
      {"'hELLO wORLD' cap", "Hello world\n"},
      {"'a' 'b' scmp", "-1\n"},
      {"'b' 'a' scmp", "1\n"},
      {"'ABC' 'abc' scmp", "-1\n"},
      {"'ABC' 'abc' scmi", "0\n"},
      {"'a b  c'", "a b  c\n"},
      {"'a&amp;b &lt;c&gt;'", "a&b <c>\n"},
      {"''", "\n"},
  };
  ExpectOutputs(cases, std::size(cases));
}

TEST(RunnerLanguageTest, StackRegistersAndLocals) {
  const LanguageCase cases[] = {
      {"1 2 d + +", "5\n"},
      {"1 2 p", "1\n"},
      {"1 2 r -", "1\n"},
      {"1 2 c 3", "3\n"},
      {"1 2 c", ""},
      {"5 s0 p l0 l0 +", "10\n"},
      {"5 sp1", ""},
      {"5 sp49 l49", "5\n"},
      {"'t' s2 p l2 l2 scat", "tt\n"},
      {"l7", "0\n"},
      {"3 (>L:x) (L:X, Number) 2 *", "6\n"},
      {"(l:never)", "0\n"},
      {"1\t2\t+", "3\n"},
  };
  ExpectOutputs(cases, std::size(cases));
}

TEST(RunnerLanguageTest, ControlFlow) {
  const LanguageCase cases[] = {
      {"1 if{ 2 } els{ 3 }", "2\n"},
      {"0 if{ 2 } els{ 3 }", "3\n"},
      {"0 if{ 2 }", ""},
      {"7 1 if{ 1 + }", "8\n"},
      {"1 if{ 0 if{ 4 } els{ 5 } } els{ 6 }", "5\n"},
      {"0 if{ 0 if{ 4 } els{ 5 } } els{ 6 }", "6\n"},
      {"1 if{ } els{ 3 } 9", "9\n"},
      {"1 quit 2", "1\n"},
      {"1 if{ 8 quit } 9", "8\n"},
  };
  ExpectOutputs(cases, std::size(cases));
}

TEST(RunnerLanguageTest, NumbersPrintInTheShortestFormThatReadsBack) {
  const LanguageCase cases[] = {
      {"3", "3\n"},
      {"4294967295", "4294967295\n"},
      {"-0.5", "-0.5\n"},
      {"+3.", "3\n"},
      {".5", "0.5\n"},
      {"0.1 0.2 +", "0.30000000000000004\n"},
      {"1 3 /", "0.3333333333333333\n"},
      {"-0", "-0\n"},
      {"1000000000000000000000", "1e+21\n"},
  };
  ExpectOutputs(cases, std::size(cases));
}

TEST(RunnerLanguageTest, OnlyLinesThatLeaveAValuePrint) {
  const CommandResult result =
      RunRunner({"-"}, "# a comment\n\n   # another\n1 2 +\r\n3 (>L:x)\n  (L:x) 1 -  \n");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "3\n2\n");
}

}  // namespace
}  // namespace vellomar::testing
