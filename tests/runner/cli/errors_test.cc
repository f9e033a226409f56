// What vellomar-run says, and how it exits, when a script or the module is at
// fault: every message names the place (file:line:column, or the module).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "tests/runner/cli/runner_fixture.h"

namespace vellomar::testing {
namespace {

struct ErrorCase {
  std::string script;   // given on standard input
  std::string message;  // after "vellomar-run: <stdin>:"
};

// A script that does not load runs nothing, not even the lines before the
// fault. (The engine's tests cover every load error; these are the ones the
// script-file reader adds: comments, entities, lines.)
TEST(RunnerErrorsTest, LoadErrorsNameLineAndColumnAndRunNothing) {
  const ErrorCase cases[] = {
      {"1 2 foo", "1:5: error: unknown word 'foo'"},
      {"1\n# comment\n\n  1 2 bad 3", "4:7: error: unknown word 'bad'"},
      {"1 2 &amp;&amp; bad", "1:16: error: unknown word 'bad'"},
      {"1 '", "1:3: error: text without a closing '"},
      {"1 if{\n2\r\n3 } bad", "3:5: error: unknown word 'bad'"},
      {"\xEF\xBB\xBF"
       "1\r2 gt",
       "2:3: error: unknown word 'gt': not a comparison in gauge "
       "scripts; write > (a word starting with g is a goto, g and the "
       "label's number)"},
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
                            ":3:1: error: unknown variable kind 'Z:' (known: A C E G K L M P R)\n");
  EXPECT_EQ(result.out, "");
}

// Every load error of a file is told, in file order, up to a bound; a text
// without its end takes the rest of the file with it.
TEST(RunnerErrorsTest, EveryLoadErrorOfAFileIsTold) {
  const std::string path = WriteScript(
      "load_errors.rpn", "1 foo\n(Z:y) 2 (G:Var0)\n3 'a'b 4 (Z:z)\n5 if{ 6 }\n7 'open\n8 bar\n");
  const CommandResult result = RunRunner({path});
  EXPECT_EQ(result.status, 1);
  const std::string at = "vellomar-run: " + path + ":";
  EXPECT_EQ(result.err,
            at + "1:3: error: unknown word 'foo'\n" + at +
                "2:1: error: unknown variable kind 'Z:' (known: A C E G K L M P R)\n" + at +
                "2:9: error: unknown gauge variable 'G:Var0': only G:Var1 to G:Var9 exist\n" + at +
                "3:6: error: expected a blank after the closing '\n" + at +
                "5:3: error: text without a closing '\n");
  EXPECT_EQ(result.out, "");

  std::string many;
  for (int i = 0; i < 30; ++i) many += "x ";
  const CommandResult bounded = RunRunner({"-e", many});
  EXPECT_EQ(bounded.status, 1);
  EXPECT_EQ(std::count(bounded.err.begin(), bounded.err.end(), '\n'), 20) << bounded.err;
  EXPECT_NE(bounded.err.find("-e:1:39: error: unknown word 'x' (and no more errors are looked "
                             "for)\n"),
            std::string::npos)
      << bounded.err;
}

// What the simulator absorbs at run time is a warning, once per expression
// and kind; every line, script and frame still runs, with the engine's
// values. --strict makes any warning fail the run.
TEST(RunnerErrorsTest, RunTimeEventsAreWarningsAndStrictFails) {
  const std::string script =
      "1 0 /\n+\n(>C:VELLOMAR:Fuel)\n(C:NOBODY:Key)\n(C:NOBODY:2:Key, feet)\n";
  const CommandResult result = RunRunner({"--frames", "2", "-e", "7", "-"}, script);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "7\n0\n0\n0\n0\n7\n0\n0\n0\n0\n");
  EXPECT_EQ(result.err,
            "vellomar-run: <stdin>:1:5: warning: '/' divided by zero: the result is 0 [frame 1]\n"
            "vellomar-run: <stdin>:2:1: warning: '+' popped an empty stack: it took 0 [frame 1]\n"
            "vellomar-run: <stdin>:3:1: warning: '(>C:VELLOMAR:Fuel)' popped an empty stack: it "
            "took 0 [frame 1]\n"
            "vellomar-run: read but never set: C:NOBODY:Key\n"
            "vellomar-run: read but never set: C:NOBODY:2:Key, feet\n");
  const CommandResult strict = RunRunner({"--strict", "-e", "1 0 /"});
  EXPECT_EQ(strict.status, 1);
  EXPECT_EQ(strict.out, "0\n");
  EXPECT_EQ(RunRunner({"--strict", "-e", "1 2 /"}).status, 0);
}

// A runaway loop is stopped with an error; the rest of the run goes on.
TEST(RunnerErrorsTest, RunawayLoopsAreStoppedAndTheRunGoesOn) {
  const CommandResult result = RunRunner({"-e", "1 :1 g1", "-e", "2", "-s", "%{loop}x%(1)%{next}"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "2\n\n");
  EXPECT_EQ(result.err,
            "vellomar-run: -e:1:6: error: runaway loop: g1 jumped back 100000 times in one run; "
            "the run is stopped [frame 1]\n"
            "vellomar-run: -s:1:8: warning: the text grew longer than 65536 bytes: it is cut "
            "[frame 1]\n"
            "vellomar-run: -s:1:13: error: runaway loop: %{next} went back 100000 times in one "
            "expansion; the expansion is stopped [frame 1]\n");
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
    EXPECT_EQ(result.err.find("%1"), std::string::npos) << result.err;  // Windows' inserts
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
  EXPECT_EQ(result.err, "vellomar-run: /nonexistent/script.rpn: no such file\n");
  EXPECT_EQ(result.out, "");
}

TEST(RunnerErrorsTest, BadCommandLines) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{}, "no gauge file or script given"},
      {{"--dump"}, "no gauge file or script given"},
      {{"--frames", "0", "-e", "1"}, "--frames needs a whole number from 1 to 2147483647, not '0'"},
      {{"--frames", "2x", "-e", "1"},
       "--frames needs a whole number from 1 to 2147483647, not '2x'"},
      {{"--frames", "2147483648", "-e", "1"},
       "--frames needs a whole number from 1 to 2147483647, not '2147483648'"},
      {{"--quiet", "--json", "x.xml"},
       "--quiet and --json cannot be used together (--json prints every frame)"},
      {{"-e"}, "-e needs a value"},
      {{"-e", "1", "--module"}, "--module needs a value"},
      {{"-s"}, "-s needs a value"},
      {{"--bogus", "-e", "1"}, "unknown option '--bogus'"},
      {{"-", "-"}, "standard input ('-') given twice"},
  };
  for (const auto& c : cases) {
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runner::RunCommand(c.args, ModulePath(), in, out, err), 2) << c.message;
    EXPECT_EQ(err.str(),
              std::string("vellomar-run: ") + c.message + "\nsee 'vellomar-run --help'\n");
    EXPECT_EQ(out.str(), "") << c.message;
  }
}

TEST(RunnerErrorsTest, HelpAndVersionGoToStandardOutput) {
  const CommandResult help = RunRunner({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: vellomar-run", 0), 0u);
  EXPECT_EQ(help.err, "");
  const CommandResult version = RunRunner({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "vellomar-run " VELLOMAR_VERSION "\n");
  EXPECT_EQ(version.err, "");
}

}  // namespace
}  // namespace vellomar::testing
