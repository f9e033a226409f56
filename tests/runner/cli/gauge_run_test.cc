// vellomar-run on gauge files, end to end against the built module: exit
// statuses, what goes to which stream, --json, --strict, --dump after a
// failure, scenarios and clicks from the command line, and the files and
// outputs editors and disks produce.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <streambuf>
#include <string>
#include <vector>

#include "tests/runner/cli/runner_fixture.h"
#if VELLOMAR_DRAWING
#include "runner/drawing/fonts.h"
#endif

namespace vellomar::testing {
namespace {

constexpr char kGauge[] =
    "<Gauge><Update>(L:n, number) 1 + (&gt;L:n, number)</Update>"
    "<Element><Text><String>%((A:INDICATED ALTITUDE, feet))%!d! ft</String></Text></Element>"
    "<Mouse><Area><Tooltip>Gear</Tooltip><Click Event='GEAR_TOGGLE'/></Area></Mouse></Gauge>";

struct RunCase {
  const char* name;
  std::vector<std::string> args;  // "GAUGE" stands for the gauge file written by the test
  int status;
  const char* out;  // a part of standard output ("" for none expected)
  const char* err;  // a part of standard error ("" for none expected)
};

TEST(GaugeRunTest, StatusesAndStreams) {
  const std::string gauge = WriteScript("run_test_gauge.xml", kGauge);
  const std::string failing =
      WriteScript("run_test_failing.xml",
                  "<Gauge><Update>1 nosuchword</Update><Element><Text><String>ok</String></Text>"
                  "</Element><Update>'x' (&gt;C:VELLOMAR:Left, string)</Update></Gauge>");
  const std::string scenario = WriteScript(
      "run_test_scenario.toml",
      "[set]\n\"A:INDICATED ALTITUDE, meters\" = 100\n[[at]]\nframe = 2\nclick = \"Gear\"\n");
  const std::string bad_scenario = WriteScript("run_test_bad.toml", "[set\n");
  const std::string bad_click =
      WriteScript("run_test_click.toml", "[[at]]\nframe = 1\nclick = [\"#1\", \"Gear:FooBar\"]\n");
  const std::string dividing =
      WriteScript("run_test_dividing.xml", "<Gauge><Update>1 0 /</Update></Gauge>");
  const std::string clicks = WriteScript(
      "run_test_clicks.xml",
      "<Gauge><Mouse><Area><Click Kind='LeftAll'>(M:Event) 'LeftSingle' scmp 0 == (&gt;L:ok)"
      "</Click></Area></Mouse></Gauge>");
  // A gauge file is known by its content, whatever its name.
  const std::string named_otherwise = WriteScript("run_test_gauge.txt", kGauge);
  const std::string broken = WriteScript("run_test_broken.xml", "<Gauge>\n<Element></Gauge>");
  const RunCase cases[] = {
      {"trace",
       {"GAUGE"},
       0,
       "gauge GAUGE\n  text Element #1 <Text>: \"0 ft\"\n  set L:n, number = 1\n",
       ""},
      {"unset variables listed with their unit",
       {"GAUGE"},
       0,
       "unset A:INDICATED ALTITUDE, feet\n",
       ""},
      {"--set converts units",
       {"--set", "A:INDICATED ALTITUDE, meters=100", "GAUGE"},
       0,
       "\"328 ft\"",
       ""},
      {"a number reads back as set in its unit, not through the base unit",
       {"--set", "A:INDICATED ALTITUDE, feet=3500", "-e", "(A:INDICATED ALTITUDE, feet) 100 / flr"},
       0,
       "35\n",
       ""},
      {"--from past a scenario's length",
       {"--sim", scenario, "--from", "3", "GAUGE"},
       2,
       "",
       "--from 3 is after the last frame (2)"},
      {"--sim and a click from it",
       {"--frames", "2", "--sim", scenario, "GAUGE"},
       0,
       "click Area #1 'Gear' LeftSingle\n  event K:GEAR_TOGGLE 0\n"
       "  text Element #1 <Text>: \"328 ft\"\n",
       ""},
      {"--click", {"--click", "#1@1", "GAUGE"}, 0, "event K:GEAR_TOGGLE 0", ""},
      {"--json", {"--json", "--frames", "2", "GAUGE"}, 0, "{\"frame\":2,\"gauge\":\"", ""},
      // The gauge's path is escaped in JSON (backslashes on Windows).
      {"--json fields", {"--json", "GAUGE"}, 0, "\",\"strings\":[\"0 ft\"],\"events\":[],", ""},
      {"--json summary",
       {"--json", "GAUGE"},
       0,
       "{\"summary\":{\"gauges\":1,\"scripts\":2,\"ran\":2,\"failed\":0,",
       ""},
      {"--quiet", {"--quiet", "GAUGE"}, 0, "summary: 1 gauge, 2 scripts, 2 ran", ""},
      {"--strict fails on warnings", {"--strict", dividing}, 1, "divided by zero", ""},
      {"--strict lets unset variables pass", {"--strict", "GAUGE"}, 0, "unset A:", ""},
      {"a failing script fails the run, the rest runs",
       {failing},
       1,
       "text Element #1 <Text>: \"ok\"",
       ""},
      {"--dump after a failure", {"--dump", failing}, 1, "user variable 15 'Left' = 'x'", ""},
      {"unknown click", {"--click", "Nothing@1", "GAUGE"}, 2, "", "no mouse area"},
      {"click after the last frame",
       {"--click", "#1@3", "--frames", "2", "GAUGE"},
       2,
       "",
       "frame 3 is after the last frame (--frames 2)"},
      {"--click events in any case, named as the simulator names them",
       {"--click", "#1@1:leftsingle", clicks},
       0,
       "  click Area #1 LeftSingle\n  set L:ok, number = 1\n",
       ""},
      {"unknown click event",
       {"--click", "#1@1:FooBar", "GAUGE"},
       2,
       "",
       "no mouse event is called 'FooBar'"},
      {"a gauge file named otherwise", {named_otherwise}, 0, "\"0 ft\"", ""},
      {"XML faults are errors",
       {broken},
       1,
       "run_test_broken.xml:2:12: error: not well-formed",
       ""},
      {"bad --set", {"--set", "A:X, feet=abc", "GAUGE"}, 2, "", "neither a number"},
      {"--set text for a number", {"--set", "A:X, feet='high'", "GAUGE"}, 2, "", "not a text"},
      {"bad --set points to the help",
       {"--set", "A:X, feet=abc", "GAUGE"},
       2,
       "",
       "\nsee 'vellomar-run --help'\n"},
      {"--set without a unit", {"--set", "A:X feet=3", "GAUGE"}, 2, "", "give the unit"},
      {"bad scenario", {"--sim", bad_scenario, "GAUGE"}, 1, "", "run_test_bad.toml:1:"},
      {"a scenario's unknown mouse event is the scenario's",
       {"--sim", bad_click, "GAUGE"},
       1,
       "",
       "run_test_click.toml:3:16: error: click 'Gear:FooBar': no mouse event is called 'FooBar'"},
      {"without --frames a run lasts to the scenario's last entry",
       {"--sim", scenario, "GAUGE"},
       0,
       "frame 2\ngauge GAUGE\n  click Area #1 'Gear' LeftSingle\n",
       ""},
      {"an entry after the last frame is warned about",
       {"--frames", "1", "--sim", scenario, "GAUGE"},
       0,
       "run_test_scenario.toml:3:1: warning: [[at]] frame 2 is after the last frame (--frames 1): "
       "it is not reached",
       ""},
      {"missing gauge file", {"no-such-gauge.xml"}, 1, "no-such-gauge.xml: no such file", ""},
      {"an unreadable gauge file counts in the summary",
       {"--json", "no-such-gauge.xml", "GAUGE"},
       1,
       "\"warnings\":0,\"unreadable\":1,",
       "no-such-gauge.xml: no such file"},
      {"--json: messages in the stream too",
       {"--json", dividing},
       0,
       "\"messages\":[{\"level\":\"warning\",\"file\":",
       "divided by zero"},
      {"--changes --json", {"--changes", "--json", "GAUGE"}, 2, "", "--changes and --json cannot"},
      {"--from after the last frame",
       {"--from", "3", "--frames", "2", "GAUGE"},
       2,
       "",
       "--from 3 is after the last frame"},
      {"--to before --from",
       {"--from", "3", "--to", "2", "GAUGE"},
       2,
       "",
       "--to 2 is before --from 3"},
      {"--changes on scripts", {"--changes", "-e", "1"}, 2, "", "need gauge files"},
      {"gauges and scripts do not mix", {"GAUGE", "-e", "1"}, 2, "", "either gauge files"},
      {"bad option", {"--frames", "0", "GAUGE"}, 2, "", "--frames"},
  };
  for (const RunCase& test : cases) {
    std::vector<std::string> args = test.args;
    for (std::string& arg : args) {
      if (arg == "GAUGE") arg = gauge;
    }
    const CommandResult result = RunRunner(args);
    std::string out = result.out;
    for (size_t at = out.find(gauge); at != std::string::npos; at = out.find(gauge, at)) {
      out.replace(at, gauge.size(), "GAUGE");
    }
    EXPECT_EQ(result.status, test.status) << test.name << "\n" << result.out << result.err;
    EXPECT_NE(out.find(test.out), std::string::npos) << test.name << ":\n" << out;
    EXPECT_NE(result.err.find(test.err), std::string::npos) << test.name << ":\n" << result.err;
  }
}

// Expectations of every kind that hold and that fail, and names that match
// nothing (scenario errors), on one gauge: its update counts frames in L:n,
// fires two events in frame 2 and leaves a user variable in the module.
TEST(GaugeRunTest, Expectations) {
  const std::string gauge = WriteScript(
      "expect_gauge.xml",
      "<Gauge><Update>(L:n, number) 1 + (&gt;L:n, number) (L:n, number) 2 == if{ "
      "123 (&gt;K:HEADING_BUG_SET) (&gt;K:GEAR_TOGGLE) } 'KSEA' (&gt;C:VELLOMAR:Dest, string)"
      "</Update>"
      "<Element id='Readout'><Text><String>ALT %((A:INDICATED ALTITUDE, feet))%!d!</String>"
      "</Text></Element>"
      "<Element><Text><String>FL%((A:INDICATED ALTITUDE, feet) 100 / flr)%!03d!</String>"
      "</Text></Element>"
      "<Element id='Hidden'><Visible>0</Visible><Text><String>x</String></Text></Element>"
      "</Gauge>");
  struct ExpectCase {
    const char* expect;  // after "[[expect]]\n"
    int status;
    const char* message;  // in the output and errors; "" for none
    const char* summary;  // "2 expectations, 1 met"; "" for a scenario error
    std::vector<std::string> args = {};
  };
  const ExpectCase cases[] = {
      {"frame = 1\ntext = { \"Readout\" = \"ALT 3500\", \"#2\" = \"~^FL\\\\d{3}$\" }\n", 0, "",
       "1 expectation, 1 met"},
      {"frame = 1\ntext = { \"readout\" = \"ALT 3400\" }\n", 1,
       "expect.toml:6:22: error: text of 'readout': expected \"ALT 3400\", got \"ALT 3500\" "
       "[frame 1]",
       "1 expectation, 0 met"},
      {"frame = 1\ntext = { \"#2\" = \"~^FL\\\\d{2}$\" }\n", 1,
       "expected a match for /^FL\\d{2}$/, got \"FL035\"", "0 met"},
      {"frame = 1\ntext = { \"Hidden\" = \"x\" }\n", 1, "got nothing (the element is hidden)",
       "0 met"},
      {"frame = 1\ntext = { \"Nope\" = \"x\" }\n", 1,
       "expect.toml:6:19: error: no element with a text is called 'Nope' (an element's id, or #1 "
       "to #3)",
       ""},
      {"frame = 1\ntext = { \"#4\" = \"x\" }\n", 1, "is called '#4'", ""},
      {"frame = 1\nvalue = { \"A:INDICATED ALTITUDE, meters\" = 1066.8 }\n", 0, "",
       "1 expectation, 1 met"},
      {"frame = 1\nvalue = { \"A:INDICATED ALTITUDE, feet\" = 3500.5 }\n", 1,
       "'A:INDICATED ALTITUDE, feet': expected 3500.5, got 3500", "0 met"},
      {"frame = 1\ntolerance = 1\nvalue = { \"A:INDICATED ALTITUDE, feet\" = 3500.5 }\n", 0, "",
       "1 met"},
      {"frame = 2\nvalue = { \"L:N\" = 2, \"L:Preset, degrees\" = 90 }\n", 0, "", "1 met"},
      {"frame = 1\nvalue = { \"A:NOPE, feet\" = 1 }\n", 1,
       "no gauge reads or writes 'A:NOPE, feet' and the scenario does not set it", ""},
      {"frame = 2\nevents = [\"heading_bug_set 123\", \"GEAR_TOGGLE\"]\n", 0, "", "1 met"},
      {"frame = 2\nevents = [\"GEAR_TOGGLE\", \"HEADING_BUG_SET\"]\n", 1,
       "events: expected GEAR_TOGGLE, HEADING_BUG_SET in this order, got HEADING_BUG_SET 123, "
       "GEAR_TOGGLE 0",
       "0 met"},
      {"frame = 1\nevents = []\n[[expect]]\nframe = 2\nevents = []\n", 1,
       "events: expected none, got", "2 expectations, 1 met"},
      {"frame = 1\nstorage = { \"C:VELLOMAR:dest, string\" = \"KSEA\" }\n", 0, "", "1 met"},
      {"frame = 1\nstorage = { \"C:VELLOMAR:Dest, string\" = \"KBFI\" }\n", 1,
       "expected \"KBFI\", got \"KSEA\"", "0 met"},
      {"frame = 1\nstorage = { \"C:VELLOMAR:Gone\" = 1 }\n", 1, "got no such keyword", "0 met"},
      {"frame = 3\nvalue = { \"L:n\" = 3 }\n",
       1,
       "expect.toml:4:1: error: frame 3 is not reached: the run ends at frame 2",
       "0 met",
       {"--frames", "2"}},
  };
  for (const ExpectCase& test : cases) {
    const std::string scenario =
        WriteScript("expect.toml",
                    "[set]\n\"A:INDICATED ALTITUDE, feet\" = 3500\n\"L:Preset, radians\" = "
                    "1.5707963267948966\n[[expect]]\n" +
                        std::string(test.expect));
    std::vector<std::string> args = test.args;
    args.insert(args.end(), {"--quiet", "--sim", scenario, gauge});
    const CommandResult result = RunRunner(args);
    const std::string all = result.out + result.err;
    EXPECT_EQ(result.status, test.status) << test.expect << all;
    EXPECT_NE(all.find(test.message), std::string::npos) << test.expect << all;
    if (*test.summary != '\0') {
      EXPECT_NE(result.out.find(test.summary), std::string::npos) << test.expect << all;
    } else {
      EXPECT_EQ(result.out.find("summary"), std::string::npos) << test.expect << all;
    }
  }
}

// --junit: one test case per [[expect]], failures with their messages; the
// counts in the JSON summary.
TEST(GaugeRunTest, JunitAndJsonCounts) {
  const std::string gauge = WriteScript("junit_gauge.xml", kGauge);
  const std::string scenario =
      WriteScript("junit.toml",
                  "[[expect]]\nframe = 1\nname = \"altitude\"\ntext = { \"#1\" = \"0 ft\" }\n"
                  "[[expect]]\nframe = 2\nvalue = { \"L:n\" = 5 }\n");
  const std::string junit = ::testing::TempDir() + "junit.xml";
  std::remove(junit.c_str());
  const CommandResult result = RunRunner({"--json", "--junit", junit, "--sim", scenario, gauge});
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.out.find("\"expectations\":2,\"met\":1"), std::string::npos) << result.out;
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(junit.c_str())) << junit;
  const pugi::xml_node suite = document.child("testsuites").child("testsuite");
  EXPECT_STREQ(suite.attribute("tests").value(), "2");
  EXPECT_STREQ(suite.attribute("failures").value(), "1");
  std::string cases;
  for (const pugi::xml_node test : suite.children("testcase")) {
    cases += std::string(test.attribute("name").value()).substr(0, 16) + "|" +
             test.child("failure").attribute("message").value() + "\n";
  }
  EXPECT_NE(cases.find("altitude: frame |\n"), std::string::npos) << cases;
  EXPECT_NE(cases.find("frame 2 ("), std::string::npos) << cases;
  EXPECT_NE(cases.find("junit.toml:7:19: 'L:n': expected 5, got 2"), std::string::npos) << cases;
}

