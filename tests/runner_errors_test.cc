// What vellomar-run says, and how it exits, when a script or the module is at
// fault: every message names the place (file:line:column, or the module).
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/runner_fixture.h"

namespace vellomar::testing {
namespace {

struct ErrorCase {
  std::string script;   // given on standard input
  std::string message;  // after "vellomar-run: <stdin>:"
};

// A script that does not load runs nothing, not even the lines before the
// fault, and the module is never asked about it.
TEST(RunnerErrorsTest, LoadErrorsNameLineAndColumnAndRunNothing) {
  const ErrorCase cases[] = {
      {"1 2 foo", "1:5: unknown word 'foo'"},
      {"1 2 AND", "1:5: unknown word 'AND'"},
      {"-5x", "1:1: unknown word '-5x'"},
      {"1\n# comment\n\n  1 2 ?", "4:7: unknown word '?'"},
      {"1 2 &amp;&amp; bad", "1:16: unknown word 'bad'"},
      {"1 '", "1:3: text without a closing '"},
      {"(L:x", "1:1: variable without a closing )"},
      {"'a'b", "1:4: expected a space after the closing '"},
      {"(L:a)(L:b)", "1:6: expected a space after the closing )"},
      {"s50", "1:1: register 's50' does not exist (registers are 0 to 49)"},
      {"1 sp07", "1:3: register 'sp07' does not exist (registers are 0 to 49)"},
      {"(L:x, feet)", "1:1: unknown units 'feet' (known: enum, number, numbers, string)"},
      {"(L:x,)", "1:1: units missing after ','"},
      {"(L:x, string)", "1:1: L: variables hold numbers, not 'string'"},
      {"(L:)", "1:1: variable name missing in L:"},
      {"(A:PLANE ALTITUDE, feet)",
       "1:1: unsupported variable type 'A:' (the runner knows C: and L:)"},
      {"(x)", "1:1: expected (C:NAME:Keyword) or (L:name), found '(x)'"},
      {"(C:VELLOMAR)", "1:1: expected (C:NAME:Keyword), found '(C:VELLOMAR)'"},
      {"(>C::Key)", "1:1: callback name missing in C:"},
      {"els{ 1 }", "1:1: els{ must follow the } that closes an if{"},
      {"1 if{ 2 } 3 els{ 4 }", "1:13: els{ must follow the } that closes an if{"},
      {"1 }", "1:3: } without an if{ or els{ to close"},
      {"1 if{ 2", "1:3: if{ without a closing }"},
      {"1 if{ 2 } els{ 3", "1:11: els{ without a closing }"},
      {std::string("1 \0", 3), "1:3: NUL character"},
      {"1" + std::string(400, '0'), "1:1: number '1" + std::string(400, '0') + "' is out of range"},
  };
  for (const ErrorCase& c : cases) {
    const CommandResult result = RunRunner({"-e", "1", "-"}, c.script);
    EXPECT_EQ(result.status, 1) << c.script;
    EXPECT_EQ(result.err, "vellomar-run: <stdin>:" + c.message + "\n") << c.script;
    EXPECT_EQ(result.out, "") << c.script;
  }
}

TEST(RunnerErrorsTest, LoadErrorsNameTheFile) {
  const std::string path = WriteScript("load_error.rpn", "1\n2 3 +\n(Z:y)\n");
  const CommandResult result = RunRunner({path});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "vellomar-run: " + path +
                            ":3:1: unsupported variable type 'Z:' (the runner knows C: and L:)\n");
  EXPECT_EQ(result.out, "");
}

// A run-time error stops the whole run where it happens: later lines, later
// scripts and later frames do not run, and nothing is dumped.
TEST(RunnerErrorsTest, RunTimeErrorsNameLineAndColumnAndStopTheRun) {
  std::string long_scat = "'" + std::string(16, 'a') + "'";
  for (int i = 0; i < 13; ++i) long_scat += " d scat";
  const ErrorCase cases[] = {
      {"1 +", "1:3: stack underflow: '+' needs 2 values, found 1"},
      {"p", "1:1: stack underflow: 'p' needs 1 value, found 0"},
      {"1 s0 c r", "1:8: stack underflow: 'r' needs 2 values, found 0"},
      {"if{ 1 }", "1:1: stack underflow: 'if{' needs 1 value, found 0"},
      {"(>L:x)", "1:1: stack underflow: '(>L:x)' needs 1 value, found 0"},
      {"(>C:VELLOMAR:Fuel)", "1:1: stack underflow: '(>C:VELLOMAR:Fuel)' needs 1 value, found 0"},
      {"'a' 1 +", "1:7: '+' needs a number, found the text 'a'"},
      {"1 'a' +", "1:7: '+' needs a number, found the text 'a'"},
      {"'a' 1 scat", "1:7: 'scat' needs a text, found the number 1"},
      {"'x' if{ 1 }", "1:5: 'if{' needs a number, found the text 'x'"},
      {"'x' (>L:v)", "1:5: '(>L:v)' needs a number, found the text 'x'"},
      {"1 0 /", "1:5: division by zero"},
      {"1 0 %", "1:5: division by zero"},
      {"300 chr", "1:5: 'chr' needs a character code from 1 to 255, found 300"},
      {"1.5 chr", "1:5: 'chr' needs a character code from 1 to 255, found 1.5"},
      {long_scat, "1:106: 'scat' would make a text longer than 65536 characters"},
      {"(C:NOBODY:Key)", "1:1: no callback is registered under 'NOBODY'"},
      {"1 (>C:nobody:Key)", "1:3: no callback is registered under 'nobody'"},
      {"(C:VELLOMAR:" + std::string(260, 'k') + ")",
       "1:1: the callback 'VELLOMAR' does not know the keyword '" + std::string(40, 'k') + "...'"},
  };
  for (const ErrorCase& c : cases) {
    const CommandResult result =
        RunRunner({"--frames", "2", "--dump", "-e", "7", "-", "-e", "8"}, "6\n" + c.script + "\n9");
    EXPECT_EQ(result.status, 1) << c.script;
    const std::string on_line_two = "2" + c.message.substr(1);
    EXPECT_EQ(result.err, "vellomar-run: <stdin>:" + on_line_two + "\n") << c.script;
    EXPECT_EQ(result.out, "7\n6\n") << c.script;
  }
}

TEST(RunnerErrorsTest, CallbackNamesAreLookedUpOnlyWhenUsed) {
  const CommandResult result = RunRunner({"-e", "0 if{ (C:NOBODY:Key) } 7"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "7\n");
}

TEST(RunnerErrorsTest, ModuleThatDoesNotLoad) {
  const std::string not_a_library = WriteScript("not_a_library.so", "1 2 +\n");
  for (const std::string& path : {std::string("/nonexistent/libvellomar.so"), not_a_library}) {
    const CommandResult result = RunRunner({"--module", path, "-e", "1"});
    EXPECT_EQ(result.status, 1) << path;
    // The system's own reason follows, in the system's own words.
    EXPECT_EQ(result.err.rfind("vellomar-run: cannot load " + path, 0), 0u) << result.err;
    EXPECT_EQ(result.out, "") << path;
  }
}

TEST(RunnerErrorsTest, WithoutModuleOptionTheDefaultIsLoaded) {
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(runner::RunCommand({"-e", "1"}, "/nonexistent/beside/libvellomar.so", in, out, err), 1);
  EXPECT_EQ(err.str().rfind("vellomar-run: cannot load /nonexistent/beside/libvellomar.so", 0), 0u)
      << err.str();
}

TEST(RunnerErrorsTest, ModuleThatLacksAnExport) {
  const CommandResult result = RunRunner({"--module", VELLOMAR_MISSING_EXPORT_MODULE, "-e", "1"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, std::string("vellomar-run: ") + VELLOMAR_MISSING_EXPORT_MODULE +
                            " does not export GetFirstArray\n");
  EXPECT_EQ(result.out, "");
}

TEST(RunnerErrorsTest, ScriptFileThatCannotBeRead) {
  const CommandResult result = RunRunner({"-e", "1", "/nonexistent/script.rpn"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "vellomar-run: /nonexistent/script.rpn: cannot open the script\n");
  EXPECT_EQ(result.out, "");
}

TEST(RunnerErrorsTest, BadCommandLines) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{}, "no script given"},
      {{"--dump"}, "no script given"},
      {{"--frames", "0", "-e", "1"}, "--frames needs a whole number from 1 up, not '0'"},
      {{"--frames", "2x", "-e", "1"}, "--frames needs a whole number from 1 up, not '2x'"},
      {{"--frames", "99999999999", "-e", "1"},
       "--frames needs a whole number from 1 up, not '99999999999'"},
      {{"-e"}, "-e needs a value"},
      {{"-e", "1", "--module"}, "--module needs a value"},
      {{"--bogus", "-e", "1"}, "unknown option '--bogus'"},
      {{"-", "-"}, "standard input ('-') given twice"},
  };
  for (const auto& c : cases) {
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runner::RunCommand(c.args, ModulePath(), in, out, err), 2) << c.message;
    const std::string first_line = err.str().substr(0, err.str().find('\n'));
    EXPECT_EQ(first_line, std::string("vellomar-run: ") + c.message);
    EXPECT_NE(err.str().find("usage: vellomar-run"), std::string::npos) << c.message;
    EXPECT_EQ(out.str(), "") << c.message;
  }
}

TEST(RunnerErrorsTest, HelpGoesToStandardOutput) {
  const CommandResult result = RunRunner({"--help"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out.rfind("usage: vellomar-run", 0), 0u);
  EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace vellomar::testing
