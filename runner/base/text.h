// Blanks as gauge files and scripts have them: space, tab, CR and LF. Every
// stage of the runner trims names, labels and arguments with this one set.
#ifndef VELLOMAR_RUNNER_BASE_TEXT_H_
#define VELLOMAR_RUNNER_BASE_TEXT_H_

#include <string_view>

namespace runner {

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// `text` without the blanks at either end; a view into `text`.
constexpr std::string_view Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_TEXT_H_
