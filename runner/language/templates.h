// Text templates (a gauge's <String>, <GaugeString>, tooltip texts): plain
// text with directives, expanded each time the text is drawn.
//
//   %(script)   runs the script; outputs nothing itself
//   %!fmt!      pops a value and outputs it formatted (see text_format.h)
//   %{if} %{else} %{end}           pops a condition; shows one branch
//   %{case} %{:N} %{:<N} ... %{else} %{end}
//               pops v; shows the first label v matches, else the %{else}
//   %{loop} ... %{next}            %{next} pops a condition and goes back
//                                  to the %{loop} while it holds
//   %%          a %
//
// All %( ) parts and directives of one template share one stack per
// expansion and one register file kept from one expansion to the next.
// Inside a branch not shown nothing runs and nothing pops. An unknown
// %{word} is ignored. Renderer escapes (\n, \{...}) are plain text here.
#ifndef VELLOMAR_RUNNER_LANGUAGE_TEMPLATES_H_
#define VELLOMAR_RUNNER_LANGUAGE_TEMPLATES_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runner/language/compiler.h"
#include "runner/language/interpreter.h"
#include "runner/language/text_format.h"

namespace runner {

class Template {
 public:
  enum class PartKind : uint8_t {
    kText,
    kScript,
    kFormat,
    kIf,
    kElse,
    kEnd,
    kCase,
    kLabel,
    kLoop,
    kNext,
  };
  struct Part {
    PartKind kind = PartKind::kText;
    std::string text;          // kText
    Script* script = nullptr;  // kScript
    FormatDirective format;    // kFormat
    char comparison = '=';     // kLabel: '=', '<', 'l' (<=), '>' or 'g' (>=)
    double value = 0;          // kLabel
    int line = 1;
    int column = 1;
    std::string source;  // a directive as written ("%!4d!", "%{if}", "%(...)"); empty for kText
    int origin = 0;      // the macro use it came from (SiteInfo::Note)
  };

  std::vector<Part> parts;
  std::vector<std::unique_ptr<Script>> scripts;
  std::shared_ptr<Registers> registers;
  std::shared_ptr<SiteInfo> info;
  RunObserver* observer = nullptr;  // set by Engine::Watch
};

// Compiles `text`, which stands at line:column of `info`'s file (or comes
// from where `info`'s source map says), into
// `*result`, whose registers and info are set. `multiline` drops blanks at
// the start of the text and of each line, and raw line breaks. False after
// reporting the first load error.
bool CompileTemplate(std::string_view text, int line, int column, bool multiline,
                     CompileTarget* target, Template* result);

// Expands the template into `*text`. False, after reporting it, when a loop
// or a script ran out of its jump budget; `*text` then holds what was made.
bool RenderTemplate(Template* text_template, std::string* text, RunContext* context);
// The same, reporting each part and word to the context's observer (not null).
bool RenderTemplateObserved(Template* text_template, std::string* text, RunContext* context);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_TEMPLATES_H_
