#include "runner/macros.h"

#include <algorithm>

namespace runner {

namespace {

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return std::string();
  const size_t last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

// The argument list at text[open] == '(': its end (one past the ')') and the
// trimmed arguments; npos when the parentheses never close.
size_t ReadArguments(std::string_view text, size_t open, std::vector<std::string>* arguments) {
  int depth = 0;
  bool quoted = false;
  size_t start = open + 1;
  for (size_t i = open; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '\'') quoted = false;
      continue;
    }
    if (c == '\'') {
      quoted = true;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) {
        arguments->push_back(Trim(text.substr(start, i - start)));
        return i + 1;
      }
    } else if (c == ',' && depth == 1) {
      arguments->push_back(Trim(text.substr(start, i - start)));
      start = i + 1;
    }
  }
  return std::string_view::npos;
}

}  // namespace

void MacroTable::Define(const std::string& name, std::string text) {
  Macro& macro = macros_[name];
  macro.takes_arguments = false;
  for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1)) {
    if (at + 1 < text.size() && IsDigit(text[at + 1])) macro.takes_arguments = true;
  }
  macro.text = std::move(text);
}

bool MacroTable::Expand(std::string_view text, std::string* result, std::string* problem) const {
  result->clear();
  if (text.find('@') == std::string_view::npos) {
    result->assign(text);
    return true;
  }
  std::vector<std::string> active;
  return ExpandInto(text, nullptr, &active, result, problem);
}

bool MacroTable::ExpandInto(std::string_view text, const std::vector<std::string>* arguments,
                            std::vector<std::string>* active, std::string* result,
                            std::string* problem) const {
  size_t i = 0;
  while (i < text.size()) {
    const size_t at = text.find('@', i);
    result->append(text.substr(i, at == std::string_view::npos ? text.size() - i : at - i));
    if (at == std::string_view::npos) break;
    size_t end = at + 1;
    if (end < text.size() && IsDigit(text[end]) && arguments != nullptr) {
      size_t number = 0;
      for (; end < text.size() && IsDigit(text[end]); ++end) {
        number = std::min<size_t>(number * 10 + static_cast<size_t>(text[end] - '0'), 1000);
      }
      if (number >= 1 && number <= arguments->size()) result->append((*arguments)[number - 1]);
      i = end;
    } else {
      while (end < text.size() && IsNameCharacter(text[end]) &&
             !(end == at + 1 && IsDigit(text[end])))
        ++end;
      const std::string_view name = text.substr(at + 1, end - at - 1);
      const auto found = name.empty() ? macros_.end() : macros_.find(name);
      if (found == macros_.end()) {
        result->append(text.substr(at, end - at));
        i = end;
      } else {
        const Macro& macro = found->second;
        const std::string name_text(name);
        if (std::find(active->begin(), active->end(), name_text) != active->end()) {
          *problem = "macro '" + name_text + "' expands without end (it uses itself";
          if (active->front() != name_text) *problem += " through '" + active->front() + "'";
          *problem += ")";
          return false;
        }
        if (static_cast<int>(active->size()) >= kMaxDepth) {
          *problem = "macro '" + name_text + "' is nested more than " + std::to_string(kMaxDepth) +
                     " deep";
          return false;
        }
        std::vector<std::string> own_arguments;
        if (macro.takes_arguments && end < text.size() && text[end] == '(') {
          const size_t after = ReadArguments(text, end, &own_arguments);
          if (after != std::string_view::npos) end = after;
        }
        // The arguments belong to the text that names the macro: expand
        // them there first.
        for (std::string& argument : own_arguments) {
          std::string expanded;
          if (!ExpandInto(argument, arguments, active, &expanded, problem)) return false;
          argument = std::move(expanded);
        }
        active->push_back(name_text);
        if (!ExpandInto(macro.text, &own_arguments, active, result, problem)) return false;
        active->pop_back();
        i = end;
      }
    }
    if (result->size() > kMaxExpandedSize) {
      *problem = "macros expand to more than " + std::to_string(kMaxExpandedSize) + " bytes";
      if (!active->empty()) *problem += " in macro '" + active->front() + "'";
      return false;
    }
  }
  return true;
}

}  // namespace runner
