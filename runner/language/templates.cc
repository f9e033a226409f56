#include "runner/language/templates.h"

#include <cstdlib>
#include <utility>

#include "runner/base/place.h"
#include "runner/base/text.h"

namespace runner {

namespace {

// %{:N}, %{:<N}, %{:<=N}, %{:>N}, %{:>=N}, %{:=N}: the comparison and N.
bool ParseLabel(std::string_view label, char* comparison, double* value) {
  std::string rest(Trim(label));
  *comparison = '=';
  if (rest.compare(0, 2, "<=") == 0) {
    *comparison = 'l';
    rest.erase(0, 2);
  } else if (rest.compare(0, 2, ">=") == 0) {
    *comparison = 'g';
    rest.erase(0, 2);
  } else if (!rest.empty() && (rest[0] == '<' || rest[0] == '>' || rest[0] == '=')) {
    *comparison = rest[0];
    rest.erase(0, 1);
  }
  rest = std::string(Trim(rest));
  if (rest.empty()) return false;
  char* end = nullptr;
  *value = std::strtod(rest.c_str(), &end);
  return end == rest.c_str() + rest.size();
}

bool Matches(char comparison, double v, double n) {
  switch (comparison) {
    case '<':
      return v < n;
    case 'l':
      return v <= n;
    case '>':
      return v > n;
    case 'g':
      return v >= n;
    case '=':
      return v == n;
    default:
      return false;
  }
}

}  // namespace

bool CompileTemplate(std::string_view text, int line, int column, bool multiline,
                     CompileTarget* target, Template* result) {
  const LineTable lines(text, line, column);
  const SourceMap* source = result->info->source.get();
  const auto locate = [&](size_t at, int* from) {
    if (source != nullptr) return source->At(at, from);
    *from = 0;
    return lines.At(std::string(), static_cast<std::ptrdiff_t>(at));
  };
  const auto report = [&](size_t at, Severity severity, const std::string& message) {
    int from = 0;
    const Place where = locate(at, &from);
    ReportAt(target->diagnostics, *result->info, severity, where.line, where.column, message, from);
  };
  const auto fail = [&](size_t at, const std::string& message) {
    report(at, Severity::kError, message);
    return false;
  };
  const auto add = [&](Template::PartKind kind, size_t at) -> Template::Part& {
    Template::Part part;
    const Place where = locate(at, &part.origin);
    part.kind = kind;
    part.line = where.line;
    part.column = where.column;
    result->parts.push_back(std::move(part));
    return result->parts.back();
  };
  std::string plain;
  size_t plain_start = 0;
  bool line_start = true;
  const auto flush = [&] {
    if (plain.empty()) return;
    add(Template::PartKind::kText, plain_start).text = std::move(plain);
    plain.clear();
  };
  const auto literal = [&](char c, size_t at) {
    if (multiline) {
      if (c == '\r' || c == '\n') {
        line_start = true;
        return;
      }
      if (line_start && (c == ' ' || c == '\t')) return;
    }
    line_start = false;
    if (plain.empty()) plain_start = at;
    plain.push_back(c);
  };

  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '%' || i + 1 >= text.size()) {
      literal(c, i++);
      continue;
    }
    const char next = text[i + 1];
    if (next == '%') {
      literal('%', i);
      i += 2;
    } else if (next == '(') {
      // The closing ) is found by counting parentheses, skipping texts.
      size_t j = i + 2;
      int depth = 1;
      bool quoted = false;
      for (; j < text.size(); ++j) {
        if (text[j] == '\'') {
          quoted = !quoted;
        } else if (!quoted && text[j] == '(') {
          ++depth;
        } else if (!quoted && text[j] == ')' && --depth == 0) {
          break;
        }
      }
      if (j >= text.size()) return fail(i, "%( without a closing )");
      flush();
      auto script = std::make_unique<Script>();
      script->registers = result->registers;
      script->info = result->info;
      int from = 0;
      const Place inside = locate(i + 2, &from);
      if (!CompileText(text.substr(i + 2, j - i - 2), inside.line, inside.column, target,
                       script.get(), i + 2)) {
        return false;
      }
      Template::Part& part = add(Template::PartKind::kScript, i);
      part.script = script.get();
      part.source = std::string(text.substr(i, j + 1 - i));
      result->scripts.push_back(std::move(script));
      i = j + 1;
      line_start = false;
    } else if (next == '!') {
      FormatDirective directive;
      const size_t length = ParseFormat(text.substr(i + 2), &directive);
      if (length == 0) {
        literal('%', i);
        literal('!', i + 1);
        i += 2;
        continue;
      }
      flush();
      Template::Part& part = add(Template::PartKind::kFormat, i);
      part.format = directive;
      part.source = std::string(text.substr(i, 2 + length));
      i += 2 + length;
      line_start = false;
    } else if (next == '{') {
      const size_t close = text.find('}', i + 2);
      if (close == std::string_view::npos) {
        // The simulator looks for the } and shows nothing more when there is none.
        report(i, Severity::kWarning, "%{ without a closing }: the rest of the text is not shown");
        break;
      }
      const std::string_view keyword = text.substr(i + 2, close - i - 2);
      flush();
      const size_t parts_before = result->parts.size();
      using K = Template::PartKind;
      if (keyword == "if") {
        add(K::kIf, i);
      } else if (keyword == "else") {
        add(K::kElse, i);
      } else if (keyword == "end") {
        add(K::kEnd, i);
      } else if (keyword == "case") {
        add(K::kCase, i);
      } else if (keyword == "loop") {
        add(K::kLoop, i);
      } else if (keyword == "next") {
        add(K::kNext, i);
      } else if (!keyword.empty() && keyword[0] == ':') {
        char comparison = '=';
        double value = 0;
        if (!ParseLabel(keyword.substr(1), &comparison, &value)) {
          report(i, Severity::kWarning,
                 "case label '%{" + std::string(keyword) + "}' has no number: it never matches");
          comparison = 'n';
        }
        Template::Part& part = add(K::kLabel, i);
        part.comparison = comparison;
        part.value = value;
      }
      // Any other %{word} is ignored.
      if (result->parts.size() > parts_before) {
        result->parts.back().source = std::string(text.substr(i, close + 1 - i));
      }
      i = close + 1;
      line_start = false;
    } else {
      literal(c, i++);
    }
  }
  flush();
  return true;
}

