#include "runner/base/place.h"

#include <algorithm>

namespace runner {

std::string FormatPlace(const Place& place) {
  return place.file + ":" + std::to_string(place.line) + ":" + std::to_string(place.column);
}

LineTable::LineTable(std::string_view text, int line, int column)
    : size_(text.size()), line_(line), column_(column) {
  starts_.push_back(0);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (text[i] == '\n' || text[i] == '\r') starts_.push_back(i + 1);
  }
}

Place LineTable::At(const std::string& file, std::ptrdiff_t offset) const {
  Place place{file, line_, column_};
  if (offset <= 0) return place;
  const size_t at = std::min(static_cast<size_t>(offset), size_);
  const auto next = std::upper_bound(starts_.begin(), starts_.end(), at);
  const size_t line = static_cast<size_t>(next - starts_.begin());
  place.line = line_ + static_cast<int>(line - 1);
  place.column = static_cast<int>(at - starts_[line - 1]) + (line == 1 ? column_ : 1);
  return place;
}

}  // namespace runner
