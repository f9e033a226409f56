#include "runner/gauges/macros.h"

#include <algorithm>

#include "runner/base/text.h"

namespace runner {

namespace {

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The argument list at text[open] == '(': its end (one past the ')') and the
// trimmed arguments; npos when the parentheses never close. Each byte read
// is taken from `*budget`; npos too when it runs out.
size_t ReadArguments(std::string_view text, size_t open, std::vector<std::string>* arguments,
                     size_t* budget) {
  int depth = 0;
  bool quoted = false;
  size_t start = open + 1;
  for (size_t i = open; i < text.size(); ++i) {
    if (*budget == 0) return std::string_view::npos;
    --*budget;
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
        arguments->emplace_back(Trim(text.substr(start, i - start)));
        return i + 1;
      }
    } else if (c == ',' && depth == 1) {
      arguments->emplace_back(Trim(text.substr(start, i - start)));
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
  scan_budget_ = kMaxScanned;
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
          const std::string& first = active->front();
          const std::string outer = first[0] == '(' ? first.substr(1) : first;
          if (outer != name_text) *problem += " through '" + outer + "'";
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
          const size_t after = ReadArguments(text, end, &own_arguments, &scan_budget_);
          if (scan_budget_ == 0) {
            *problem = "macro '" + name_text + "': its argument lists take more than " +
                       std::to_string(kMaxScanned >> 20) +
                       " MiB of reading (unclosed or deeply nested parentheses?)";
            return false;
          }
          if (after != std::string_view::npos) end = after;
        }
        // The arguments belong to the text that names the macro: expand
        // them there first. They count towards the depth too ("(name"
        // stands for them, never equal to a name), so that @a(@a(@a(...)))
        // nested without end stops.
        if (!own_arguments.empty()) {
          active->push_back("(" + name_text);
          for (std::string& argument : own_arguments) {
            std::string expanded;
            if (!ExpandInto(argument, arguments, active, &expanded, problem)) return false;
            argument = std::move(expanded);
          }
          active->pop_back();
        }
        active->push_back(name_text);
        if (!ExpandInto(macro.text, &own_arguments, active, result, problem)) return false;
        active->pop_back();
        i = end;
      }
    }
    if (result->size() > kMaxExpandedSize) {
      *problem = "macros expand to more than " + std::to_string(kMaxExpandedSize) + " bytes";
      if (!active->empty()) {
        const std::string& first = active->front();
        *problem += " in macro '" + (first[0] == '(' ? first.substr(1) : first) + "'";
      }
      return false;
    }
  }
  return true;
}

}  // namespace runner
