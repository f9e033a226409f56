#include "runner/base/place.h"

#include <algorithm>

namespace runner {

std::string FormatPlace(const Place& place) {
  return place.file + ":" + std::to_string(place.line) + ":" + std::to_string(place.column);
}

void PlaceCounter::MoveTo(size_t offset) {
  const size_t end = std::min(offset, text_.size());
  while (position_ < end) {
    const char c = text_[position_++];
    // The CR of a CRLF is an ordinary byte; its LF ends the line.
    if (c == '\n' || (c == '\r' && (position_ == text_.size() || text_[position_] != '\n'))) {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
  }
}

}  // namespace runner
