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
// trimmed arguments, as [begin, end) offsets into `text`; npos when the
// parentheses never close. Each byte read is taken from `*budget`; npos too
// when it runs out.
size_t ReadArguments(std::string_view text, size_t open,
                     std::vector<std::pair<size_t, size_t>>* arguments, size_t* budget) {
  int depth = 0;
  bool quoted = false;
  size_t start = open + 1;
  const auto add = [&](size_t end) {
    size_t begin = start;
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    arguments->emplace_back(begin, end);
  };
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
        add(i);
        return i + 1;
      }
    } else if (c == ',' && depth == 1) {
      add(i);
      start = i + 1;
    }
  }
  return std::string_view::npos;
}

std::string Ordinal(size_t n) { return std::to_string(n) + (n == 1 ? " argument" : " arguments"); }

}  // namespace

void MacroTable::Define(const std::string& name, std::string text,
                        std::shared_ptr<const SourceMap> source) {
  Macro& macro = macros_[name];
  macro.arguments = 0;
  for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1)) {
    int number = 0;
    for (size_t i = at + 1; i < text.size() && IsDigit(text[i]) && number < 1000; ++i) {
      number = number * 10 + (text[i] - '0');
    }
    macro.arguments = std::max(macro.arguments, number);
  }
  macro.text = std::move(text);
  macro.source = std::move(source);
}

bool MacroTable::Expand(std::string_view text, std::string* result, std::string* problem) const {
  return Expand(text, nullptr, result, nullptr, nullptr, problem);
}

bool MacroTable::Expand(std::string_view text, const SourceMap* in, std::string* result,
                        SourceMap* map, std::vector<MacroNotice>* notices,
                        std::string* problem) const {
  result->clear();
  if (in == nullptr) map = nullptr;
  if (text.find('@') == std::string_view::npos) {
    result->assign(text);
    if (map != nullptr) map->Append(*in, 0, text.size(), 0);
    return true;
  }
  std::vector<std::string> active;
  scan_budget_ = kMaxScanned;
  From from;
  from.map = in;
  return ExpandInto(text, from, nullptr, &active, Output{result, map}, Context{map, notices},
                    problem);
}

