// Where something stands in a file, and the one way every message of the
// runner names it: "file:line:col", lines and columns counted from 1, columns
// in bytes.
#ifndef VELLOMAR_RUNNER_PLACE_H_
#define VELLOMAR_RUNNER_PLACE_H_

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

// The place of text[offset], given that text[0] stands at `start`. LF, CRLF
// and CR each end a line.
Place Advance(const Place& start, std::string_view text, size_t offset);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_PLACE_H_
