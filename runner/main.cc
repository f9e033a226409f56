// vellomar-run: runs gauge scripts against the module beside it, the way the
// simulator would. See runner/command.h and the README.
#include <iostream>
#include <string>
#include <vector>

#include "hostsim/module_library.h"
#include "runner/command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const std::string module =
      hostsim::ExecutableDirectory(argc > 0 ? argv[0] : nullptr) + "/" + hostsim::kModuleFileName;
  return runner::RunCommand(args, module, std::cin, std::cout, std::cerr);
}