TEST(GaugeRunTest, GaugeFileOnStandardInput) {
  const CommandResult result = RunRunner({"--quiet", "-"}, kGauge);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "summary: 1 gauge, 2 scripts, 2 ran, 0 failed, 0 warnings\n"
            "unset A:INDICATED ALTITUDE, feet\n");
}

TEST(GaugeRunTest, DirectoryGivenAsGaugeIsRefused) {
  const std::string directory = ::testing::TempDir() + "gauge_dir.xml";
  std::filesystem::create_directories(directory);
  const CommandResult result = RunRunner({directory});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.out.find("is a directory"), std::string::npos) << result.out;
}

// Written through the wide-character API on Windows, as an editor would.
std::string WriteUtf8Named(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(std::filesystem::u8path(path), std::ios::binary) << text;
  return path;
}

TEST(GaugeRunTest, NonAsciiFileNames) {
  const std::string gauge = WriteUtf8Named("jauge-\xC3\xA9t\xC3\xA9-\xE8\x88\xAA.xml", kGauge);
  const std::string scenario =
      WriteUtf8Named("sc\xC3\xA9nario.toml", "[set]\n\"A:INDICATED ALTITUDE, feet\" = 12\n");
  const CommandResult result = RunRunner({"--quiet", "--sim", scenario, gauge});
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("summary: 1 gauge, 2 scripts, 2 ran"), std::string::npos) << result.out;
}