namespace {

// One expansion; kObserved selects the form that reports every part to the
// context's observer.
template <bool kObserved>
// One pass over the text, each case in its place; due to be split into steps.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
bool Expand(Template* text_template, std::string* text, RunContext* context) {
  struct Block {
    bool parent_shown;
    bool shown;
    bool taken;  // a branch of this block was shown (or chosen) already
    bool is_case;
    double value;
  };
  struct Loop {
    size_t body;  // the part after %{loop}
    size_t blocks;
  };
  std::vector<Block> blocks;
  std::vector<Loop> loops;
  Stack stack;
  bool ok = true;
  int jumps = 0;
  text->clear();
  SiteInfo* info = text_template->info.get();
  const std::vector<Template::Part>& parts = text_template->parts;
  RunObserver* const observer = context->observer;
  const auto pop = [&](const Template::Part& part, const char* what) {
    Value value;
    if (!stack.Pop(&value)) {
      const std::string message = std::string(what) + " popped an empty stack: it took 0";
      if constexpr (kObserved) observer->Note(message);
      WarnOnce(info, RunEvent::kEmptyStack, part.line, part.column, message, *context, part.origin);
    } else if constexpr (kObserved) {
      observer->Note("took " + ShowValue(value));
    }
    return value;
  };
  // The expanded text is cut at the runner's text limit, like a built text.
  const auto append = [&](const Template::Part& part, const std::string& more) {
    if constexpr (kObserved) observer->Note("output " + ShowValue(Value::Text(more)));
    if (text->size() + more.size() <= kMaxTextLength) {
      *text += more;
      return;
    }
    text->append(more, 0, kMaxTextLength - text->size());
    WarnOnce(info, RunEvent::kTextTooLong, part.line, part.column,
             "the text grew longer than " + std::to_string(kMaxTextLength) + " bytes: it is cut",
             *context, part.origin);
  };
  const auto shows = [&](bool shown) {
    if constexpr (kObserved) observer->Note(shown ? "shown" : "not shown");
  };
  for (size_t i = 0; i < parts.size(); ++i) {
    const Template::Part& part = parts[i];
    const bool shown = blocks.empty() || blocks.back().shown;
    // %{else}, a case label and %{end} are read whenever their block's
    // directive was.
    bool reached = shown;
    if constexpr (kObserved) {
      if (!blocks.empty() &&
          (part.kind == Template::PartKind::kElse || part.kind == Template::PartKind::kLabel ||
           part.kind == Template::PartKind::kEnd)) {
        reached = blocks.back().parent_shown;
      }
    }
    switch (part.kind) {
      case Template::PartKind::kText:
        if (shown) append(part, part.text);
        break;
      case Template::PartKind::kScript:
        if (shown && !(kObserved ? ExecuteObserved(part.script, &stack, context)
                                 : Execute(part.script, &stack, context))) {
          ok = false;
        }
        break;
      case Template::PartKind::kFormat:
        if (shown && TakesValue(part.format)) {
          append(part, FormatValue(part.format, pop(part, "%!fmt!")));
        }
        break;
      case Template::PartKind::kIf: {
        const bool condition = shown && Truthy(pop(part, "%{if}"));
        if (shown) shows(condition);
        blocks.push_back({shown, condition, condition, false, 0});
        break;
      }
      case Template::PartKind::kElse:
        if (!blocks.empty()) {
          Block& block = blocks.back();
          block.shown = block.parent_shown && !block.taken;
          block.taken = true;
          if (block.parent_shown) shows(block.shown);
        }
        break;
      case Template::PartKind::kEnd:
        if (!blocks.empty()) blocks.pop_back();
        break;
      case Template::PartKind::kCase: {
        const double value = shown ? ToDouble(pop(part, "%{case}")) : 0;
        blocks.push_back({shown, false, false, true, value});
        break;
      }
      case Template::PartKind::kLabel:
        if (!blocks.empty() && blocks.back().is_case) {
          Block& block = blocks.back();
          block.shown = block.parent_shown && !block.taken &&
                        Matches(part.comparison, block.value, part.value);
          if (block.shown) block.taken = true;
          if (block.parent_shown) shows(block.shown);
        }
        break;
      case Template::PartKind::kLoop:
        loops.push_back({i + 1, blocks.size()});
        break;
      case Template::PartKind::kNext:
        if (loops.empty()) {
          if (shown) pop(part, "%{next}");
          break;
        }
        if (shown && Truthy(pop(part, "%{next}"))) {
          if (++jumps > kJumpBudget) {
            const std::string message = "runaway loop: %{next} went back " +
                                        std::to_string(kJumpBudget) +
                                        " times in one expansion; the expansion is stopped";
            RunError(*info, part.line, part.column, message, *context, part.origin);
            if constexpr (kObserved) {
              observer->Note(message);
              observer->Part(*text_template, i, stack, true);
            }
            return false;
          }
          if constexpr (kObserved) {
            observer->Note("back to %{loop} (jump " + std::to_string(jumps) + ")");
            observer->Part(*text_template, i, stack, true);
          }
          blocks.resize(loops.back().blocks);
          i = loops.back().body - 1;
          continue;
        }
        if constexpr (kObserved) {
          if (shown) observer->Note("the loop ends");
        }
        loops.pop_back();
        break;
    }
    // A %( ) part that ran reported its words.
    if constexpr (kObserved) {
      if (part.kind != Template::PartKind::kScript || !shown) {
        observer->Part(*text_template, i, stack, reached);
      }
    }
  }
  return ok;
}

}  // namespace

bool RenderTemplate(Template* text_template, std::string* text, RunContext* context) {
  return Expand<false>(text_template, text, context);
}

bool RenderTemplateObserved(Template* text_template, std::string* text, RunContext* context) {
  return Expand<true>(text_template, text, context);
}

}  // namespace runner
