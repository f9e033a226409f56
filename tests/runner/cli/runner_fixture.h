// Runs the vellomar-run command in-process against the built module, with
// the command's streams captured.
#ifndef VELLOMAR_TESTS_RUNNER_FIXTURE_H_
#define VELLOMAR_TESTS_RUNNER_FIXTURE_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner/cli/command.h"
#include "tests/module/module_fixture.h"

namespace vellomar::testing {

struct CommandResult {
  int status;
  std::string out;
  std::string err;
};

// On 32-bit builds tokens are addresses. A dump lists arrays in creation
// order, so numbering its distinct tokens from 1 gives what a 64-bit build
// prints, and one expected output serves both.
inline std::string TokensAsPositions(std::string out) {
  if (sizeof(void*) != 4) return out;
  std::vector<std::string> seen;
  const std::string tag = "token ";
  for (size_t at = out.find(tag); at != std::string::npos; at = out.find(tag, at)) {
    at += tag.size();
    const size_t end = out.find_first_not_of("0123456789", at);
    const std::string token = out.substr(at, end - at);
    size_t position = 0;
    while (position < seen.size() && seen[position] != token) ++position;
    if (position == seen.size()) seen.push_back(token);
    const std::string replacement = std::to_string(position + 1);
    out.replace(at, token.size(), replacement);
    at += replacement.size();
  }
  return out;
}

// Runs vellomar-run with `args`, loading the built module unless `args` names
// one itself; `input` is its standard input.
inline CommandResult RunRunner(std::vector<std::string> args, const std::string& input = "") {
  bool names_module = false;
  for (const std::string& arg : args) names_module = names_module || arg == "--module";
  if (!names_module) args.insert(args.begin(), {"--module", ModulePath()});
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  const int status = runner::RunCommand(args, "/nonexistent/default-module", in, out, err);
  return {status, TokensAsPositions(out.str()), err.str()};
}

// Writes `text` to a file of the test's own and returns its path.
// Tests run as separate processes at once: each test writes into a folder of
// its own, so two tests that pick one file name never share the file.
inline std::string WriteScript(const std::string& name, const std::string& text) {
  std::string test_name = "vellomar";
  if (const auto* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
    test_name += std::string("-") + test->test_suite_name() + "." + test->name();
  }
  std::replace(test_name.begin(), test_name.end(), '/', '_');  // parameterised names
  const std::string folder = ::testing::TempDir() + test_name;
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

}  // namespace vellomar::testing

#endif  // VELLOMAR_TESTS_RUNNER_FIXTURE_H_
