#include "runner/base/place.h"

#include <algorithm>
#include <iterator>

namespace runner {

std::string FormatPlace(const Place& place) {
  return place.file + ":" + std::to_string(place.line) + ":" + std::to_string(place.column);
}

LineTable::LineTable(std::string_view text, int line, int column, bool utf8)
    : size_(text.size()), line_(line), column_(column) {
  starts_.push_back(0);
  for (size_t i = 0; i < text.size(); ++i) {
    if (utf8 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continuations_.push_back(i);
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
  size_t characters = at - starts_[line - 1];
  // Continuation bytes (10xxxxxx) are not characters of their own.
  characters -= static_cast<size_t>(
      std::lower_bound(continuations_.begin(), continuations_.end(), at) -
      std::lower_bound(continuations_.begin(), continuations_.end(), starts_[line - 1]));
  place.column = static_cast<int>(characters) + (line == 1 ? column_ : 1);
  return place;
}

void SourceMap::Add(size_t offset, int origin) {
  if (!spans_.empty()) {
    const Span& last = spans_.back();
    if (last.origin == origin && last.offset + (size_ - last.begin) == offset) {
      ++size_;
      return;
    }
  }
  spans_.push_back({size_, offset, origin});
  ++size_;
}

void SourceMap::Append(const SourceMap& other, size_t begin, size_t end, int origin) {
  end = std::min(end, other.size_);
  if (begin >= end) return;
  auto span = std::upper_bound(other.spans_.begin(), other.spans_.end(), begin,
                               [](size_t at, const Span& s) { return at < s.begin; });
  --span;
  size_t at = begin;
  while (at < end) {
    const size_t span_end =
        std::next(span) == other.spans_.end() ? other.size_ : std::next(span)->begin;
    const size_t stop = std::min(end, span_end);
    const int span_origin = span->origin == 0 ? origin : span->origin;
    // The first byte may join the last span; the rest follow it.
    Add(span->offset + (at - span->begin), span_origin);
    size_ += stop - at - 1;
    at = stop;
    ++span;
  }
}

int SourceMap::AddUse(std::string macro, size_t offset, int outer) {
  uses_.push_back({std::move(macro), offset, outer});
  return static_cast<int>(uses_.size());
}

const SourceMap::Span& SourceMap::SpanOf(size_t at) const {
  at = std::min(at, size_ - 1);
  auto span = std::upper_bound(spans_.begin(), spans_.end(), at,
                               [](size_t a, const Span& s) { return a < s.begin; });
  return *std::prev(span);
}

size_t SourceMap::Offset(size_t at) const {
  if (spans_.empty()) return 0;
  const Span& span = SpanOf(at);
  return span.offset + (std::min(at, size_ - 1) - span.begin) + (at >= size_ ? 1 : 0);
}

int SourceMap::Origin(size_t at) const { return spans_.empty() ? 0 : SpanOf(at).origin; }

Place SourceMap::At(size_t at, int* origin) const {
  *origin = Origin(at);
  if (lines_ == nullptr) return Place{file_, 1, 1};
  return lines_->At(file_, static_cast<std::ptrdiff_t>(Offset(at)));
}

std::string SourceMap::Note(int origin) const {
  std::string note;
  // A use is always numbered after the use it stands in; a bad number ends the walk.
  for (int depth = 0; origin > 0 && origin <= static_cast<int>(uses_.size()) && depth < 64;
       ++depth) {
    const Use& use = uses_[static_cast<size_t>(origin - 1)];
    const Place place =
        lines_ != nullptr ? lines_->At(file_, static_cast<std::ptrdiff_t>(use.offset)) : Place{};
    note += std::string(note.empty() ? " (" : ", ") + "in macro '" + use.macro + "' used at " +
            std::to_string(place.line) + ":" + std::to_string(place.column);
    origin = use.outer;
  }
  return note.empty() ? note : note + ")";
}

}  // namespace runner
