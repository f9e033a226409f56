// vellomar-run against the module: scripts as gauges sharing the module's
// storage, ids resolved at load, text identity across frames, and the dump.
#include <gtest/gtest.h>

#include <string>

#include "tests/runner/cli/runner_fixture.h"

namespace vellomar::testing {
namespace {

CommandResult RunOk(const std::vector<std::string>& args, const std::string& input = "") {
  CommandResult result = RunRunner(args, input);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  return result;
}

TEST(RunnerModuleTest, FailedReadsGiveTheModulesDefaults) {
  EXPECT_EQ(RunOk({"-e", "(C:VELLOMAR:GetArrayToken)"}).out, "0\n");
  EXPECT_EQ(RunOk({"-e", "(C:VELLOMAR:GetStringValue, String)"}).out, "null\n");
  EXPECT_EQ(RunOk({"-e", "(C:VELLOMAR:SetActiveArray, number)"}).out, "1\n");
  // A user variable read as a number fails; read as text (its own units
  // when none are given) it is empty.
  EXPECT_EQ(RunOk({"-e", "(C:VELLOMAR:Fuel, number)"}).out, "1\n");
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
  EXPECT_EQ(RunOk({"-"}, script).out, "1.5\n3\n2\n");
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
  EXPECT_EQ(RunOk({"--frames", "3", "--dump", "-"}, script).out,
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
