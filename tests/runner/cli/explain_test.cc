// vellomar-run --explain, end to end against the built module: a golden
// explanation of a text whose script has a block and a goto and whose
// template has a branch, and what each form of WHERE names, or why not.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/runner/cli/runner_fixture.h"

namespace vellomar::testing {
namespace {

const std::string kFolder = VELLOMAR_EXPLAIN_FOLDER;
const std::string kGauge = kFolder + "/readout.xml";

// The output with the folder of the gauge taken out of its paths.
std::string InFolder(std::string out) {
  const std::string prefix = kFolder + "/";
  for (size_t at = out.find(prefix); at != std::string::npos; at = out.find(prefix, at)) {
    out.erase(at, prefix.size());
  }
  return out;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string read = text.str();
  std::string lines;
  for (const char c : read) {
    if (c != '\r') lines += c;
  }
  return lines;
}

// The title lines of the explanations, in order.
std::vector<std::string> Titles(const std::string& out) {
  std::vector<std::string> titles;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("explain frame ", 0) == 0) titles.push_back(line);
  }
  return titles;
}

TEST(ExplainTest, GoldenBlockGotoAndTemplate) {
  const CommandResult result =
      RunRunner({"--frames", "2", "--set", "A:INDICATED ALTITUDE, meters=7200", "--explain",
                 "Readout@2", kGauge});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(InFolder(result.out), ReadText(kFolder + "/readout.expected"));
}

struct WhereCase {
  const char* name;
  std::vector<std::string> args;  // "GAUGE" stands for readout.xml
  int status;
  std::vector<std::string> titles;  // the explanations' titles, in order
  const char* out;                  // a part of standard output ("" for none expected)
  const char* err;                  // a part of standard error ("" for none expected)
};

const char kVisible[] = "readout.xml:4:14 Element 'Readout' <Visible>";
const char kText[] = "readout.xml:6:15 Element 'Readout' <Text>";
const char kSelect[] = "readout.xml:12:20 Element #2 <Select>";

std::string Title(int frame, const std::string& site) {
  return "explain frame " + std::to_string(frame) + ": " + site;
}

TEST(ExplainTest, WhereNamesSites) {
  const WhereCase cases[] = {
      {"an id names the element's sites",
       {"--frames", "2", "--explain", "Readout@2", "GAUGE"},
       0,
       {Title(2, kVisible), Title(2, kText)},
       "",
       ""},
      {"an id in any case",
       {"--explain", "rEADOUT@1", "GAUGE"},
       0,
       {Title(1, kVisible), Title(1, kText)},
       "",
       ""},
      {"a hidden element's text did not run",
       {"--explain", "#1@1", "GAUGE"},
       0,
       {Title(1, kVisible), Title(1, kText)},
       "  did not run in this frame\n",
       ""},
      {"#N counts every element, as the trace names them",
       {"--explain", "#2@1", "GAUGE"},
       0,
       {Title(1, kSelect)},
       "value Element #2 <Select>: 1",
       ""},
      {"Update",
       {"--explain", "update@1", "GAUGE"},
       0,
       {Title(1, "readout.xml:2:11 <Update>")},
       "",
       ""},
      {"a line inside a site's text",
       {"--frames", "2", "--explain", "7@2", "GAUGE"},
       0,
       {Title(2, kText)},
       "",
       ""},
      {"FILE:LINE", {"--explain", "readout.xml:12@1", "GAUGE"}, 0, {Title(1, kSelect)}, "", ""},
      {"--json sends the explanation to standard error",
       {"--json", "--explain", "#2@1", "GAUGE"},
       0,
       {},
       "",
       "explain frame 1: "},
      {"an unknown id lists what would match",
       {"--explain", "Nope@1", "GAUGE"},
       2,
       {},
       "",
       "--explain 'Nope@1': no scripting site is named so; name a site by LINE or FILE:LINE "
       "(readout.xml:2, readout.xml:4, readout.xml:6-8, readout.xml:12), by #N (#1 to #2), by id "
       "(Readout), or Update"},
      {"an element past the last", {"--explain", "#3@1", "GAUGE"}, 2, {}, "", "by #N (#1 to #2)"},
      {"a line without a site", {"--explain", "10@1", "GAUGE"}, 2, {}, "", "no scripting site"},
      {"a file not in the run",
       {"--explain", "other.xml:4@1", "GAUGE"},
       2,
       {},
       "",
       "no scripting site"},
      {"gauge files need a WHERE", {"--explain", "@1", "GAUGE"}, 2, {}, "", "which site?"},
      {"no frame", {"--explain", "Readout", "GAUGE"}, 2, {}, "", "give WHERE@FRAME"},
      {"frame 0", {"--explain", "Readout@0", "GAUGE"}, 2, {}, "", "give WHERE@FRAME"},
      {"a frame past the run",
       {"--frames", "2", "--explain", "Readout@3", "GAUGE"},
       2,
       {},
       "",
       "frame 3 is past the last frame of the run (2; see --frames)"},
      {"scripts: every expression",
       {"-e", "1 2 +", "-e", "3", "--explain", "@1"},
       0,
       {Title(1, "-e:1:1"), Title(1, "-e#2:1:1")},
       "",
       ""},
      {"scripts: FILE:LINE",
       {"-e", "1 2 +", "-e", "3", "--explain", "-e#2:1@1"},
       0,
       {Title(1, "-e#2:1:1")},
       "",
       ""},
      {"scripts: a template",
       {"-s", "%(1)%!d!", "--explain", "@1"},
       0,
       {Title(1, "-s:1:1 template")},
       "  result '1'\n",
       ""},
      {"scripts: a block jumped over and quit",
       {"-e", "0 if{ 1 } quit 2", "--explain", "1@1"},
       0,
       {Title(1, "-e:1:1")},
       "  1:7   1                  skipped: in a block not run\n"
       "  1:9   }                  skipped: in a block not run\n"
       "  1:11  quit  (empty)      the run ends\n"
       "  1:16  2                  skipped: after quit\n",
       ""},
      {"scripts have no elements",
       {"-e", "1", "--explain", "Update@1"},
       2,
       {},
       "",
       "scripts are named by LINE or FILE:LINE, or all at once by '@FRAME' alone; lines with a "
       "script: -e:1"},
  };
  for (const WhereCase& test : cases) {
    std::vector<std::string> args;
    for (const std::string& arg : test.args) args.push_back(arg == "GAUGE" ? kGauge : arg);
    const CommandResult result = RunRunner(args);
    const std::string out = InFolder(result.out);
    const std::string err = InFolder(result.err);
    EXPECT_EQ(result.status, test.status) << test.name << "\n" << result.err;
    EXPECT_EQ(Titles(out), test.titles) << test.name << "\n" << out;
    EXPECT_NE(out.find(test.out), std::string::npos) << test.name << "\n" << out;
    EXPECT_NE(err.find(test.err), std::string::npos) << test.name << "\n" << err;
  }
}

}  // namespace
}  // namespace vellomar::testing