#if VELLOMAR_DRAWING
// Frees the font caches that drawing fills (placeholders' names), once
// every test is done, so that the leak checkers see only real leaks.
class FontCaches : public ::testing::Environment {
 public:
  void TearDown() override { runner::ReleaseFontCaches(); }
};
const auto* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);
#endif

// Pictures from the command line: the files they make, and the options
// refused. A runner built without pictures says so instead.
TEST(GaugeRunTest, Pictures) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::u8path(::testing::TempDir()) / "pictures";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string gauge = (folder / "dial.xml").u8string();
  std::ofstream(gauge) << "<Gauge><Size X='30' Y='20'/><Element><Image Name='gone.bmp'/>"
                          "</Element></Gauge>";
  const std::string out = (folder / "out").u8string();
  const std::string sheet = (folder / "sheet.png").u8string();
  struct PictureCase {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> files;  // made under `folder`
    std::string message;             // in the output or the errors
  };
  const std::vector<PictureCase> cases = {
      {{"--frames", "3", "--png", out}, 0, {"out/dial-3.png"}, "bitmap 'gone.bmp' not found"},
      {{"--frames", "12", "--png", out, "--png-frames", "1-12/5", "--scale", "2"},
       0,
       {"out/dial-1.png", "out/dial-6.png", "out/dial-11.png"},
       "1 warning"},
      {{"--frames", "2", "--sheet", sheet, "--png-frames", "all"}, 0, {"sheet.png"}, ""},
      {{"--strict", "--png", out}, 1, {"out/dial-1.png"}, "1 warning"},
      {{"--frames", "3", "--png", out, "--png-frames", "4"}, 2, {}, "outside the run's frames"},
      {{"--png", out, "--scale", "0"}, 2, {}, "--scale must be above 0"},
      {{"--png", out, "--scale", "16", "--png-frames", "1"}, 0, {"out/dial-1.png"}, ""},
  };
  for (const PictureCase& test : cases) {
    fs::remove_all(folder / "out");
    fs::remove(sheet);
    std::vector<std::string> args = test.args;
    args.insert(args.begin(), "--quiet");
    args.push_back(gauge);
    const CommandResult result = RunRunner(args);
    const std::string label = ::testing::PrintToString(test.args);
#if VELLOMAR_DRAWING
    EXPECT_EQ(result.status, test.status) << label << result.out << result.err;
    for (const std::string& file : test.files) {
      EXPECT_TRUE(fs::is_regular_file(folder / fs::u8path(file))) << label << ": " << file;
    }
    EXPECT_NE((result.out + result.err).find(test.message), std::string::npos)
        << label << result.out << result.err;
#else
    EXPECT_EQ(result.status, 2) << label;
    EXPECT_NE(result.err.find("pictures are not built into this runner"), std::string::npos)
        << label << result.err;
#endif
  }
  fs::remove_all(folder);
}

