// vellomar-run against the module: scripts as gauges sharing the module's
// storage, ids resolved at load, text identity across frames, and the dump.
#include <gtest/gtest.h>

#include <string>

#include "tests/runner/cli/runner_fixture.h"

namespace vellomar::testing {
namespace {

CommandResult RunOk(const std::vector<std::string>& args, const std::string& input = "",
                    const std::string& warnings = "") {
  CommandResult result = RunRunner(args, input);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, warnings);
  return result;
}

// What a failed read gives; the warning that says why is tested below.
std::string Refused(const std::string& script) {
  const CommandResult result = RunRunner({"-e", script});
  EXPECT_NE(result.err.find("warning: the module refused"), std::string::npos) << script;
  return result.out;
}

TEST(RunnerModuleTest, FailedReadsGiveTheModulesDefaults) {
  EXPECT_EQ(RunOk({"-e", "(C:VELLOMAR:GetArrayToken)"}).out, "0\n");
  EXPECT_EQ(Refused("(C:VELLOMAR:GetStringValue, String)"), "null\n");
  EXPECT_EQ(Refused("(C:VELLOMAR:SetActiveArray, number)"), "1\n");
  // A user variable read as a number fails; read as text (its own units
  // when none are given) it is empty.
  EXPECT_EQ(Refused("(C:VELLOMAR:Fuel, number)"), "1\n");
  EXPECT_EQ(RunOk({"-e", "'[' (C:VELLOMAR:Fuel) scat"}).out, "[\n");
  EXPECT_EQ(RunOk({"-e", "'[' (C:vellomar:Fuel, STRING) scat ']' scat"}).out, "[]\n");
}

TEST(RunnerModuleTest, WritesChooseTextOrNumberByTheValue) {
  const std::string script =
      "3 (>C:VELLOMAR:SetArraySize, number) 'N' (>C:VELLOMAR:CreateNumberArray)\n"
      "2 (>C:VELLOMAR:SetWriteIndex) 1.5 (>C:VELLOMAR:SetNumberValue, string)\n"
      "2 (>C:VELLOMAR:SetReadIndex) (C:VELLOMAR:GetNumberValue)\n"
      "(C:VELLOMAR:GetArraySize)\n"
      "'x' (>C:VELLOMAR:SetReadIndex) (C:VELLOMAR:GetReadIndex)\n";
  EXPECT_EQ(RunOk({"-"}, script,
                  "vellomar-run: <stdin>:5:5: warning: the module refused 'x' for "
                  "C:VELLOMAR:SetReadIndex: the keyword takes a number, and a text was written; "
                  "nothing changed [frame 1]\n")
                .out,
            "1.5\n3\n2\n");
}

// Every refusal is a warning at its word, with the keyword, the value written
// and the module's reason, once per word and reason however many frames run.
TEST(RunnerModuleTest, RefusalsAreWarnedWithTheirReason) {
  const std::string texts = "3 (>C:VELLOMAR:SetArraySize) 'S' (>C:VELLOMAR:CreateStringArray) ";
  const std::string numbers = "3 (>C:VELLOMAR:SetArraySize) 'N' (>C:VELLOMAR:CreateNumberArray) ";
  const std::string long_text = "'" + std::string(260, 'x') + "'";
  struct Case {
    std::string script;
    int column;           // of the refused word, on line 1
    std::string refused;  // after "the module refused "
  };
  const Case cases[] = {
      {"'N' (>C:VELLOMAR:CreateNumberArray)", 5,
       "'N' for C:VELLOMAR:CreateNumberArray: no array created because no size was set"},
      {"3 (>C:VELLOMAR:SetArraySize) '' (>C:VELLOMAR:CreateStringArray)", 33,
       "'' for C:VELLOMAR:CreateStringArray: an array's name cannot be empty; no array is active"},
      {"(C:VELLOMAR:GetNumberValue)", 1,
       "to read C:VELLOMAR:GetNumberValue: no array is active (the active token is 0); it reads 1"},
      {"7 (>C:VELLOMAR:SetActiveArray) (C:VELLOMAR:GetArraySize)", 32,
       "to read C:VELLOMAR:GetArraySize: no array has the active token 7"},
      {texts + "7 (>C:VELLOMAR:SetReadIndex) (C:VELLOMAR:GetStringValue)", 95,
       "to read C:VELLOMAR:GetStringValue: the read index 7 is outside 0 to 2 of the array 'S'; "
       "it reads 'null'"},
      {numbers + "-1 (>C:VELLOMAR:SetWriteIndex) 4 (>C:VELLOMAR:SetNumberValue)", 99,
       "4 for C:VELLOMAR:SetNumberValue: the write index -1 is outside 0 to 2"},
      {texts + "(C:VELLOMAR:GetNumberValue)", 66,
       "to read C:VELLOMAR:GetNumberValue: the active array 'S' holds texts"},
      {numbers + "'a' (>C:VELLOMAR:SetStringValue)", 70,
       "'a' for C:VELLOMAR:SetStringValue: the active array 'N' holds numbers"},
      {texts + long_text + " (>C:VELLOMAR:SetStringValue)", 329,
       "'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...' (260 bytes) for C:VELLOMAR:SetStringValue: the "
       "text is 260 bytes, longer than 259; nothing changed"},
      {long_text + " (>C:VELLOMAR:Note)", 264, "for C:VELLOMAR:Note: the text is 260 bytes"},
      {"(C:VELLOMAR:SetReadIndex)", 1,
       "to read C:VELLOMAR:SetReadIndex: the keyword cannot be read, only written"},
      {"1 (>C:VELLOMAR:GetArrayToken)", 3,
       "1 for C:VELLOMAR:GetArrayToken: the keyword cannot be written, only read"},
      {"(C:VELLOMAR:Note, number)", 1, "the keyword holds a text: read it with ', string'"},
      {"(C:VELLOMAR:GetReadIndex, string)", 1,
       "the keyword holds a number: read it with ', number'; it reads 'null'"},
      {"'2' (>C:VELLOMAR:SetReadIndex)", 5, "the keyword takes a number, and a text was written"},
      {"2 (>C:VELLOMAR:Note)", 3, "the keyword takes a text, and a number was written"},
  };
  for (const Case& c : cases) {
    const CommandResult result = RunRunner({"--frames", "3", "-e", c.script});
    const std::string start =
        "vellomar-run: -e:1:" + std::to_string(c.column) + ": warning: the module refused ";
    EXPECT_EQ(result.err.rfind(start, 0), 0u) << c.script << "\n" << result.err;
    EXPECT_NE(result.err.find(c.refused), std::string::npos) << c.script << "\n" << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << c.script << "\n" << result.err;
    EXPECT_EQ(result.status, 0) << c.script;
  }
  EXPECT_EQ(RunRunner({"--strict", "-e", "(C:VELLOMAR:GetNumberValue)"}).status, 1);
}

// Arrays made frame after frame (a name built from a counter is a new text,
// so a new array, every frame) are warned about once, at the word that made
// them; an array selected again by its literal is not.
TEST(RunnerModuleTest, ArraysGrowingEveryFrameAreALeak) {
  const std::string leak =
      "1 (>C:VELLOMAR:SetArraySize) 'A' (L:n) ++ (>L:n) (L:n) scat "
      "(>C:VELLOMAR:CreateNumberArray)";
  const CommandResult result = RunRunner({"--frames", "150", "-e", leak});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err,
            "vellomar-run: -e:1:61: warning: the module's arrays grow frame after frame: 101 "
            "arrays after frame 101, new ones in 100 frames; the newest is named 'A101.', created "
            "here (each new name text makes a new array) [frame 101]\n");
  EXPECT_EQ(RunOk({"--frames", "150", "-e",
                   "1 (>C:VELLOMAR:SetArraySize) 'A' (>C:VELLOMAR:CreateNumberArray)"})
                .err,
            "");
}