// One pass over the text, each case in its place; due to be split into steps.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
bool MacroTable::ExpandInto(std::string_view text, const From& from,
                            const std::vector<Argument>* arguments,
                            std::vector<std::string>* active, const Output& out,
                            const Context& context, std::string* problem) const {
  std::string* const result = out.text;
  // Copies text[begin, end) as it is.
  const auto copy = [&](size_t begin, size_t end) {
    result->append(text.substr(begin, end - begin));
    if (out.map == nullptr) return;
    if (from.map != nullptr) {
      out.map->Append(*from.map, from.begin + begin, from.begin + end, from.base);
    } else {
      for (size_t i = begin; i < end; ++i) out.map->Add(from.offset, from.base);
    }
  };
  // Where text[at] stands and the use it came through.
  const auto where = [&](size_t at, size_t* offset, int* origin) {
    *offset = from.offset;
    *origin = from.base;
    if (from.map == nullptr || from.map->empty()) return;
    *offset = from.map->Offset(from.begin + at);
    const int own = from.map->Origin(from.begin + at);
    if (own != 0) *origin = own;
  };
  const auto notice = [&](MacroNotice::Kind kind, const std::string& name, size_t at, size_t end,
                          std::string message) {
    if (context.notices == nullptr) return;
    MacroNotice item;
    item.kind = kind;
    item.name = name;
    item.message = std::move(message);
    // A token of its own, or all of a variable's parentheses: the compiler
    // reports it.
    item.whole_word = (at == 0 || IsBlank(text[at - 1]) || text[at - 1] == '(') &&
                      (end == text.size() || IsBlank(text[end]) || text[end] == ')');
    where(at, &item.offset, &item.origin);
    if (active->empty() && from.begin == 0) item.text_offset = at;
    context.notices->push_back(std::move(item));
  };
  size_t i = 0;
  while (i < text.size()) {
    const size_t at = text.find('@', i);
    copy(i, at == std::string_view::npos ? text.size() : at);
    if (at == std::string_view::npos) break;
    size_t end = at + 1;
    if (end < text.size() && IsDigit(text[end]) && arguments != nullptr) {
      size_t number = 0;
      for (; end < text.size() && IsDigit(text[end]); ++end) {
        number = std::min<size_t>(number * 10 + static_cast<size_t>(text[end] - '0'), 1000);
      }
      if (number >= 1 && number <= arguments->size()) {
        const Argument& argument = (*arguments)[number - 1];
        result->append(argument.text);
        if (out.map != nullptr) out.map->Append(argument.map, 0, argument.text.size(), 0);
      }
      i = end;
    } else {
      while (end < text.size() && IsNameCharacter(text[end]) &&
             !(end == at + 1 && IsDigit(text[end])))
        ++end;
      const std::string_view name = text.substr(at + 1, end - at - 1);
      const auto found = name.empty() ? macros_.end() : macros_.find(name);
      if (found == macros_.end()) {
        if (!name.empty() && !IsDigit(name[0])) {
          notice(MacroNotice::Kind::kUndefined, std::string(name), at, end,
                 "no macro named '" + std::string(name) + "': '@" + std::string(name) +
                     "' stays as written");
        }
        copy(at, end);
        i = end;
      } else {
        const Macro& macro = found->second;
        const std::string name_text(name);
        if (std::find(active->begin(), active->end(), name_text) != active->end()) {
          *problem = "macro '" + name_text + "' expands without end: ";
          for (const std::string& step : *active) {
            if (step[0] != '(') *problem += step + " -> ";
          }
          *problem += name_text;
          return false;
        }
        if (static_cast<int>(active->size()) >= kMaxDepth) {
          *problem = "macro '" + name_text + "' is nested more than " + std::to_string(kMaxDepth) +
                     " deep";
          return false;
        }
        std::vector<std::pair<size_t, size_t>> spans;
        bool listed = false;
        if (macro.arguments > 0 && end < text.size() && text[end] == '(') {
          const size_t after = ReadArguments(text, end, &spans, &scan_budget_);
          if (scan_budget_ == 0) {
            *problem = "macro '" + name_text + "': its argument lists take more than " +
                       std::to_string(kMaxScanned >> 20) +
                       " MiB of reading (unclosed or deeply nested parentheses?)";
            return false;
          }
          if (after != std::string_view::npos) {
            end = after;
            listed = true;
          } else {
            spans.clear();
          }
        }
        if (macro.arguments > 0 && spans.size() != static_cast<size_t>(macro.arguments)) {
          const size_t uses = static_cast<size_t>(macro.arguments);
          std::string message = "macro '" + name_text + "' uses " + Ordinal(uses) + " (@1" +
                                (uses > 1 ? " to @" + std::to_string(uses) : "") +
                                ") and is given " +
                                (listed ? std::to_string(spans.size()) : "none") + ": ";
          message += spans.size() < uses ? "the missing ones stand for nothing"
                                         : "the extra ones are dropped";
          notice(MacroNotice::Kind::kArguments, name_text, at, end, std::move(message));
        }
        // This use: where its '@' stands, in the use it is itself part of.
        size_t use_offset = 0;
        int use_outer = 0;
        where(at, &use_offset, &use_outer);
        // The arguments belong to the text that names the macro: expand
        // them there first. They count towards the depth too ("(name"
        // stands for them, never equal to a name), so that @a(@a(@a(...)))
        // nested without end stops.
        std::vector<Argument> own_arguments(spans.size());
        if (!spans.empty()) {
          active->push_back("(" + name_text);
          for (size_t k = 0; k < spans.size(); ++k) {
            const auto [begin, stop] = spans[k];
            From inner = from;
            inner.begin = from.begin + begin;
            if (from.map == nullptr) inner.offset = use_offset;
            Argument& argument = own_arguments[k];
            if (out.map != nullptr) argument.map = SourceMap();
            if (!ExpandInto(text.substr(begin, stop - begin), inner, arguments, active,
                            Output{&argument.text, out.map != nullptr ? &argument.map : nullptr},
                            context, problem)) {
              return false;
            }
          }
          active->pop_back();
        }
        From inside;
        if (out.map != nullptr) {
          inside.base = context.uses->AddUse(name_text, use_offset, use_outer);
          inside.map = macro.source.get();
          inside.offset = use_offset;
        }
        active->push_back(name_text);
        if (!ExpandInto(macro.text, inside, &own_arguments, active, out, context, problem)) {
          return false;
        }
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
