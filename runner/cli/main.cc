// vellomar-run: runs gauge scripts against the module beside it, the way the
// simulator would. See runner/command.h and the README.
#include <iostream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>
#endif

#include "hostsim/module_library.h"
#include "runner/cli/command.h"

namespace {

// The arguments as UTF-8. On Windows argv holds them in the system's code
// page, which cannot spell every file name: they are taken from the wide
// command line instead.
std::vector<std::string> Arguments(int argc, char** argv) {
#if defined(_WIN32)
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide != nullptr) {
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
      const int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
      std::string arg(static_cast<size_t>(length > 0 ? length : 1), '\0');
      if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &arg[0], length, nullptr, nullptr);
      arg.resize(arg.size() - 1);  // the terminating NUL
      args.push_back(std::move(arg));
    }
    LocalFree(wide);
    return args;
  }
#endif
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = Arguments(argc, argv);
  const std::string module =
      hostsim::ExecutableDirectory(argc > 0 ? argv[0] : nullptr) + "/" + hostsim::kModuleFileName;
  return runner::RunCommand(args, module, std::cin, std::cout, std::cerr);
}
