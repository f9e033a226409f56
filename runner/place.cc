#include "runner/place.h"

#include <algorithm>

namespace runner {

std::string FormatPlace(const Place& place) {
  return place.file + ":" + std::to_string(place.line) + ":" + std::to_string(place.column);
}

Place Advance(const Place& start, std::string_view text, size_t offset) {
  Place place = start;
  const size_t end = std::min(offset, text.size());
  for (size_t i = 0; i < end; ++i) {
    const char c = text[i];
    // The CR of a CRLF is an ordinary byte; its LF ends the line.
    const bool line_end = c == '\n' || (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
    if (line_end) {
      ++place.line;
      place.column = 1;
    } else {
      ++place.column;
    }
  }
  return place;
}

}  // namespace runner