// A text read is a copy: a later write to the slot does not change it.
TEST(RunnerModuleTest, TextsReadAreCopiedWhenRead) {
  EXPECT_EQ(RunOk({"-e", "'abc' (>C:VELLOMAR:V) (C:VELLOMAR:V, string) 'xyz' (>C:VELLOMAR:V)"}).out,
            "abc\n");
}

// Each literal has one address for the whole run: the line that created an
// array selects it again on every later frame, and another literal with the
// same characters is another array.
TEST(RunnerModuleTest, LiteralsKeepTheirIdentityAcrossFrames) {
  const std::string script =
      "2 (>C:VELLOMAR:SetArraySize) 'A' (>C:VELLOMAR:CreateStringArray)\n"
      "(L:n) (>C:VELLOMAR:SetWriteIndex) 'a' (>C:VELLOMAR:SetStringValue) (L:n) ++ (>L:n)\n"
      "'A' (>C:VELLOMAR:CreateStringArray)\n";
  EXPECT_EQ(RunOk({"--frames", "3", "--dump", "-"}, script,
                  "vellomar-run: <stdin>:2:39: warning: the module refused 'a' for "
                  "C:VELLOMAR:SetStringValue: the write index 2 is outside 0 to 1 of the array "
                  "'A'; nothing changed [frame 3]\n")
                .out,
            "array 'A': string, size 2, token 1\n"
            "  [0] 'a'\n"
            "  [1] 'a'\n"
            "array 'A': string, size 2, token 2\n");
}

