// Where something stands in a file, and the one way every message of the
// runner names it: "file:line:col", lines and columns counted from 1, columns
// in bytes.
#ifndef VELLOMAR_RUNNER_BASE_PLACE_H_
#define VELLOMAR_RUNNER_BASE_PLACE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace runner {

struct Place {
  std::string file;
  int line = 1;
  int column = 1;
};

// "file:line:col".
std::string FormatPlace(const Place& place);

// The lines of one text, for the line and column of any offset in it: LF,
// CRLF and CR each end a line (the CR of a CRLF is an ordinary byte of its
// line). The only line counter of the runner: gauge files, scripts and
// templates all place what they report with it.
class LineTable {
 public:
  // text[0] stands at `line`:`column`; the lines after it start at column 1.
  explicit LineTable(std::string_view text, int line = 1, int column = 1);
  // The place of text[offset] in `file`; an offset past the end is the end,
  // a negative one the first place.
  Place At(const std::string& file, std::ptrdiff_t offset) const;

 private:
  std::vector<size_t> starts_;  // offsets at which lines begin
  size_t size_;
  int line_;
  int column_;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_PLACE_H_