// An output stream that refuses every byte, as a full disk does.
class FullDisk : public std::streambuf {
 protected:
  int overflow(int) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(GaugeRunTest, FullDiskFailsTheRun) {
  const std::string gauge = WriteScript("run_test_full.xml", kGauge);
  FullDisk disk;
  std::ostream out(&disk);
  std::istringstream in;
  std::ostringstream err;
  const int status = runner::RunCommand({"--module", ModulePath(), gauge}, "", in, out, err);
  EXPECT_EQ(status, 1);
  EXPECT_NE(err.str().find("cannot write the output"), std::string::npos) << err.str();
}

// Our own corpus of gauges of both schemas, written the ways real ones are:
// each runs three frames with no scenario, every script loading and running,
// with at most warnings.
TEST(GaugeRunTest, CorpusGaugesRunWithoutAScenario) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(VELLOMAR_GAUGE_CORPUS)) {
    if (entry.path().extension() == ".xml") files.push_back(entry.path().u8string());
  }
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 8u);
  int scripts = 0;
  for (const std::string& file : files) {
    const CommandResult result = RunRunner({"--json", "--frames", "3", file});
    EXPECT_EQ(result.status, 0) << file << "\n" << result.err;
    EXPECT_EQ(result.err.find(": error:"), std::string::npos) << file << "\n" << result.err;
    const size_t last = result.out.rfind("{\"summary\"");
    ASSERT_NE(last, std::string::npos) << file << "\n" << result.out;
    const nlohmann::json summary = nlohmann::json::parse(result.out.substr(last))["summary"];
    EXPECT_GT(summary["scripts"].get<int>(), 0) << file;
    EXPECT_EQ(summary["ran"], summary["scripts"]) << file << "\n" << result.err;
    EXPECT_EQ(summary["failed"], 0) << file;
    scripts += summary["scripts"].get<int>();
  }
  EXPECT_GE(scripts, 500);
}

}  // namespace
}  // namespace vellomar::testing