// A name built at run time is a new text each frame, so each frame creates a
// new array; each name stays alive, and readable, until the module stops.
TEST(RunnerModuleTest, TextsBuiltAtRunTimeOutliveTheirLine) {
  const std::string script =
      "1 (>C:VELLOMAR:SetArraySize) 'Na' 'me' scat (>C:VELLOMAR:CreateNumberArray)\n"
      "(C:VELLOMAR:GetArrayName, string) (>C:VELLOMAR:CreateStringArray)\n"
      "(C:VELLOMAR:GetArrayName, string) (C:VELLOMAR:GetArrayToken) p\n";
  EXPECT_EQ(RunOk({"--frames", "2", "--dump", "-"}, script).out,
            "Name\nName\n"
            "array 'Name': number, size 1, token 1\n"
            "array 'Name': string, size 1, token 2\n"
            "array 'Name': number, size 1, token 3\n"
            "array 'Name': string, size 1, token 4\n");
}

// Every reference is resolved while the scripts load, in the order they
// appear, so user variables exist (and are numbered) before any line runs,
// even those only named in a branch never taken.
TEST(RunnerModuleTest, KeywordsResolveWhenScriptsLoad) {
  const CommandResult result = RunOk({"--dump", "-e", "0 if{ 'never' (>C:VELLOMAR:Zeta) }", "-e",
                                      "'b' (>C:VELLOMAR:Alpha) 'a' (>C:VELLOMAR:zeta)"});
  EXPECT_EQ(result.out,
            "user variable 15 'Zeta' = 'a'\n"
            "user variable 16 'Alpha' = 'b'\n");
}

TEST(RunnerModuleTest, OneUserVariableIsDumpedToo) {
  EXPECT_EQ(RunOk({"--dump", "-e", "'x' (>C:VELLOMAR:Only)"}).out,
            "user variable 15 'Only' = 'x'\n");
  EXPECT_EQ(RunOk({"--dump", "-e", "1"}).out, "1\n");
}

// Scripts share the module's storage and the L: variables; each script has
// registers of its own, kept from one frame to the next.
TEST(RunnerModuleTest, GaugesShareStorageAndLocalsButNotRegisters) {
  const CommandResult result =
      RunOk({"--frames", "2", "-e", "l0 ++ s0", "-e", "(L:n) ++ (>L:n) 'v' (>C:VELLOMAR:Shared)",
             "-e", "(C:VELLOMAR:shared, string)", "-e", "(L:N) l0 +"});
  EXPECT_EQ(result.out, "1\nv\n1\n2\nv\n2\n");
}

// A property read without units is a text read when the module gives the
// property the units "string".
TEST(RunnerModuleTest, ReadsWithoutUnitsTakeThePropertysKind) {
  EXPECT_EQ(RunOk({"-e", "'abc' (>C:VELLOMAR:Label) (C:VELLOMAR:Label) slen"}).out, "3\n");
  EXPECT_EQ(RunOk({"-e", "(C:VELLOMAR:GetArrayToken) 1 +"}).out, "1\n");
}

// In a script file an expression goes on over the next lines while a block,
// a variable or a text is open; all expressions of a file share registers.
TEST(RunnerModuleTest, ExpressionsSpanLinesWhileSomethingIsOpen) {
  const std::string script =
      "\xEF\xBB\xBF"
      "1 if{\r\n  2\r\n} els{ 3 }\r"
      "(L:a long\nname) 'two\nlines' scat\n"
      "4 s5\n"
      "l5 (* a comment\n over lines *) 1 +\n";
  EXPECT_EQ(RunOk({"-"}, script).out, "2\n0.two\nlines\n4\n5\n");
}

TEST(RunnerModuleTest, TemplatesPrintTheirText) {
  EXPECT_EQ(RunOk({"--frames", "2", "-s", "%(l0 ++ s0)%!02d! of %('x' (>L:t))%(2)%!d!"}).out,
            "01 of 2\n02 of 2\n");
  EXPECT_EQ(RunOk({"-s", "%(1 2 &lt;)%{if}&apos;yes&apos;%{end} &amp;"}).out, "'yes' &\n");
}

// Events come before the value of the expression or the text that fired them.
TEST(RunnerModuleTest, KeyEventsArePrintedWhereTheyFire) {
  EXPECT_EQ(RunOk({"-e", "16383 (>K:FLAPS_SET) (>K:TOGGLE_GEAR) 5", "-s", "%(2.5 (>K:X))x"}).out,
            "event K:FLAPS_SET 16383\nevent K:TOGGLE_GEAR 0\n5\nevent K:X 2.5\nx\n");
}

TEST(RunnerModuleTest, ModuleStoppedAfterTheRun) {
  // A second run loads the module afresh: nothing of the first one remains.
  const char* script = "'x' (>C:VELLOMAR:First)";
  EXPECT_EQ(RunOk({"--dump", "-e", script}).out, "user variable 15 'First' = 'x'\n");
  EXPECT_EQ(RunOk({"--dump", "-e", script}).out, "user variable 15 'First' = 'x'\n");
}

}  // namespace
}  // namespace vellomar::testing
