// Reading the files a run names: gauge files, scripts and scenarios.

#ifndef VELLOMAR_RUNNER_BASE_FILES_H_
#define VELLOMAR_RUNNER_BASE_FILES_H_

#include <string>

#include "runner/base/diagnostics.h"

namespace runner {

// Reads a regular file's bytes; false with the reason (a kUnreadable
// diagnostic naming the file) for a missing, unreadable, directory or special
// file. The path is UTF-8 on every system.
bool ReadRegularFile(const std::string& path, std::string* contents, Diagnostic* problem);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_FILES_H_
