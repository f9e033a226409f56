#include "runner/base/files.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace runner {

namespace {

bool Refuse(const std::string& path, const char* reason, Diagnostic* problem) {
  *problem = MakeDiagnostic(Severity::kUnreadable, Place{path, 0, 0}, reason);
  return false;
}

}  // namespace

bool ReadRegularFile(const std::string& path, std::string* contents, Diagnostic* problem) {
  namespace fs = std::filesystem;
  // The path is UTF-8 on every system; on Windows this opens it through the
  // wide-character API.
  const fs::path native = fs::u8path(path);
  std::error_code error;
  const fs::file_status status = fs::status(native, error);
  if (error || status.type() == fs::file_type::not_found) {
    return Refuse(path, "no such file", problem);
  }
  if (status.type() == fs::file_type::directory) {
    return Refuse(path, "is a directory, not a file", problem);
  }
  if (status.type() != fs::file_type::regular) {
    return Refuse(path, "is not a regular file", problem);
  }
  std::ifstream file(native, std::ios::binary);
  if (!file) return Refuse(path, "cannot open the file", problem);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (file.bad()) return Refuse(path, "cannot read the file", problem);
  *contents = bytes.str();
  return true;
}

}  // namespace runner
