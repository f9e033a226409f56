// Runs the vellomar-run command in-process against the built module, with
// the command's streams captured.
#ifndef VELLOMAR_TESTS_RUNNER_FIXTURE_H_
#define VELLOMAR_TESTS_RUNNER_FIXTURE_H_

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner/command.h"
#include "tests/module_fixture.h"

namespace vellomar::testing {

struct CommandResult {
  int status;
  std::string out;
  std::string err;
};

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
  return {status, out.str(), err.str()};
}

// Writes `text` to a file of the test's own and returns its path.
inline std::string WriteScript(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

}  // namespace vellomar::testing

#endif  // VELLOMAR_TESTS_RUNNER_FIXTURE_H_
