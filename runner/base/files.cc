#include "runner/base/files.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace runner {

bool ReadRegularFile(const std::string& path, std::string* contents, std::string* problem) {
  namespace fs = std::filesystem;
  // The path is UTF-8 on every system; on Windows this opens it through the
  // wide-character API.
  const fs::path native = fs::u8path(path);
  std::error_code error;
  const fs::file_status status = fs::status(native, error);
  if (error || status.type() == fs::file_type::not_found) {
    *problem = path + ": no such file";
    return false;
  }
  if (status.type() == fs::file_type::directory) {
    *problem = path + ": is a directory, not a file";
    return false;
  }
  if (status.type() != fs::file_type::regular) {
    *problem = path + ": is not a regular file";
    return false;
  }
  std::ifstream file(native, std::ios::binary);
  if (!file) {
    *problem = path + ": cannot open the file";
    return false;
  }
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (file.bad()) {
    *problem = path + ": cannot read the file";
    return false;
  }
  *contents = bytes.str();
  return true;
}

}  // namespace runner
