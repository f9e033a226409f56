// Where something stands in a file, and the one way every message of the
// runner names it: "file:line:col", lines and columns counted from 1, columns
// in bytes.
#ifndef VELLOMAR_RUNNER_BASE_PLACE_H_
#define VELLOMAR_RUNNER_BASE_PLACE_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace runner {

struct Place {
  std::string file;
  int line = 1;
  int column = 1;
};

// "file:line:col".
std::string FormatPlace(const Place& place);

// Lines and columns through one text (LF, CRLF and CR each end a line), moved
// forward only, so that placing every token of a script takes one pass over
// it. The text is not owned and must outlive the counter.
class PlaceCounter {
 public:
  // text[start] stands at `line`:`column`.
  PlaceCounter(std::string_view text, size_t start, int line, int column)
      : text_(text), position_(start), line_(line), column_(column) {}
  // Moves to text[offset]; an offset behind the current one is ignored.
  void MoveTo(size_t offset);
  int line() const { return line_; }
  int column() const { return column_; }

 private:
  std::string_view text_;
  size_t position_;
  int line_;
  int column_;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_PLACE_H_
